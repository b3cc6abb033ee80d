// The per-login-session drive letter table of the Linux backend: one folder entry per letter
// under $XDG_RUNTIME_DIR/dravmoor/drives/ (a tmpfs the session manager removes at logout, so
// nothing is remembered for later logons). Each entry "X:" holds
//   info   remote=\\host\share, uri=smb://..., share=smb://host/share/, owned=0|1
//   mount  symlink to the share's local (FUSE) path, when the system offers one
// Entries appear and disappear atomically (rename), so a reader never sees half an entry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace netdrive {

struct DriveEntry {
    std::string remote;     // the remote name as given to Connect
    std::string uri;        // the location the letter stands for
    std::string shareUri;   // the mount it lives on
    std::string mountPath;  // local path of `uri`, empty when there is none
    bool owned = false;     // this program mounted the share
};

class DriveTable {
public:
    explicit DriveTable(std::string dir) : m_dir(std::move(dir)) {}

    // $XDG_RUNTIME_DIR/dravmoor/drives, or nothing when the variable is unset or relative.
    static std::optional<std::string> SessionDir();

    const std::string& dir() const { return m_dir; }
    // Letters with an entry of any kind: a broken entry still reserves its letter.
    std::uint32_t Letters() const;
    bool Has(char letter) const;
    std::optional<DriveEntry> Read(char letter) const;
    // 0, or the netdrive result code (taken letter, table folder not writable).
    int Create(char letter, const DriveEntry& entry);
    // Rewrites the owned flag of an existing entry in place (atomically).
    bool SetOwned(char letter, bool owned);
    // 0, or kErrNotConnected when there is no entry.
    int Remove(char letter);
    // The letters whose entries live on the mount `shareUri`.
    std::vector<char> LettersOnShare(const std::string& shareUri) const;

private:
    std::string EntryPath(char letter) const;
    bool EnsureDir() const;

    std::string m_dir;
};

}  // namespace netdrive
