// Drive letters and UNC names taken apart, and the smb:// locations built from them.
#include <gtest/gtest.h>

#include "platform/netdrive/remote_name.h"

using netdrive::FullUri;
using netdrive::ParseLocalName;
using netdrive::ParseRemoteName;
using netdrive::ShareUri;

TEST(RemoteName, LocalNamesAreALetterAndAColon)
{
    EXPECT_EQ(ParseLocalName("Z:"), 'Z');
    EXPECT_EQ(ParseLocalName("a:"), 'A');
    for (const char* bad : {"", "Z", "Z:\\", "ZZ:", "1:", "@:", ":Z"}) {
        EXPECT_FALSE(ParseLocalName(bad)) << bad;
    }
}

TEST(RemoteName, HostShareAndFolders)
{
    auto n = ParseRemoteName("\\\\10.0.0.5\\music");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->host, "10.0.0.5");
    EXPECT_EQ(n->share, "music");
    EXPECT_TRUE(n->path.empty());

    n = ParseRemoteName("\\\\nas-1\\music\\rock\\70s\\");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->host, "nas-1");
    EXPECT_EQ(n->path, (std::vector<std::string>{"rock", "70s"}));
    EXPECT_EQ(FullUri(*n), "smb://nas-1/music/rock/70s/");
    EXPECT_EQ(ShareUri(*n), "smb://nas-1/music/");
}

TEST(RemoteName, MalformedNamesAreRefused)
{
    for (const char* bad :
         {"", "\\\\", "\\\\host", "\\\\host\\", "\\host\\share", "//host/share", "\\\\\\share",
          "\\\\ho st\\share", "\\\\host\\a/b", "\\\\host\\share\\\\x", "\\\\host\\..",
          "\\\\host\\share\\.", "\\\\host\\sh\nare", "\\\\host@evil\\share"}) {
        EXPECT_FALSE(ParseRemoteName(bad)) << bad;
    }
}

TEST(RemoteName, AnyShareTextStaysOneEscapedSegment)
{
    auto n = ParseRemoteName("\\\\10.0.0.5\\my music#1%?&=");
    ASSERT_TRUE(n);
    EXPECT_EQ(ShareUri(*n), "smb://10.0.0.5/my%20music%231%25%3F%26%3D/");

    // Length is the system's business: nothing is cut or overrun here.
    const std::string longShare(10000, 's');
    n = ParseRemoteName("\\\\10.0.0.5\\" + longShare);
    ASSERT_TRUE(n);
    EXPECT_EQ(n->share, longShare);
    EXPECT_EQ(ShareUri(*n).size(), std::string("smb://10.0.0.5//").size() + longShare.size());

    n = ParseRemoteName("\\\\10.0.0.5\\\xc3\xa9t\xc3\xa9");
    ASSERT_TRUE(n);
    EXPECT_EQ(ShareUri(*n), "smb://10.0.0.5/%C3%A9t%C3%A9/");
}
