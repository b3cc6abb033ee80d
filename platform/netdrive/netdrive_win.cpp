// The Windows backend: the current user's drives and network connections, straight through
// the system's drive and WNet functions.
#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "platform/netdrive/netdrive.h"

namespace netdrive {
namespace {

class WinNetDrive final : public NetDrive {
public:
    std::uint32_t DrivesInUse() override { return static_cast<std::uint32_t>(GetLogicalDrives()); }

    bool IsRemote(const std::string& root) override
    {
        // The two-character root ("X:"), as the share mapping passes it, without backslash.
        return GetDriveTypeA(root.c_str()) == DRIVE_REMOTE;
    }

    std::optional<std::string> RemoteName(const std::string& root) override
    {
        char buffer[kRemoteNameCapacity] = {};
        DWORD capacity = kRemoteNameCapacity;
        if (WNetGetConnectionA(root.c_str(), buffer, &capacity) != NO_ERROR) return std::nullopt;
        // The system terminates the text on success; make sure of it regardless.
        buffer[kRemoteNameCapacity - 1] = '\0';
        return std::string(buffer);
    }

    int Connect(const std::string& localName, const std::string& remoteName,
                const std::string& user, const std::string& password) override
    {
        // The API takes non-const texts; hand it private copies so nothing of ours is
        // written through them.
        std::vector<char> local(localName.begin(), localName.end());
        local.push_back('\0');
        std::vector<char> remote(remoteName.begin(), remoteName.end());
        remote.push_back('\0');

        NETRESOURCEA resource{};
        resource.dwType = RESOURCETYPE_ANY;
        resource.lpLocalName = local.data();
        resource.lpRemoteName = remote.data();
        resource.lpProvider = nullptr;
        // Empty texts stay texts (never null): an empty password is a password.
        const DWORD result =
            WNetAddConnection2A(&resource, password.c_str(), user.c_str(), 0 /* not remembered */);
        return static_cast<int>(result);
    }

    int Disconnect(const std::string& localName) override
    {
        return static_cast<int>(
            WNetCancelConnection2A(localName.c_str(), CONNECT_UPDATE_PROFILE, FALSE));
    }
};

}  // namespace

std::unique_ptr<NetDrive> CreateSystemNetDrive()
{
    return std::make_unique<WinNetDrive>();
}

}  // namespace netdrive
