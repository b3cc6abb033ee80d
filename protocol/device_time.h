// The adapter's date and time texts as a calendar time, the one interpretation every front end
// uses: the adapters store plain digit texts, and what they hold is not always a valid date.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace protocol {

// A local calendar time, fields in their natural ranges (month 1-12, hour 0-23, ...).
struct CalendarTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const CalendarTime&) const = default;
};

// The days of `month` (1-12) in `year` (Gregorian); 0 for a month that does not exist.
constexpr int DaysInMonth(int year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Reads one number the way atoi does: leading white space, an optional sign, decimal digits,
// stopping at the first other character. No digits give 0.
int ParseNumberPiece(std::string_view piece);

// Builds a local time from six possibly out-of-range fields. Out-of-range fields carry into
// the next larger one (month 13 is January of the next year, day 0 the last day of the
// previous month) and daylight-saving time follows the local zone's rules. Returns seconds
// since 1 January 1970 UTC (64-bit, so dates past January 2038 work), or nothing when the
// result lies before 1970 or beyond year 9999 (the pickers and the 4-digit year field end there).
std::optional<std::int64_t> MakeLocalTime(int year, int month, int day, int hour, int minute,
                                          int second);

// The adapter's `date` (YYYYMMDD) and `time` (hhmmss) texts as a local time value, each piece
// converted on its own. Nothing when they give no representable time.
std::optional<std::int64_t> DeviceTimeValue(std::string_view date, std::string_view time);

// The local calendar fields of a time value from MakeLocalTime.
CalendarTime LocalCalendarTime(std::int64_t value);

// DeviceTimeValue as calendar fields, out-of-range fields carried: what the wizard's pickers
// show and what an unchanged write sends back. Nothing when the texts give no usable time.
std::optional<CalendarTime> DeviceCalendarTime(std::string_view date, std::string_view time);

// This computer's clock as local calendar fields.
CalendarTime LocalNow();

}  // namespace protocol
