// The Linux backend: shares mounted through GVfs for the desktop user, drive letters kept in
// the per-session DriveTable. Every wait on the system is bounded by the time-outs below.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/netdrive/netdrive.h"

namespace netdrive {

struct GvfsOptions {
    std::optional<std::string> tableDir;  // default: DriveTable::SessionDir()
    int mountTimeoutMs = 25000;           // an unreachable host alone takes a few seconds
    int unmountTimeoutMs = 15000;
    int queryTimeoutMs = 10000;
};

std::unique_ptr<NetDrive> CreateGvfsNetDrive(GvfsOptions options = {});

}  // namespace netdrive
