// The per-session drive letter table: entries appear whole or not at all, a letter is taken
// once, removal leaves nothing behind, and odd entries still reserve their letter.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/netdrive/drive_table.h"
#include "platform/netdrive/netdrive.h"

namespace {

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

class DriveTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/drive-table-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = pattern;
        m_dir = m_root + "/dravmoor/drives";
    }
    void TearDown() override
    {
        const std::string cmd = "rm -rf '" + m_root + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }

    static netdrive::DriveEntry Entry(const std::string& share, bool owned)
    {
        netdrive::DriveEntry e;
        e.remote = "\\\\10.0.0.5\\" + share;
        e.uri = "smb://10.0.0.5/" + share + "/";
        e.shareUri = e.uri;
        e.mountPath = "/run/user/1000/gvfs/smb-share:server=10.0.0.5,share=" + share;
        e.owned = owned;
        return e;
    }

    std::string m_root;
    std::string m_dir;
};

}  // namespace

TEST_F(DriveTableTest, EntriesRoundTripAndReserveTheirLetter)
{
    netdrive::DriveTable table(m_dir);
    EXPECT_EQ(table.Letters(), 0u);  // no folder yet
    ASSERT_EQ(table.Create('Z', Entry("music", true)), netdrive::kOk);
    ASSERT_EQ(table.Create('C', Entry("photos", false)), netdrive::kOk);

    EXPECT_EQ(table.Letters(), (1u << 25) | (1u << 2));
    const auto z = table.Read('Z');
    ASSERT_TRUE(z);
    EXPECT_EQ(z->remote, "\\\\10.0.0.5\\music");
    EXPECT_EQ(z->uri, "smb://10.0.0.5/music/");
    EXPECT_EQ(z->mountPath, "/run/user/1000/gvfs/smb-share:server=10.0.0.5,share=music");
    EXPECT_TRUE(z->owned);
    EXPECT_FALSE(table.Read('C')->owned);

    EXPECT_EQ(table.Create('Z', Entry("other", true)), netdrive::kErrAlreadyAssigned);
    EXPECT_EQ(table.Read('Z')->remote, "\\\\10.0.0.5\\music");

    // The folders are the user's alone.
    struct stat st {};
    ASSERT_EQ(stat(m_dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // No staging leftovers beside the two entries.
    auto names = Listing(m_dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"C:", "Z:"}));
}

TEST_F(DriveTableTest, RemovalFreesTheLetterCompletely)
{
    netdrive::DriveTable table(m_dir);
    ASSERT_EQ(table.Create('Y', Entry("music", true)), netdrive::kOk);
    EXPECT_EQ(table.Remove('Y'), netdrive::kOk);
    EXPECT_FALSE(table.Has('Y'));
    EXPECT_TRUE(Listing(m_dir).empty());
    EXPECT_EQ(table.Remove('Y'), netdrive::kErrNotConnected);
    EXPECT_EQ(table.Create('Y', Entry("music", true)), netdrive::kOk);
}

TEST_F(DriveTableTest, ForeignOrBrokenEntriesStillReserveTheLetter)
{
    netdrive::DriveTable table(m_dir);
    ASSERT_EQ(table.Create('A', Entry("x", false)), netdrive::kOk);
    std::ofstream(m_dir + "/Q:") << "junk";
    ASSERT_EQ(symlink("/nonexistent", (m_dir + "/R:").c_str()), 0);

    EXPECT_NE(table.Letters() & (1u << ('Q' - 'A')), 0u);
    EXPECT_NE(table.Letters() & (1u << ('R' - 'A')), 0u);
    EXPECT_FALSE(table.Read('Q'));
    EXPECT_FALSE(table.Read('R'));
    EXPECT_EQ(table.Create('Q', Entry("x", false)), netdrive::kErrAlreadyAssigned);
    EXPECT_EQ(table.Create('R', Entry("x", false)), netdrive::kErrAlreadyAssigned);
    // Removing a broken entry is allowed and frees the letter.
    EXPECT_EQ(table.Remove('Q'), netdrive::kOk);
    EXPECT_FALSE(table.Has('Q'));
}

TEST_F(DriveTableTest, OwnershipMovesBetweenLettersOfOneShare)
{
    netdrive::DriveTable table(m_dir);
    ASSERT_EQ(table.Create('X', Entry("music", true)), netdrive::kOk);
    ASSERT_EQ(table.Create('W', Entry("music", false)), netdrive::kOk);
    ASSERT_EQ(table.Create('V', Entry("photos", true)), netdrive::kOk);
    EXPECT_EQ(table.LettersOnShare("smb://10.0.0.5/music/"), (std::vector<char>{'W', 'X'}));
    ASSERT_TRUE(table.SetOwned('W', true));
    EXPECT_TRUE(table.Read('W')->owned);
    EXPECT_EQ(table.Read('W')->remote, "\\\\10.0.0.5\\music");
    EXPECT_FALSE(table.SetOwned('U', true));
    EXPECT_EQ(Listing(m_dir).size(), 3u);
}

TEST_F(DriveTableTest, TextsThatWouldBreakTheFileAreRefused)
{
    netdrive::DriveTable table(m_dir);
    auto e = Entry("music", true);
    e.remote += "\nowned=1";
    EXPECT_EQ(table.Create('Z', e), netdrive::kErrBadNetName);
    EXPECT_FALSE(table.Has('Z'));
    EXPECT_TRUE(Listing(m_dir).empty());
}
