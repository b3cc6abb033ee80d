#include "platform/netdrive/remote_name.h"

#include <cctype>

namespace netdrive {
namespace {

bool IsHostChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' || c == '_';
}

bool IsValidComponent(const std::string& part)
{
    if (part.empty() || part == "." || part == "..") return false;
    for (char c : part) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '/') return false;
    }
    return true;
}

// Everything but RFC 3986's unreserved characters is escaped, so any share text (spaces,
// '%', '#', '?', non-ASCII bytes) stays one path segment.
std::string Escape(const std::string& text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0x0f];
        }
    }
    return out;
}

}  // namespace

std::optional<char> ParseLocalName(const std::string& localName)
{
    if (localName.size() != 2 || localName[1] != ':') return std::nullopt;
    const auto c = static_cast<char>(std::toupper(static_cast<unsigned char>(localName[0])));
    if (c < 'A' || c > 'Z') return std::nullopt;
    return c;
}

std::optional<UncName> ParseRemoteName(const std::string& remoteName)
{
    if (remoteName.size() < 2 || remoteName[0] != '\\' || remoteName[1] != '\\') {
        return std::nullopt;
    }
    std::vector<std::string> parts;
    std::string current;
    for (std::size_t i = 2; i < remoteName.size(); ++i) {
        if (remoteName[i] == '\\') {
            parts.push_back(current);
            current.clear();
        } else {
            current += remoteName[i];
        }
    }
    // One trailing backslash is allowed and means nothing.
    if (!current.empty() || parts.empty()) parts.push_back(current);

    if (parts.size() < 2) return std::nullopt;
    UncName name;
    name.host = parts[0];
    if (name.host.empty()) return std::nullopt;
    for (char c : name.host) {
        if (!IsHostChar(c)) return std::nullopt;
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (!IsValidComponent(parts[i])) return std::nullopt;
    }
    name.share = parts[1];
    name.path.assign(parts.begin() + 2, parts.end());
    return name;
}

std::string ShareUri(const UncName& name)
{
    return "smb://" + name.host + "/" + Escape(name.share) + "/";
}

std::string FullUri(const UncName& name)
{
    std::string uri = ShareUri(name);
    for (const auto& folder : name.path) uri += Escape(folder) + "/";
    return uri;
}

}  // namespace netdrive
