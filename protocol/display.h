// What a user reads: the adapters' 8-bit field bytes decoded, and the panel and disk texts of
// the status query, formatted once for every front end (the window, the command line).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/device_info.h"
#include "protocol/status_query.h"

namespace protocol {

// Wire texts have no declared encoding. Each valid UTF-8 sequence is kept, every other byte
// is read as Latin-1, so a name that mixes both shows both; nothing is lost or invented. The
// text ends at the first zero byte. The result is UTF-8. Format characters that reorder or
// hide text (bidirectional overrides, isolates and marks, zero-width and invisible ones,
// line and paragraph separators) become U+FFFD, visible wherever the text is shown.
std::string DecodeWireText(std::string_view bytes);

template <std::size_t N>
std::string DisplayText(const std::array<char, N>& field)
{
    return DecodeWireText(FieldText(field));
}

// The main window's five panel texts (firmware, IP address, MAC, description, IP status) and
// the five columns of a disk row, decoded.
std::array<std::string, 5> PanelTexts(const DeviceInfo& device);
std::array<std::string, 5> DiskTexts(const Disk& disk);

// Terminal columns a UTF-8 text takes: East Asian wide and full-width characters count two,
// combining marks none, everything else one.
std::size_t DisplayWidth(std::string_view utf8);

}  // namespace protocol
