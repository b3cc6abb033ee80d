// The values a user types on the command line: MAC addresses, dotted quads, dates and times;
// and the help text laid out for the terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocol/wire.h"

namespace cli {

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

// `text` with every line longer than `columns` broken at spaces. A line laid out in two
// columns ("  --json            print ...") goes on under its second column; any other under
// its own indentation. A word longer than a line stays whole.
std::string WrapText(std::string_view text, std::size_t columns);

}  // namespace cli
