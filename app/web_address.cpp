#include "app/web_address.h"

namespace app {

std::string WebAddress(const protocol::DeviceInfo& device)
{
    // FieldText stops at the field's always-zero last byte: at most 15 characters.
    // Appended piece by piece: g++ 12 at -O3 takes `"literal" + std::string` for an overlapping
    // copy (-Wrestrict, a false positive) and stops a Release build.
    std::string address = "http://";
    address += protocol::FieldText(device.ipAddress);
    if (device.webPort != 80) {
        address += ':';
        address += std::to_string(static_cast<unsigned>(device.webPort));
    }
    return address;
}

}  // namespace app
