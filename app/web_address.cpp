#include "app/web_address.h"

#include "protocol/device_address.h"

namespace app {

std::optional<std::string> WebAddress(const protocol::DeviceInfo& device)
{
    const std::string host = protocol::DeviceHost(device);
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
