#include "platform/netdrive/fake_netdrive.h"

#include <cctype>

namespace netdrive {
namespace {

// "X:" (either case) gives 'X'; anything else 0.
char LetterOf(const std::string& root)
{
    if (root.size() != 2 || root[1] != ':') return 0;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    return (c >= 'A' && c <= 'Z') ? c : 0;
}

std::uint32_t Bit(char letter)
{
    return 1u << (letter - 'A');
}

}  // namespace

void FakeNetDrive::AddLocalDrive(char letter)
{
    m_local |= Bit(letter);
}

void FakeNetDrive::AddLocalDrives(char first, char last)
{
    for (char c = first; c <= last; ++c) AddLocalDrive(c);
}

void FakeNetDrive::AddConnection(char letter, std::string remoteName)
{
    m_connections[letter] = std::move(remoteName);
}

void FakeNetDrive::SetRemoteNameUnreadable(char letter)
{
    m_unreadable[letter] = true;
}

void FakeNetDrive::RefuseConnect(char letter, int code)
{
    m_connectRefusals[letter] = code;
}

void FakeNetDrive::RefuseDisconnect(char letter, int code)
{
    m_disconnectRefusals[letter] = code;
}

bool FakeNetDrive::IsConnected(char letter) const
{
    return m_connections.count(letter) != 0;
}

std::uint32_t FakeNetDrive::Mask() const
{
    std::uint32_t mask = m_local;
    for (const auto& [letter, remote] : m_connections) mask |= Bit(letter);
    return mask;
}

std::uint32_t FakeNetDrive::DrivesInUse()
{
    ++m_drivesInUseCalls;
    return Mask();
}

bool FakeNetDrive::IsRemote(const std::string& root)
{
    const char letter = LetterOf(root);
    return letter != 0 && IsConnected(letter);
}

std::optional<std::string> FakeNetDrive::RemoteName(const std::string& root)
{
    const char letter = LetterOf(root);
    auto it = m_connections.find(letter);
    if (it == m_connections.end() || m_unreadable.count(letter) != 0) return std::nullopt;
    return it->second;
}

int FakeNetDrive::Connect(const std::string& localName, const std::string& remoteName,
                          const std::string& user, const std::string& password)
{
    m_connectCalls.push_back({localName, remoteName, user, password});
    const char letter = LetterOf(localName);
    if (letter == 0) return kErrBadDevice;
    for (char key : {letter, '\0'}) {
        auto it = m_connectRefusals.find(key);
        if (it != m_connectRefusals.end()) return it->second;
    }
    if ((Mask() & Bit(letter)) != 0) return kErrAlreadyAssigned;
    m_connections[letter] = remoteName;
    return kOk;
}

int FakeNetDrive::Disconnect(const std::string& localName)
{
    m_disconnectCalls.push_back(localName);
    const char letter = LetterOf(localName);
    if (letter == 0 || !IsConnected(letter)) return kErrNotConnected;
    for (char key : {letter, '\0'}) {
        auto it = m_disconnectRefusals.find(key);
        if (it != m_disconnectRefusals.end()) return it->second;
    }
    m_connections.erase(letter);
    return kOk;
}

}  // namespace netdrive
