// Drive letters and network connections of the current user, as the share mapping needs
// them. Backends: fake (tests), Linux (GVfs mounts behind a per-session letter table),
// Windows (WNet). Result codes: 0 for success, anything else is a failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace netdrive {

inline constexpr int kRemoteNameCapacity = 80;

class NetDrive {
public:
    virtual ~NetDrive() = default;
    // Bit 0 for A: up to bit 25 for Z:; a set bit means the letter is in use.
    virtual std::uint32_t DrivesInUse() = 0;
    // True for a network drive ("X:" root, no trailing backslash).
    virtual bool IsRemote(const std::string& root) = 0;
    // The remote (UNC) name of a network drive, e.g. "\\\\10.0.0.5\\music"; nullopt when
    // it cannot be read.
    virtual std::optional<std::string> RemoteName(const std::string& root) = 0;
    // Connects `localName` ("X:") to `remoteName` with the given credentials (empty texts
    // allowed). Not remembered for later logons.
    virtual int Connect(const std::string& localName, const std::string& remoteName,
                        const std::string& user, const std::string& password) = 0;
    // Removes the connection of `localName`, not forced; also from remembered connections.
    virtual int Disconnect(const std::string& localName) = 0;
};

}  // namespace netdrive
