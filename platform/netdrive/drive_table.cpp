#include "platform/netdrive/drive_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/netdrive/netdrive.h"

namespace netdrive {
namespace {

// Unique names for staging and retiring entries inside the table folder.
std::string TempName(const char* kind)
{
    static std::atomic<unsigned> counter{0};
    return std::string(".") + kind + "-" + std::to_string(getpid()) + "-" +
           std::to_string(counter++);
}

bool WriteFileSynced(const std::string& path, const std::string& content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

std::string InfoText(const DriveEntry& e)
{
    return "remote=" + e.remote + "\nuri=" + e.uri + "\nshare=" + e.shareUri +
           "\nowned=" + (e.owned ? "1" : "0") + "\n";
}

// Removes a retired entry folder: it holds only the files this table writes.
void RemoveEntryFolder(const std::string& path)
{
    for (const char* name : {"info", "mount"}) ::unlink((path + "/" + name).c_str());
    if (::rmdir(path.c_str()) != 0) {
        // A foreign file inside, or the entry was a plain file: leave nothing behind anyway.
        ::unlink(path.c_str());
    }
}

}  // namespace

std::optional<std::string> DriveTable::SessionDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') return std::nullopt;
    return std::string(runtime) + "/dravmoor/drives";
}

std::string DriveTable::EntryPath(char letter) const
{
    return m_dir + "/" + std::string(1, letter) + ":";
}

bool DriveTable::EnsureDir() const
{
    // Create each level; only ours (0700), since credentials never land here but the
    // remote names are the user's business.
    std::string path;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = m_dir.find('/', pos + 1);
        path = m_dir.substr(0, pos);
        if (path.empty()) continue;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(m_dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint32_t DriveTable::Letters() const
{
    std::uint32_t mask = 0;
    for (char c = 'A'; c <= 'Z'; ++c) {
        if (Has(c)) mask |= 1u << (c - 'A');
    }
    return mask;
}

bool DriveTable::Has(char letter) const
{
    struct stat st {};
    return ::lstat(EntryPath(letter).c_str(), &st) == 0;
}

std::optional<DriveEntry> DriveTable::Read(char letter) const
{
    std::ifstream in(EntryPath(letter) + "/info");
    if (!in) return std::nullopt;
    DriveEntry e;
    bool haveRemote = false;
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (key == "remote") {
            e.remote = std::move(value);
            haveRemote = true;
        } else if (key == "uri") {
            e.uri = std::move(value);
        } else if (key == "share") {
            e.shareUri = std::move(value);
        } else if (key == "owned") {
            e.owned = value == "1";
        }
    }
    if (!haveRemote) return std::nullopt;
    char target[4096];
    const ssize_t n = ::readlink((EntryPath(letter) + "/mount").c_str(), target, sizeof target);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof target) {
        e.mountPath.assign(target, static_cast<std::size_t>(n));
    }
    return e;
}

int DriveTable::Create(char letter, const DriveEntry& entry)
{
    if (!EnsureDir()) return kErrNoSessionDir;
    if (Has(letter)) return kErrAlreadyAssigned;
    for (const std::string& text : {entry.remote, entry.uri, entry.shareUri}) {
        if (text.find('\n') != std::string::npos) return kErrBadNetName;
    }

    const std::string staging = m_dir + "/" + TempName("new");
    if (::mkdir(staging.c_str(), 0700) != 0) return kErrNoSessionDir;
    bool ok = WriteFileSynced(staging + "/info", InfoText(entry));
    if (ok && !entry.mountPath.empty()) {
        ok = ::symlink(entry.mountPath.c_str(), (staging + "/mount").c_str()) == 0;
    }
    if (!ok) {
        RemoveEntryFolder(staging);
        return kErrNoSessionDir;
    }
    // renameat2(RENAME_NOREPLACE) is not everywhere; a non-empty folder never replaces an
    // existing entry (ENOTEMPTY, EEXIST, ENOTDIR), which gives the same exclusivity.
    if (::rename(staging.c_str(), EntryPath(letter).c_str()) != 0) {
        const int err = errno;
        RemoveEntryFolder(staging);
        return (err == ENOTEMPTY || err == EEXIST || err == ENOTDIR || err == EISDIR)
                   ? kErrAlreadyAssigned
                   : kErrNoSessionDir;
    }
    return kOk;
}

bool DriveTable::SetOwned(char letter, bool owned)
{
    auto entry = Read(letter);
    if (!entry) return false;
    entry->owned = owned;
    const std::string staging = m_dir + "/" + TempName("info");
    if (!WriteFileSynced(staging, InfoText(*entry))) return false;
    if (::rename(staging.c_str(), (EntryPath(letter) + "/info").c_str()) != 0) {
        ::unlink(staging.c_str());
        return false;
    }
    return true;
}

int DriveTable::Remove(char letter)
{
    // Retire the entry under a hidden name first: the letter is free the moment this
    // succeeds, and the clean-up after it cannot leave a half entry behind.
    const std::string retired = m_dir + "/" + TempName("old");
    if (::rename(EntryPath(letter).c_str(), retired.c_str()) != 0) {
        return errno == ENOENT ? kErrNotConnected : kErrNoSessionDir;
    }
    RemoveEntryFolder(retired);
    return kOk;
}

std::vector<char> DriveTable::LettersOnShare(const std::string& shareUri) const
{
    std::vector<char> letters;
    for (char c = 'A'; c <= 'Z'; ++c) {
        auto e = Read(c);
        if (e && e->shareUri == shareUri) letters.push_back(c);
    }
    return letters;
}

}  // namespace netdrive
