#include "protocol/wire_text.h"

namespace protocol {

namespace {

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// The length a lead byte announces (0 for a byte that leads no sequence).
std::size_t SequenceLength(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

}  // namespace

std::size_t WireFitLength(std::string_view utf8, std::size_t width)
{
    if (utf8.size() <= width) return utf8.size();
    // The byte after the limit continues a character: step back to its lead byte (at most
    // three steps), and cut before it if the character reaches past the limit.
    std::size_t lead = width;
    while (lead > 0 && width - lead < 3 && IsContinuation(utf8[lead])) --lead;
    if (lead != width && lead + SequenceLength(utf8[lead]) > width) return lead;
    return width;
}

bool FitsWire(std::string_view utf8, std::size_t width)
{
    return utf8.size() <= width;
}

std::string_view CutToWire(std::string_view utf8, std::size_t width)
{
    return utf8.substr(0, WireFitLength(utf8, width));
}

}  // namespace protocol
