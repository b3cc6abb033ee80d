// The share mapping's corner cases below the dialog: unreadable remote names, network letters
// over local ones, and which connections belong to a device.
#include <gtest/gtest.h>

#include "platform/netdrive/fake_netdrive.h"
#include "sharemap/share_mapping.h"

using sharemap::BelongsToDevice;

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
