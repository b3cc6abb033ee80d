#include "app/web_address.h"

namespace app {

std::string WebAddress(const protocol::DeviceInfo& device)
{
    // FieldText stops at the field's always-zero last byte: at most 15 characters.
    std::string address = "http://" + protocol::FieldText(device.ipAddress);
    if (device.webPort != 80)
        address += ":" + std::to_string(static_cast<unsigned>(device.webPort));
    return address;
}

}  // namespace app
