// What the share mapping dialog shows and builds, kept apart from its controls: the drive
// letters on offer, the connections that belong to a device, and the names of a new mapping.
#pragma once

#include <string>
#include <vector>

#include "platform/netdrive/netdrive.h"

namespace sharemap {

// Separates a network drive's root from its remote name in the drive combo.
inline constexpr const char* kDriveSeparator = "  ";

// "X:" for letter X.
std::string RootOf(char letter);

// The drive combo's entries, Z: down to A:: free letters as the root alone, network drives
// (whatever the in-use mask says) as root, separator and remote name; local drives are left
// out. The in-use mask is read once.
std::vector<std::string> DriveComboEntries(netdrive::NetDrive& drives);

// True when `remoteName` is \\host\... with host exactly `ipAddress`: a connection to
// 10.0.0.50 does not belong to the device at 10.0.0.5.
bool BelongsToDevice(const std::string& remoteName, const std::string& ipAddress);

struct MappedConnection {
    std::string remoteName;
    std::string root;
};

// The device's existing connections, Z: down to A:.
std::vector<MappedConnection> DeviceConnections(netdrive::NetDrive& drives,
                                                const std::string& ipAddress);

// \\ipAddress\share, whatever the length of the share text; the system judges it.
std::string BuildRemoteName(const std::string& ipAddress, const std::string& share);

}  // namespace sharemap
