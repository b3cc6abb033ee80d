#include "protocol/display.h"

#include <cstdint>

namespace protocol {

namespace {

// Length of the valid UTF-8 sequence at `i` and its code point, or 0. Overlong forms,
// surrogates and code points past U+10FFFF are not valid.
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t& cp)
{
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(s[k]); };
    const std::uint8_t b = at(i);
    std::size_t n = 0;
    char32_t min = 0;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        n = 2, cp = b & 0x1Fu, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, cp = b & 0x0Fu, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, cp = b & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (n > s.size() - i) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (at(i + k) & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void AppendLatin1(std::string& out, std::uint8_t b)
{
    out.push_back(static_cast<char>(0xC0 | (b >> 6)));
    out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
}

bool IsWide(char32_t cp)
{
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) ||
           (cp >= 0x3041 && cp <= 0x33FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
           (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
           (cp >= 0x1F900 && cp <= 0x1F9FF) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

bool IsCombining(char32_t cp)
{
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) ||
           (cp >= 0x1DC0 && cp <= 0x1DFF) || (cp >= 0x20D0 && cp <= 0x20FF) ||
           (cp >= 0xFE20 && cp <= 0xFE2F) || cp == 0x200B || cp == 0x200C || cp == 0x200D;
}

// Format characters that reorder or hide text: an answer could make a name read as another
// (right-to-left overrides, isolates, marks) or carry text no one sees. Joiners, which
// scripts and emoji need, are not among them.
bool IsHidingFormat(char32_t cp)
{
    return cp == 0x00AD || cp == 0x061C || cp == 0x180E || cp == 0x200B || cp == 0x200E ||
           cp == 0x200F || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2060 && cp <= 0x2064) ||
           (cp >= 0x2066 && cp <= 0x206F) || cp == 0xFEFF || (cp >= 0xFFF9 && cp <= 0xFFFB) ||
           (cp >= 0xE0000 && cp <= 0xE007F);
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string DecodeWireText(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        std::size_t n = Utf8Sequence(bytes, i, cp);
        if (n == 0) {  // Latin-1
            n = 1;
            cp = static_cast<std::uint8_t>(bytes[i]);
        }
        if (IsHidingFormat(cp)) {
            out.append(kReplacement);
        } else if (n == 1 && cp >= 0x80) {
            AppendLatin1(out, static_cast<std::uint8_t>(cp));
        } else {
            out.append(bytes.substr(i, n));
        }
        i += n;
    }
    return out;
}

std::array<std::string, 5> PanelTexts(const DeviceInfo& device)
{
    std::array<std::string, 5> texts = PanelBytes(device);
    for (std::string& t : texts) t = DecodeWireText(t);
    return texts;
}

std::array<std::string, 5> DiskTexts(const Disk& disk)
{
    std::array<std::string, 5> texts = DiskColumns(disk);
    for (std::string& t : texts) t = DecodeWireText(t);
    return texts;
}

std::size_t DisplayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        std::size_t n = Utf8Sequence(utf8, i, cp);
        if (n == 0) {  // not UTF-8: one byte, one column
            n = 1;
            cp = static_cast<std::uint8_t>(utf8[i]);
        }
        width += IsCombining(cp) ? 0 : IsWide(cp) ? 2 : 1;
        i += n;
    }
    return width;
}

}  // namespace protocol
