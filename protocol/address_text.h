// How a dotted address text reads: the one rule the address controls of every front end and
// the settings written to an adapter share. Header-only and free of everything else in the
// protocol layer, so the dialog framework takes the rule without linking the protocol.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace protocol {

// The four parts of `text`: white space around the whole text is ignored, then the first four
// dot-separated parts are taken, each a plain number of one to three digits up to 255, or else
// no value ("1.x.3.4" gives 1, -, 3, 4; "1.2.3.4.5" 1, 2, 3, 4; "10.1" 10, 1, -, -).
inline std::array<std::optional<int>, 4> AddressParts(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    std::array<std::optional<int>, 4> parts{};
    for (std::optional<int>& out : parts) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
        if (part.empty() || part.size() > 3) continue;
        int value = 0;
        bool digits = true;
        for (const char c : part) {
            digits = digits && c >= '0' && c <= '9';
            value = value * 10 + (c - '0');
        }
        if (digits && value <= 255) out = value;
    }
    return parts;
}

}  // namespace protocol
