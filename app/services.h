// The platform backends a run of the program works with, chosen once in main() (or by a
// test) and passed down to every dialog that needs one.
#pragma once

#include "platform/netdrive/netdrive.h"
#include "platform/shell/shell.h"
#include "platform/sockets/sockets.h"

namespace app {

struct Services {
    sockets::SocketApi& sockets;
    netdrive::NetDrive& drives;
    shell::UrlOpener& urls;
};

}  // namespace app
