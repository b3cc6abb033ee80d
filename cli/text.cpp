#include "cli/text.h"

#include <cstdint>
#include <cstdio>

namespace cli {
namespace {

// Length of the valid UTF-8 sequence at `i`, or 0 (overlong forms, surrogates and code
// points past U+10FFFF are invalid).
std::size_t Utf8Sequence(std::string_view s, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t b = at(i);
    if (b < 0x80) return 1;
    std::size_t len;
    std::uint32_t cp;
    if (b >= 0xc2 && b <= 0xdf) {
        len = 2;
        cp = b & 0x1fu;
    } else if (b >= 0xe0 && b <= 0xef) {
        len = 3;
        cp = b & 0x0fu;
    } else if (b >= 0xf0 && b <= 0xf4) {
        len = 4;
        cp = b & 0x07u;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((at(i + k) & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (at(i + k) & 0x3fu);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10ffff ||
        (cp >= 0xd800 && cp <= 0xdfff)) {
        return 0;
    }
    return len;
}

bool IsValidUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8Sequence(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

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

// Code point of the UTF-8 sequence at `i` of valid UTF-8, and its length.
std::uint32_t CodePoint(std::string_view s, std::size_t i, std::size_t& len)
{
    len = Utf8Sequence(s, i);
    if (len == 0) {  // not valid UTF-8 after all: take the byte alone
        len = 1;
        return static_cast<std::uint8_t>(s[i]);
    }
    const auto b = static_cast<std::uint8_t>(s[i]);
    if (len == 1) return b;
    std::uint32_t cp = b & (len == 2 ? 0x1fu : len == 3 ? 0x0fu : 0x07u);
    for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<std::uint8_t>(s[i + k]) & 0x3fu);
    return cp;
}

bool IsControl(std::uint32_t cp)
{
    return cp < 0x20 || (cp >= 0x7f && cp <= 0x9f);
}

}  // namespace

std::string DecodeWireText(std::string_view bytes)
{
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xc0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3f)));
        }
    }
    return out;
}

std::string ForTerminal(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len;
        const std::uint32_t cp = CodePoint(utf8, i, len);
        if (IsControl(cp)) {
            out.push_back('?');
        } else {
            out.append(utf8.substr(i, len));
        }
        i += len;
    }
    return out;
}

std::string JsonString(std::string_view utf8)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len;
        const std::uint32_t cp = CodePoint(utf8, i, len);
        if (cp == '"') {
            out += "\\\"";
        } else if (cp == '\\') {
            out += "\\\\";
        } else if (cp == '\n') {
            out += "\\n";
        } else if (cp == '\t') {
            out += "\\t";
        } else if (IsControl(cp) || (len == 1 && cp >= 0x80)) {
            // Controls are escaped; a stray byte (not UTF-8) is written as its Latin-1 code
            // point so the output stays valid JSON.
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(cp));
            out += buf;
        } else {
            out.append(utf8.substr(i, len));
        }
        i += len;
    }
    out += '"';
    return out;
}

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
