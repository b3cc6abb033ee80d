// The WNet drive backend on the system's own functions (Windows, or Wine in CI): drive letters,
// remote names of drives that are not network connections, and the failures of connect and
// disconnect passed through unchanged. Wine has no network provider, so there every connect and
// disconnect ends in ERROR_NO_NETWORK; a mapped drive can only be seen on Windows itself.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/netdrive/netdrive.h"

namespace {

bool UnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A letter no one uses, from the top, as the share mapping would offer it.
std::string FreeLetter(netdrive::NetDrive& drives)
{
    const std::uint32_t used = drives.DrivesInUse();
    for (int bit = 25; bit >= 3; --bit) {
        if ((used & (1u << bit)) == 0) return std::string(1, static_cast<char>('A' + bit)) + ":";
    }
    return {};
}

class WNetBackend : public ::testing::Test {
protected:
    std::unique_ptr<netdrive::NetDrive> m_drives = netdrive::CreateSystemNetDrive();
};

TEST_F(WNetBackend, LocalDrivesAreInUseAndNotRemote)
{
    const std::uint32_t used = m_drives->DrivesInUse();
    EXPECT_NE(0u, used & (1u << 2)) << "C: is the system drive";
    EXPECT_EQ(0u, used >> 26) << "only A: to Z:";
    EXPECT_FALSE(m_drives->IsRemote("C:"));
    EXPECT_EQ(std::nullopt, m_drives->RemoteName("C:"));
}

TEST_F(WNetBackend, UnusedOrMalformedLettersHaveNoRemoteName)
{
    const std::string letter = FreeLetter(*m_drives);
    ASSERT_FALSE(letter.empty());
    EXPECT_FALSE(m_drives->IsRemote(letter));
    EXPECT_EQ(std::nullopt, m_drives->RemoteName(letter));
    EXPECT_EQ(std::nullopt, m_drives->RemoteName("QQ"));
    EXPECT_EQ(std::nullopt, m_drives->RemoteName(""));
}

TEST_F(WNetBackend, FailedConnectsAndDisconnectsReportTheSystemCode)
{
    const std::string letter = FreeLetter(*m_drives);
    ASSERT_FALSE(letter.empty());
    // 192.0.2.0/24 is never routed: nothing can answer there.
    const int connect = m_drives->Connect(letter, "\\\\192.0.2.99\\share", "user", "");
    const int taken = m_drives->Connect("C:", "\\\\192.0.2.99\\share", "", "");
    const int disconnect = m_drives->Disconnect(letter);
    EXPECT_NE(netdrive::kOk, connect);
    EXPECT_NE(netdrive::kOk, taken);
    EXPECT_NE(netdrive::kOk, disconnect);
    if (UnderWine()) {
        EXPECT_EQ(netdrive::kErrNoNetwork, connect);
        EXPECT_EQ(netdrive::kErrNoNetwork, taken);
        EXPECT_EQ(netdrive::kErrNoNetwork, disconnect);
    } else {
        EXPECT_EQ(netdrive::kErrAlreadyAssigned, taken);
        EXPECT_EQ(netdrive::kErrNotConnected, disconnect);
    }
    EXPECT_FALSE(m_drives->IsRemote(letter)) << "a failed connect leaves the letter free";
}

}  // namespace
