// An in-memory drive table for tests: local drives, network connections with their remote
// names, refusals, and a record of every call made.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/netdrive/netdrive.h"

namespace netdrive {

class FakeNetDrive : public NetDrive {
public:
    struct ConnectCall {
        std::string localName, remoteName, user, password;
    };

    // Set-up.
    void AddLocalDrive(char letter);
    void AddLocalDrives(char first, char last);
    void AddConnection(char letter, std::string remoteName);
    // The remote name of `letter` cannot be read back (the drive still counts as remote).
    void SetRemoteNameUnreadable(char letter);
    // Connect to `letter` (or any letter, with 0) fails with `code`.
    void RefuseConnect(char letter, int code = kErrInvalidPassword);
    void RefuseDisconnect(char letter, int code = kErrOpenFiles);

    // Inspection.
    const std::vector<ConnectCall>& connectCalls() const { return m_connectCalls; }
    const std::vector<std::string>& disconnectCalls() const { return m_disconnectCalls; }
    int drivesInUseCalls() const { return m_drivesInUseCalls; }
    bool IsConnected(char letter) const;

    // NetDrive
    std::uint32_t DrivesInUse() override;
    bool IsRemote(const std::string& root) override;
    std::optional<std::string> RemoteName(const std::string& root) override;
    int Connect(const std::string& localName, const std::string& remoteName,
                const std::string& user, const std::string& password) override;
    int Disconnect(const std::string& localName) override;

private:
    std::uint32_t Mask() const;

    std::uint32_t m_local = 0;
    std::map<char, std::string> m_connections;
    std::map<char, bool> m_unreadable;
    std::map<char, int> m_connectRefusals;
    std::map<char, int> m_disconnectRefusals;
    std::vector<ConnectCall> m_connectCalls;
    std::vector<std::string> m_disconnectCalls;
    int m_drivesInUseCalls = 0;
};

}  // namespace netdrive
