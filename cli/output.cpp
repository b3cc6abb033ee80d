#include "cli/output.h"

#include <algorithm>
#include <cstdint>

#include "protocol/display.h"

namespace cli {

namespace {

// Length of the UTF-8 sequence led by `b` (1 for a stray byte).
std::size_t SequenceLength(std::uint8_t b)
{
    if (b >= 0xF0 && b <= 0xF4) return 4;
    if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2) return 2;
    return 1;
}

}  // namespace

std::string ForTerminal(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<std::uint8_t>(utf8[i]);
        const std::size_t n = std::min(SequenceLength(b), utf8.size() - i);
        const bool c1 = b == 0xC2 && n == 2 && static_cast<std::uint8_t>(utf8[i + 1]) <= 0x9F;
        if (b < 0x20 || b == 0x7F || c1) {
            out.push_back('?');
        } else {
            out.append(utf8.substr(i, n));
        }
        i += n;
    }
    return out;
}

std::string Show(std::string_view wireBytes)
{
    return ForTerminal(protocol::DecodeWireText(wireBytes));
}

std::string JsonLine(const Json& document)
{
    const std::string text = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    // The library escapes C0 controls; DEL and the C1 controls (U+0080..U+009F, in UTF-8
    // C2 80..C2 9F) can only stand inside strings, so escaping them keeps the JSON valid.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        const bool c1 =
            b == 0xC2 && i + 1 < text.size() && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F;
        if (b == 0x7F || c1) {
            const unsigned cp = b == 0x7F ? 0x7F : static_cast<std::uint8_t>(text[++i]);
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", cp);
            out += buf;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void PrintJson(std::FILE* out, const Json& document)
{
    std::fprintf(out, "%s\n", JsonLine(document).c_str());
}

void PrintTable(std::FILE* out, const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], protocol::DisplayWidth(row[i]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - protocol::DisplayWidth(row[i]) + 2, ' ');
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
}

}  // namespace cli
