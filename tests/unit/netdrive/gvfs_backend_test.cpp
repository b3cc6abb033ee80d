// The GVfs backend where no GVfs runs: it answers from its letter table, refuses bad names
// before touching the system, and reports a missing service at once instead of waiting.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>

#include "platform/netdrive/drive_table.h"
#include "platform/netdrive/netdrive_gvfs.h"

namespace {

class GvfsBackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Only the local file system: what a machine without GVfs or a session bus offers.
        setenv("GIO_USE_VFS", "local", 1);
    }
    void SetUp() override
    {
        char pattern[] = "/tmp/gvfs-backend-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_root = pattern;
        netdrive::GvfsOptions options;
        options.tableDir = m_root + "/drives";
        m_drives = netdrive::CreateGvfsNetDrive(options);
        m_table = std::make_unique<netdrive::DriveTable>(m_root + "/drives");
    }
    void TearDown() override
    {
        const std::string cmd = "rm -rf '" + m_root + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }

    void AddEntry(char letter, const std::string& remote, bool owned)
    {
        netdrive::DriveEntry e;
        e.remote = remote;
        e.uri = e.shareUri = "smb://10.0.0.5/music/";
        e.owned = owned;
        ASSERT_EQ(m_table->Create(letter, e), netdrive::kOk);
    }

    std::string m_root;
    std::unique_ptr<netdrive::NetDrive> m_drives;
    std::unique_ptr<netdrive::DriveTable> m_table;
};

}  // namespace

TEST_F(GvfsBackendTest, LettersComeFromTheTableOnly)
{
    // The machine's own disks are never "in use" here: only the table's letters are.
    EXPECT_EQ(m_drives->DrivesInUse(), 0u);
    AddEntry('Y', "\\\\10.0.0.5\\music", true);
    EXPECT_EQ(m_drives->DrivesInUse(), 1u << ('Y' - 'A'));
    EXPECT_TRUE(m_drives->IsRemote("Y:"));
    EXPECT_TRUE(m_drives->IsRemote("y:"));
    EXPECT_FALSE(m_drives->IsRemote("C:"));
    EXPECT_FALSE(m_drives->IsRemote("Y:\\"));
    EXPECT_EQ(m_drives->RemoteName("Y:"), "\\\\10.0.0.5\\music");
    EXPECT_FALSE(m_drives->RemoteName("C:"));
}

TEST_F(GvfsBackendTest, BadNamesAreRefusedBeforeTheSystemIsAsked)
{
    AddEntry('Z', "\\\\10.0.0.5\\music", true);
    EXPECT_EQ(m_drives->Connect("ZZ", "\\\\10.0.0.5\\music", "", ""), netdrive::kErrBadDevice);
    EXPECT_EQ(m_drives->Connect("Z:", "\\\\10.0.0.5\\music", "", ""),
              netdrive::kErrAlreadyAssigned);
    EXPECT_EQ(m_drives->Connect("X:", "\\\\10.0.0.5", "", ""), netdrive::kErrBadNetName);
    EXPECT_EQ(m_drives->Connect("X:", "music", "", ""), netdrive::kErrBadNetName);
    EXPECT_EQ(m_drives->Disconnect("1:"), netdrive::kErrBadDevice);
    EXPECT_EQ(m_drives->Disconnect("X:"), netdrive::kErrNotConnected);
}

TEST_F(GvfsBackendTest, MissingGvfsIsReportedAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_drives->Connect("X:", "\\\\10.0.0.5\\music", "user", "pw"),
              netdrive::kErrNoNetwork);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(m_drives->DrivesInUse(), 0u);

    // A connection this program mounted cannot be taken down without GVfs: the letter stays.
    AddEntry('W', "\\\\10.0.0.5\\music", true);
    EXPECT_EQ(m_drives->Disconnect("W:"), netdrive::kErrNoNetwork);
    EXPECT_TRUE(m_drives->IsRemote("W:"));
    // One it only borrowed is just forgotten.
    AddEntry('V', "\\\\10.0.0.5\\music", false);
    EXPECT_EQ(m_drives->Disconnect("V:"), netdrive::kOk);
    EXPECT_FALSE(m_drives->IsRemote("V:"));
}

TEST_F(GvfsBackendTest, NoSessionFolderNoConnections)
{
    const char* saved = getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved != nullptr ? saved : "";
    unsetenv("XDG_RUNTIME_DIR");
    auto drives = netdrive::CreateGvfsNetDrive();
    EXPECT_EQ(drives->DrivesInUse(), 0u);
    EXPECT_EQ(drives->Connect("X:", "\\\\10.0.0.5\\music", "", ""), netdrive::kErrNoSessionDir);
    EXPECT_EQ(drives->Disconnect("X:"), netdrive::kErrNotConnected);
    if (saved != nullptr) setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}
