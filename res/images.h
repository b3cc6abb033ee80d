// The program's pictures, drawn rather than stored, so the tree holds no binary files and the
// icon is sharp at any size: an adapter box with a USB disk on a blue gradient. The window, the
// desktop's icon theme and the files a native build links (image_files.h) all come from this
// one drawing. Drawing needs the windowing system running (its fonts); before, the pictures
// come out empty.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/types.h"

namespace res {

ui::Image DrawProgramIcon(int size);  // size x size
ui::Image DrawWizardBitmap();         // 160 x 249, opaque

// The picture as the bytes of a PNG file (the icon theme's format); empty on failure.
std::vector<std::uint8_t> EncodePng(const ui::Image& image);

}  // namespace res
