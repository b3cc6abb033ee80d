// The Share mapping command: the verification rule, then the share mapping dialog.
#pragma once

#include "platform/netdrive/netdrive.h"
#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"

namespace sharemap {

// Nothing in the main window is refreshed afterwards.
void LaunchShareMapping(sockets::SocketApi& api, netdrive::NetDrive& drives,
                        protocol::DeviceInfo& device);

}  // namespace sharemap
