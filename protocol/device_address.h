// The address other programs are given to reach a device: the browser its web page, the
// system's network drives its shares. It comes from the device's answer, which any host on the
// network may have sent, so only a plain dotted quad is passed on.
#pragma once

#include <string>
#include <string_view>

#include "protocol/device_info.h"

namespace protocol {

// `text` as a dotted quad of four decimal numbers 0-255, written out again without leading
// zeros (which a browser or the system's address parser reads as octal); "" for anything else:
// a host name, user@host, a path, a port, a fifth part, hexadecimal, spaces.
std::string CanonicalDottedQuad(std::string_view text);

// The canonical form of the device's `ipAddress`, or "" when it is not a dotted quad.
std::string DeviceHost(const DeviceInfo& device);

}  // namespace protocol
