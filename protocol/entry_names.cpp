#include "protocol/entry_names.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace protocol {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string_view TrimSpaces(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<int> FindNamedEntry(std::span<const std::string_view> entries, std::string_view text,
                                  int* matches)
{
    if (matches) *matches = 0;
    const std::string wanted = Lower(TrimSpaces(text));
    if (wanted.empty()) return std::nullopt;
    // A whole text first: it names its entry even where a longer entry holds it too.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (Lower(TrimSpaces(entries[i])) == wanted) {
            if (matches) *matches = 1;
            return static_cast<int>(i);
        }
    }
    std::optional<int> found;
    int count = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (Lower(entries[i]).find(wanted) == std::string::npos) continue;
        ++count;
        found = static_cast<int>(i);
    }
    if (matches) *matches = count;
    return count == 1 ? found : std::nullopt;
}

}  // namespace protocol
