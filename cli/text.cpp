#include "cli/text.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/device_time.h"

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
    if (d.year < 1970 || d.day < 1 || d.day > protocol::DaysInMonth(d.year, d.month))
        return std::nullopt;
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

namespace {

// Terminal columns of UTF-8 text: one per character (the help text has no wide ones).
std::size_t Columns(std::string_view text)
{
    std::size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// Where the continuation of `line` starts: its second column when it has one (two spaces
// before a word, within the first half); else where the next line goes on further in (a
// synopsis continued under its arguments); else its own indentation.
std::size_t HangingIndent(std::string_view line, std::string_view next, std::size_t columns)
{
    const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
    const std::size_t gap = line.find("  ", indent);
    if (gap != std::string_view::npos) {
        const std::size_t second = line.find_first_not_of(' ', gap);
        if (second != std::string_view::npos && second <= columns / 2) return second;
    }
    const std::size_t further = next.find_first_not_of(' ');
    if (further != std::string_view::npos && further > indent && further <= columns / 2)
        return further;
    return indent;
}

// `line` broken at spaces into lines of at most `columns` (a longer word stays whole), the
// later ones starting at `hang`.
std::vector<std::string> WrapLine(std::string_view line, std::size_t hang, std::size_t columns)
{
    std::vector<std::string> out;
    const std::string lead(hang, ' ');
    std::string_view rest = line;
    for (;;) {
        const std::string prefix = out.empty() ? std::string() : lead;
        if (Columns(prefix) + Columns(rest) <= columns) {
            out.push_back(prefix + std::string(rest));
            return out;
        }
        // The last space that keeps the piece within the line; else the first one after.
        std::size_t cut = std::string_view::npos;
        std::size_t width = Columns(prefix);  // of rest[0, i)
        const std::size_t start = out.empty() ? hang : 0;
        for (std::size_t i = 0; i < rest.size() && width <= columns; ++i) {
            if (rest[i] == ' ' && i > start && rest[i - 1] != ' ') cut = i;
            if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) ++width;
        }
        if (cut == std::string_view::npos) {
            cut = rest.find(' ', start);
            while (cut != std::string_view::npos && cut > 0 && rest[cut - 1] == ' ')
                cut = rest.find(' ', cut + 1);
        }
        if (cut == std::string_view::npos) {
            out.push_back(prefix + std::string(rest));
            return out;
        }
        out.push_back(prefix + std::string(rest.substr(0, cut)));
        const std::size_t next = rest.find_first_not_of(' ', cut);
        if (next == std::string_view::npos) return out;
        rest = rest.substr(next);
    }
}

std::size_t Indentation(std::string_view line)
{
    return std::min(line.find_first_not_of(' '), line.size());
}

}  // namespace

std::string WrapText(std::string_view text, std::size_t columns)
{
    std::vector<std::string_view> lines;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end == std::string_view::npos ? end : end - at));
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    std::string out;
    std::string carried;  // the end of a line too long, to go on in the next line of its block
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line(lines[i]);
        if (!carried.empty()) {
            const std::size_t indent = Indentation(line);
            line = line.substr(0, indent) + carried + " " + line.substr(indent);
            carried.clear();
        }
        std::vector<std::string> pieces{line};
        const std::string_view next = i + 1 < lines.size() ? lines[i + 1] : std::string_view();
        const std::size_t hang = HangingIndent(line, next, columns);
        const std::size_t own = HangingIndent(line, {}, columns);
        if (Columns(line) > columns) pieces = WrapLine(line, hang, columns);
        // The text a line could not hold flows into the next line of the same block (one at
        // the same indentation) rather than standing on a short line of its own.
        const bool more = hang == own && Indentation(next) == hang && hang < next.size();
        if (pieces.size() > 1 && more) {
            carried = pieces.back().substr(hang);
            pieces.pop_back();
        }
        for (const std::string& piece : pieces) out.append(piece).append("\n");
    }
    out.pop_back();  // the last line ends as the text did
    return out;
}

}  // namespace cli
