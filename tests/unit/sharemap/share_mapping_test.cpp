// The share mapping's drive entries, device matching and names over the fake drive table.
#include <gtest/gtest.h>

#include "platform/netdrive/fake_netdrive.h"
#include "sharemap/share_mapping.h"

using sharemap::BelongsToDevice;

TEST(ShareMapping, FreeLettersRunFromZDownPastTheLocalDrives)
{
    netdrive::FakeNetDrive drives;
    drives.AddLocalDrives('A', 'H');
    const auto entries = sharemap::DriveComboEntries(drives);
    ASSERT_EQ(entries.size(), 18u);
    EXPECT_EQ(entries.front(), "Z:");
    EXPECT_EQ(entries.back(), "I:");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i], sharemap::RootOf(static_cast<char>('Z' - i)));
    }
    EXPECT_EQ(drives.drivesInUseCalls(), 1);
}

TEST(ShareMapping, NetworkDrivesShowTheirRemoteNameInLetterOrder)
{
    netdrive::FakeNetDrive drives;
    drives.AddLocalDrives('A', 'W');
    drives.AddConnection('Y', "\\\\10.0.0.5\\music");
    drives.AddConnection('B', "\\\\10.0.0.9\\b");  // a remote letter among local ones
    drives.AddConnection('X', "\\\\10.0.0.5\\lost");
    drives.SetRemoteNameUnreadable('X');
    EXPECT_EQ(
        sharemap::DriveComboEntries(drives),
        (std::vector<std::string>{"Z:", "Y:  \\\\10.0.0.5\\music", "X:  ", "B:  \\\\10.0.0.9\\b"}));
}

TEST(ShareMapping, OnlyAnExactHostBelongsToTheDevice)
{
    EXPECT_TRUE(BelongsToDevice("\\\\10.0.0.5\\music", "10.0.0.5"));
    EXPECT_TRUE(BelongsToDevice("\\\\10.0.0.5", "10.0.0.5"));
    EXPECT_TRUE(BelongsToDevice("\\\\10.0.0.5\\a\\b", "10.0.0.5"));
    EXPECT_FALSE(BelongsToDevice("\\\\10.0.0.50\\music", "10.0.0.5"));
    EXPECT_FALSE(BelongsToDevice("\\\\110.0.0.5\\music", "10.0.0.5"));
    EXPECT_FALSE(BelongsToDevice("\\\\server\\10.0.0.5", "10.0.0.5"));
    EXPECT_FALSE(BelongsToDevice("10.0.0.5\\music", "10.0.0.5"));
    EXPECT_FALSE(BelongsToDevice("", "10.0.0.5"));
    // A device without an address owns nothing (an empty text is in every name).
    EXPECT_FALSE(BelongsToDevice("\\\\10.0.0.5\\music", ""));
    EXPECT_FALSE(BelongsToDevice("\\\\\\music", ""));
}

TEST(ShareMapping, DeviceConnectionsInLetterOrder)
{
    netdrive::FakeNetDrive drives;
    drives.AddConnection('D', "\\\\10.0.0.5\\photos");
    drives.AddConnection('Y', "\\\\10.0.0.5\\music");
    drives.AddConnection('X', "\\\\10.0.0.50\\music");
    drives.AddConnection('M', "\\\\10.0.0.5\\gone");
    drives.SetRemoteNameUnreadable('M');
    const auto rows = sharemap::DeviceConnections(drives, "10.0.0.5");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].remoteName, "\\\\10.0.0.5\\music");
    EXPECT_EQ(rows[0].root, "Y:");
    EXPECT_EQ(rows[1].remoteName, "\\\\10.0.0.5\\photos");
    EXPECT_EQ(rows[1].root, "D:");
}

TEST(ShareMapping, RemoteNamesOfAnyLength)
{
    EXPECT_EQ(sharemap::BuildRemoteName("10.0.0.5", "music"), "\\\\10.0.0.5\\music");
    const std::string longShare(5000, 'm');
    const auto name = sharemap::BuildRemoteName("10.0.0.5", longShare);
    EXPECT_EQ(name.size(), 11u + longShare.size());
    EXPECT_EQ(name.substr(11), longShare);
}
