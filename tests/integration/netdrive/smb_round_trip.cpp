// Drives the Linux network-drive backend against a real SMB server: guest and password
// shares mounted through GVfs on drive letters, listed, read through the mount, refused
// credentials and missing shares reported, everything unmounted and the letter table empty.
//   smb_round_trip SERVER USER PASSWORD EXPECTED_TEXT
// The server offers [public] (guest) and [box] (USER only), each with hello.txt holding
// EXPECTED_TEXT. With DRAVMOOR_SMBD_PID set, the server is also stopped for a moment to see a
// silent server end in a time-out. Prints one line starting "PASS" on success.
#include <dirent.h>
#include <gio/gio.h>
#include <signal.h>

#include <cstdlib>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/netdrive/drive_table.h"
#include "platform/netdrive/netdrive.h"
#include "platform/netdrive/netdrive_gvfs.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what)
{
    if (!ok) {
        ++g_failures;
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    }
}

void CheckCode(int got, int want, const std::string& what)
{
    Check(got == want,
          what + ": result " + std::to_string(got) + ", expected " + std::to_string(want));
}

long long MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Reads `name` of the share behind `letter`: through the local mount path when the system
// offers one (GVfs's FUSE folder), else through GIO on the share's location.
std::string ReadThroughLetter(char letter, const std::string& name, std::string& how)
{
    const auto dir = netdrive::DriveTable::SessionDir();
    if (!dir) return {};
    const auto entry = netdrive::DriveTable(*dir).Read(letter);
    if (!entry) return {};
    if (!entry->mountPath.empty()) {
        // Through the entry's own link, as a user's program would open X:\hello.txt.
        const std::string path = *dir + "/" + std::string(1, letter) + ":/mount/" + name;
        std::ifstream in(path, std::ios::binary);
        if (in) {
            how = "the FUSE mount";
            std::ostringstream text;
            text << in.rdbuf();
            return text.str();
        }
    }
    how = "GIO (no local mount path)";
    GFile* file = g_file_new_for_uri((entry->uri + name).c_str());
    char* contents = nullptr;
    gsize length = 0;
    std::string text;
    if (g_file_load_contents(file, nullptr, &contents, &length, nullptr, nullptr)) {
        text.assign(contents, length);
        g_free(contents);
    }
    g_object_unref(file);
    return text;
}

bool StillMounted(const std::string& uri)
{
    GFile* file = g_file_new_for_uri(uri.c_str());
    GMount* mount = g_file_find_enclosing_mount(file, nullptr, nullptr);
    g_object_unref(file);
    if (mount == nullptr) return false;
    g_object_unref(mount);
    return true;
}

int VisibleEntries(const std::string& dir)
{
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return 0;
    int n = 0;
    while (const dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') ++n;
    }
    closedir(d);
    return n;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s SERVER USER PASSWORD EXPECTED_TEXT\n", argv[0]);
        return 2;
    }
    const std::string server = argv[1], user = argv[2], password = argv[3], expected = argv[4];
    const std::string pub = "\\\\" + server + "\\public";
    const std::string box = "\\\\" + server + "\\box";
    const auto tableDir = netdrive::DriveTable::SessionDir();
    if (!tableDir) {
        std::fprintf(stderr, "FAIL: XDG_RUNTIME_DIR is not set\n");
        return 1;
    }

    netdrive::GvfsOptions options;
    options.mountTimeoutMs = 15000;
    auto drives = netdrive::CreateGvfsNetDrive(options);
    const auto start = std::chrono::steady_clock::now();

    CheckCode(static_cast<int>(drives->DrivesInUse()), 0, "no letters before the test");

    // Refusals first, while nothing is mounted (a mounted share would be reused).
    CheckCode(drives->Connect("X:", box, user, password + "x"), netdrive::kErrInvalidPassword,
              "wrong password");
    CheckCode(drives->Connect("X:", "\\\\" + server + "\\nosuch", "", ""), netdrive::kErrBadNetPath,
              "missing share");
    CheckCode(drives->Connect("X:", "\\\\" + server, "", ""), netdrive::kErrBadNetName,
              "remote name without a share");
    Check(drives->DrivesInUse() == 0, "refused connections leave no letter behind");

    auto t = std::chrono::steady_clock::now();
    CheckCode(drives->Connect("Z:", pub, "", ""), netdrive::kOk, "guest share on Z:");
    const long long guestMs = MsSince(t);
    t = std::chrono::steady_clock::now();
    CheckCode(drives->Connect("Y:", box, user, password), netdrive::kOk, "password share on Y:");
    const long long userMs = MsSince(t);
    CheckCode(drives->Connect("Z:", box, user, password), netdrive::kErrAlreadyAssigned,
              "letter taken");

    const std::uint32_t yz = (1u << ('Y' - 'A')) | (1u << ('Z' - 'A'));
    Check(drives->DrivesInUse() == yz, "Y: and Z: in use, nothing else");
    Check(drives->IsRemote("Z:") && drives->IsRemote("Y:") && !drives->IsRemote("X:"),
          "Y: and Z: are network drives, X: is not");
    Check(drives->RemoteName("Z:") == pub, "remote name of Z:");
    Check(drives->RemoteName("Y:") == box, "remote name of Y:");

    std::string how;
    Check(ReadThroughLetter('Z', "hello.txt", how) == expected, "read hello.txt on Z:");
    const std::string howGuest = how;
    Check(ReadThroughLetter('Y', "hello.txt", how) == expected, "read hello.txt on Y:");

    // A second letter on a mounted share shares the mount; removing the letter that mounted
    // it must leave the mount to the other one.
    CheckCode(drives->Connect("X:", pub, "", ""), netdrive::kOk,
              "second letter on the guest share");
    CheckCode(drives->Disconnect("Z:"), netdrive::kOk, "disconnect Z:");
    Check(StillMounted("smb://" + server + "/public/"), "X: keeps the guest mount alive");
    Check(ReadThroughLetter('X', "hello.txt", how) == expected, "read hello.txt on X:");
    CheckCode(drives->Disconnect("X:"), netdrive::kOk, "disconnect X:");
    CheckCode(drives->Disconnect("Y:"), netdrive::kOk, "disconnect Y:");
    CheckCode(drives->Disconnect("Y:"), netdrive::kErrNotConnected, "disconnect Y: twice");

    Check(drives->DrivesInUse() == 0, "no letters after the test");
    Check(VisibleEntries(*tableDir) == 0, "letter table empty");
    Check(!StillMounted("smb://" + server + "/public/"), "guest share unmounted");
    Check(!StillMounted("smb://" + server + "/box/"), "password share unmounted");

    // A server that takes the connection but never answers: the wait ends at our time-out.
    long long stalledMs = -1;
    if (const char* pid = std::getenv("DRAVMOOR_SMBD_PID")) {
        netdrive::GvfsOptions impatient;
        impatient.mountTimeoutMs = 2000;
        auto stalled = netdrive::CreateGvfsNetDrive(impatient);
        const pid_t smbd = static_cast<pid_t>(std::atoll(pid));
        Check(kill(smbd, SIGSTOP) == 0, "stop smbd");
        t = std::chrono::steady_clock::now();
        CheckCode(stalled->Connect("W:", pub, "", ""), netdrive::kErrTimeout, "silent server");
        stalledMs = MsSince(t);
        kill(smbd, SIGCONT);
        Check(stalledMs < 2000 + 2500,
              "the silent server cost no more than the time-out and grace");
        Check(drives->DrivesInUse() == 0, "a timed-out connection leaves no letter behind");
    }

    if (g_failures != 0) {
        std::fprintf(stderr, "%d check(s) failed\n", g_failures);
        return 1;
    }
    std::printf(
        "PASS netdrive samba round trip: %s (guest, %lld ms) on Z: and %s (user %s, %lld ms) on "
        "Y: mounted through GVfs, hello.txt read through %s, wrong password -> %d, missing share "
        "-> %d, shared mount handed over, all unmounted, letter table empty, stalled server -> %d "
        "after %lld ms (%lld ms total)\n",
        pub.c_str(), guestMs, box.c_str(), user.c_str(), userMs, howGuest.c_str(),
        netdrive::kErrInvalidPassword, netdrive::kErrBadNetPath, netdrive::kErrTimeout, stalledMs,
        MsSince(start));
    return 0;
}
