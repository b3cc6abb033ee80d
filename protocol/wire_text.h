// Texts a user gives for fixed-width wire fields (administrator name and password, ...): the
// rule every front end shares. A field holds bytes, so a text fits when its UTF-8 bytes do; a
// text that does not fit is cut only between characters, never inside one.
#pragma once

#include <cstddef>
#include <string_view>

namespace protocol {

// How many leading bytes of `utf8` fit in `width` bytes: all of them when the text fits,
// otherwise the longest prefix that ends between two characters. A byte that does not belong
// to a UTF-8 sequence (Latin-1 from elsewhere) counts as a character of its own.
std::size_t WireFitLength(std::string_view utf8, std::size_t width);

// True when the whole text fits in `width` bytes.
bool FitsWire(std::string_view utf8, std::size_t width);

// The longest prefix of `utf8` that fits in `width` bytes without cutting a character.
std::string_view CutToWire(std::string_view utf8, std::size_t width);

}  // namespace protocol
