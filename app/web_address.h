// The address of a device's web page.
#pragma once

#include <string>

#include "protocol/device_info.h"

namespace app {

// "http://<ip>" for port 80, "http://<ip>:<port>" otherwise, the port unsigned (0-65535).
std::string WebAddress(const protocol::DeviceInfo& device);

}  // namespace app
