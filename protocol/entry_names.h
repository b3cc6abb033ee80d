// Which entry of a fixed list (the timezone list, the addressing modes) a typed text names.
// One rule for every front end: the window's editable combo boxes and the command line.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace protocol {

// The entry whose whole text `text` is, or the one entry that holds it as a part; case and
// the spaces around either text are ignored ("  brussels " names "(GMT+01:00) Brussels, ...").
// nullopt when it names none or several; `matches` then tells how many hold it as a part.
std::optional<int> FindNamedEntry(std::span<const std::string_view> entries, std::string_view text,
                                  int* matches = nullptr);

// `text` without the spaces and tabs around it.
std::string_view TrimSpaces(std::string_view text);

}  // namespace protocol
