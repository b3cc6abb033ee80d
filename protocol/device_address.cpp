#include "protocol/device_address.h"

namespace protocol {

std::string CanonicalDottedQuad(std::string_view text)
{
    std::string out;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text.front() != '.') return {};
            text.remove_prefix(1);
            out += '.';
        }
        std::size_t digits = 0;
        unsigned value = 0;
        while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9')
            value = value * 10 + static_cast<unsigned>(text[digits++] - '0');
        if (digits == 0 || digits > 3 || value > 255) return {};
        text.remove_prefix(digits);
        out += std::to_string(value);
    }
    return text.empty() ? out : std::string();
}

std::string DeviceHost(const DeviceInfo& device)
{
    // FieldText stops at the field's always-zero last byte: at most 15 characters.
    return CanonicalDottedQuad(FieldText(device.ipAddress));
}

}  // namespace protocol
