#include "app/web_address.h"

#include <string_view>

namespace app {

namespace {

// The dotted quad in `text` in canonical form, or "" when it is not one.
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

}  // namespace

std::optional<std::string> WebAddress(const protocol::DeviceInfo& device)
{
    // FieldText stops at the field's always-zero last byte: at most 15 characters.
    const std::string host = CanonicalDottedQuad(protocol::FieldText(device.ipAddress));
    if (host.empty()) return std::nullopt;
    // Appended piece by piece: g++ 12 at -O3 takes `"literal" + std::string` for an overlapping
    // copy (-Wrestrict, a false positive) and stops a Release build.
    std::string address = "http://";
    address += host;
    if (device.webPort != 80) {
        address += ':';
        address += std::to_string(static_cast<unsigned>(device.webPort));
    }
    return address;
}

}  // namespace app
