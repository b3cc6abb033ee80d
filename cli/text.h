// Text handling of the command-line client: turning the adapters' 8-bit field bytes into
// something safe to print or to put in JSON, and parsing the values a user types.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocol/wire.h"

namespace cli {

// Wire texts have no declared encoding. Valid UTF-8 is kept; anything else is read as
// Latin-1, so every byte maps to one character and nothing is lost or invented.
std::string DecodeWireText(std::string_view bytes);
// For a terminal: control characters (C0, DEL, C1) become '?', so an adapter cannot send
// escape sequences to the user's terminal.
std::string ForTerminal(std::string_view utf8);
// A JSON string literal, quotes included. Expects UTF-8 (DecodeWireText's output).
std::string JsonString(std::string_view utf8);

// "02:44:4d:00:00:01" or "02-44-4D-00-00-01".
std::optional<protocol::Mac> ParseMac(std::string_view text);
// Four decimal numbers 0..255 separated by dots, at most 15 characters.
bool IsDottedQuad(std::string_view text);

struct Date {
    int year, month, day;
};
struct TimeOfDay {
    int hour, minute, second;
};
// "YYYY-MM-DD" or "YYYYMMDD", a real calendar date in 1970..9999.
std::optional<Date> ParseDate(std::string_view text);
// "hh:mm:ss" or "hhmmss".
std::optional<TimeOfDay> ParseTime(std::string_view text);

}  // namespace cli
