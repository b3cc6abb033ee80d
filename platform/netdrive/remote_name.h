// Drive letters and UNC remote names taken apart, and the smb:// location a UNC name stands
// for. Plain string work, shared by the backends that have no native UNC support.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace netdrive {

// "X:" or "x:" gives 'X'; anything else (a root with backslash, a longer text) nothing.
std::optional<char> ParseLocalName(const std::string& localName);

struct UncName {
    std::string host;
    std::string share;
    std::vector<std::string> path;  // folders below the share, may be empty
};

// \\host\share[\folder...] with an optional trailing backslash. The host is a name or dotted
// address ([A-Za-z0-9.-_]); share and folders may hold any character but control characters,
// '/' and the names "." and "..". The system judges everything else (length, existence).
std::optional<UncName> ParseRemoteName(const std::string& remoteName);

// smb://host/share/ (the mount), and the full location with the folders, percent-encoded.
std::string ShareUri(const UncName& name);
std::string FullUri(const UncName& name);

}  // namespace netdrive
