// Widths and limits of what a user can give an adapter, shared by every front end so the
// window's edits, the command line's checks and the request builders agree.
#pragma once

#include <cstddef>
#include <cstdint>

namespace protocol {

inline constexpr std::size_t kNameWidth = 16;         // device name and administrator name
inline constexpr std::size_t kPasswordWidth = 8;      // administrator password
inline constexpr std::size_t kDescriptionWidth = 64;  // the edit takes this many characters
inline constexpr std::size_t kDescriptionSent = 63;   // characters examined and sent
inline constexpr std::size_t kAddressWidth = 15;      // a dotted quad on the wire
inline constexpr int kTimezoneCount = 75;             // entries of the timezone list
inline constexpr std::uint8_t kNoSelection = 255;     // low byte of "nothing selected" (-1)

}  // namespace protocol
