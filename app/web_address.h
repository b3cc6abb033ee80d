// The address of a device's web page.
#pragma once

#include <optional>
#include <string>

#include "protocol/device_info.h"

namespace app {

// "http://<ip>" for port 80, "http://<ip>:<port>" otherwise, the port unsigned (0-65535).
// Only for an address field that is a dotted quad of decimal numbers 0-255, written out again
// without leading zeros (which a browser would read as octal); anything else in it (a host
// name, user@host, a path) may come from a rogue answer and gives nullopt: nothing is opened.
std::optional<std::string> WebAddress(const protocol::DeviceInfo& device);

}  // namespace app
