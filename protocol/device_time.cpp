#include "protocol/device_time.h"

#include <cctype>
#include <ctime>
#include <limits>

namespace protocol {

namespace {

constexpr int kLastYear = 9999;

// The `width` characters at `offset`, fewer when the text ends early.
std::string_view Piece(std::string_view text, std::size_t offset, std::size_t width)
{
    if (offset >= text.size()) return {};
    return text.substr(offset, width);
}

}  // namespace

int ParseNumberPiece(std::string_view piece)
{
    std::size_t i = 0;
    while (i < piece.size() && std::isspace(static_cast<unsigned char>(piece[i]))) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        negative = piece[i] == '-';
        ++i;
    }
    // The pieces are at most four characters, but clamp so a longer one can never overflow.
    long long value = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
        if (value < std::numeric_limits<int>::max()) value = value * 10 + (piece[i] - '0');
    }
    if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
    return static_cast<int>(negative ? -value : value);
}

std::optional<std::int64_t> MakeLocalTime(int year, int month, int day, int hour, int minute,
                                          int second)
{
    // Far outside the supported span the tm fields themselves could overflow.
    if (year < -100000 || year > 100000) return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;  // let the zone's rules decide
    static_assert(sizeof(std::time_t) >= 8, "dates past January 2038 need a 64-bit time_t");
    const std::time_t value = std::mktime(&tm);
    // mktime's error value -1 is also a time before 1970, which is refused anyway.
    if (value < 0) return std::nullopt;
    if (tm.tm_year + 1900 > kLastYear) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::optional<std::int64_t> DeviceTimeValue(std::string_view date, std::string_view time)
{
    return MakeLocalTime(ParseNumberPiece(Piece(date, 0, 4)), ParseNumberPiece(Piece(date, 4, 2)),
                         ParseNumberPiece(Piece(date, 6, 2)), ParseNumberPiece(Piece(time, 0, 2)),
                         ParseNumberPiece(Piece(time, 2, 2)), ParseNumberPiece(Piece(time, 4, 2)));
}

CalendarTime LocalCalendarTime(std::int64_t value)
{
    const std::time_t t = static_cast<std::time_t>(value);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                        tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::optional<CalendarTime> DeviceCalendarTime(std::string_view date, std::string_view time)
{
    const auto value = DeviceTimeValue(date, time);
    if (!value) return std::nullopt;
    return LocalCalendarTime(*value);
}

CalendarTime LocalNow()
{
    return LocalCalendarTime(static_cast<std::int64_t>(std::time(nullptr)));
}

}  // namespace protocol
