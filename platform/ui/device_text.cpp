// Decoding fixed-width 8-bit device texts for display.
#include <cstdint>

#include "platform/ui/cdialog.h"

namespace ui {

namespace {
// Length of the valid UTF-8 sequence at `p` (at most `left` bytes), 0 when it is not one.
// Overlong forms, surrogates and code points above U+10FFFF are not valid.
std::size_t Utf8Sequence(const unsigned char* p, std::size_t left, char32_t& cp)
{
    const unsigned char b = p[0];
    std::size_t n = 0;
    char32_t min = 0;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        n = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n > left) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}
}  // namespace

QString DeviceText(const char* bytes, std::size_t width)
{
    std::size_t len = 0;
    while (len < width && bytes[len] != '\0') ++len;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    QString out;
    out.reserve(static_cast<qsizetype>(len));
    for (std::size_t i = 0; i < len;) {
        char32_t cp = 0;
        const std::size_t n = Utf8Sequence(p + i, len - i, cp);
        if (n == 0) {
            out += QChar(static_cast<char16_t>(p[i]));  // Latin-1
            ++i;
            continue;
        }
        out += QString::fromUcs4(&cp, 1);
        i += n;
    }
    return out;
}

}  // namespace ui
