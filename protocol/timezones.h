// The timezone list of the system settings: adapters store and exchange the position of an
// entry (0 to 74), never its text. The window shows the texts; the command line prints and
// matches them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/limits.h"

namespace protocol {

// The texts as they stand, trailing spaces included.
const std::array<std::string_view, kTimezoneCount>& TimezoneTexts();

// A position given as a number (0 to 74), or an entry named as FindNamedEntry names it (its
// whole text, or a part that no other entry holds, e.g. "Beijing"). nullopt when it names
// none or several; `matches` then tells how many entries hold the part (0 for a bad number).
std::optional<int> FindTimezone(std::string_view text, int* matches = nullptr);

}  // namespace protocol
