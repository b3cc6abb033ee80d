// Drive letters and network connections of the current user, as the share mapping needs
// them. Backends: fake (tests), Linux (GVfs mounts behind a per-session letter table),
// Windows (WNet). Result codes: 0 for success, anything else is a failure.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace netdrive {

inline constexpr int kRemoteNameCapacity = 80;

// Result codes of Connect/Disconnect. The values follow the Windows system error codes of the
// same meaning, so both backends report alike; callers only test for kOk.
enum Result : int {
    kOk = 0,
    kErrNoSessionDir = 3,      // no per-login runtime folder for the letter table
    kErrBadNetPath = 53,       // host unreachable or share not found
    kErrBadNetName = 67,       // remote name is not \\host\share[\path]
    kErrAlreadyAssigned = 85,  // the letter is taken
    kErrInvalidPassword = 86,  // credentials refused
    kErrTimeout = 121,         // the system did not answer in time
    kErrBadDevice = 1200,      // local name is not a drive letter and colon
    kErrExtendedError = 1208,  // any other failure of the system
    kErrNoNetwork = 1222,      // no network service (GVfs or the session bus missing)
    kErrNotConnected = 2250,   // the letter is not a network connection
    kErrOpenFiles = 2401,      // the mount is busy
};

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

// The backend of this platform: GVfs mounts behind a per-session letter table on Linux, the
// system's network connections on Windows.
std::unique_ptr<NetDrive> CreateSystemNetDrive();

}  // namespace netdrive
