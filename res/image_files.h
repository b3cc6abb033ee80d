// The program's pictures as the files a native Windows build links: an icon file with several
// sizes, and a bitmap file. Written by the build from the same drawing as everything else.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/types.h"

namespace res {

// The icon sizes an icon file carries: those the shell and the window frame ask for.
inline constexpr int kIconFileSizes[] = {16, 24, 32, 48, 64, 128, 256};

// An .ico file: one 32-bit image with alpha (and its mask) per picture, in the order given.
std::vector<std::uint8_t> EncodeIco(const std::vector<ui::Image>& pictures);
// A .bmp file: 24 bits per pixel, bottom-up rows (alpha dropped: bitmaps are opaque).
std::vector<std::uint8_t> EncodeBmp(const ui::Image& picture);

}  // namespace res
