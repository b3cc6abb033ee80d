#include "cli/text.h"

#include <cstdint>
#include <string>

namespace cli {
namespace {

bool Digits(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int Number(std::string_view s)
{
    int n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<protocol::Mac> ParseMac(std::string_view text)
{
    if (text.size() != 17) return std::nullopt;
    const char sep = text[2];
    if (sep != ':' && sep != '-') return std::nullopt;
    protocol::Mac mac{};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != sep) return std::nullopt;
        const int hi = HexDigit(text[at]), lo = HexDigit(text[at + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return mac;
}

bool IsDottedQuad(std::string_view text)
{
    if (text.size() > 15) return false;
    int parts = 0;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (!Digits(part) || part.size() > 3 || Number(part) > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    return parts == 4;
}

std::optional<Date> ParseDate(std::string_view text)
{
    std::string digits;
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        digits = std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) +
                 std::string(text.substr(8, 2));
    } else {
        digits = text;
    }
    if (digits.size() != 8 || !Digits(digits)) return std::nullopt;
    Date d{Number(std::string_view(digits).substr(0, 4)),
           Number(std::string_view(digits).substr(4, 2)),
           Number(std::string_view(digits).substr(6, 2))};
    if (d.year < 1970 || d.month < 1 || d.month > 12 || d.day < 1) return std::nullopt;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    const int days = kDays[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
    if (d.day > days) return std::nullopt;
    return d;
}

std::optional<TimeOfDay> ParseTime(std::string_view text)
{
    std::string digits;
    if (text.size() == 8 && text[2] == ':' && text[5] == ':') {
        digits = std::string(text.substr(0, 2)) + std::string(text.substr(3, 2)) +
                 std::string(text.substr(6, 2));
    } else {
        digits = text;
    }
    if (digits.size() != 6 || !Digits(digits)) return std::nullopt;
    const std::string_view d = digits;
    TimeOfDay t{Number(d.substr(0, 2)), Number(d.substr(2, 2)), Number(d.substr(4, 2))};
    if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
    return t;
}

}  // namespace cli
