// The .ico and .bmp files a native build links: headers, sizes, row order and padding, straight
// (not premultiplied) colours and the icon's transparency mask, byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "res/image_files.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

// 3 x 2: top row opaque red, half-transparent green (premultiplied), transparent; bottom row
// opaque blue, white, black.
ui::Image Sample()
{
    return {3, 2, {0xFFFF0000u, 0x80008000u, 0x00000000u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u}};
}

TEST(ImageFiles, IconHoldsEachSizeWithStraightColoursAndAMask)
{
    const ui::Image big{256, 256, std::vector<std::uint32_t>(256 * 256, 0xFF102030u)};
    const std::vector<std::uint8_t> ico = res::EncodeIco({Sample(), big});
    ASSERT_GE(ico.size(), 6u + 2 * 16);
    EXPECT_EQ(0u, U16(ico, 0));
    EXPECT_EQ(1u, U16(ico, 2));  // an icon
    EXPECT_EQ(2u, U16(ico, 4));
    // Directory: 3 x 2 at 32 bits; 256 written as 0.
    EXPECT_EQ(3, ico[6]);
    EXPECT_EQ(2, ico[7]);
    EXPECT_EQ(32u, U16(ico, 6 + 6));
    EXPECT_EQ(0, ico[22]);
    EXPECT_EQ(0, ico[23]);
    const std::uint32_t size0 = U32(ico, 6 + 8), at0 = U32(ico, 6 + 12);
    const std::uint32_t size1 = U32(ico, 22 + 8), at1 = U32(ico, 22 + 12);
    EXPECT_EQ(38u, at0);
    EXPECT_EQ(at0 + size0, at1);
    EXPECT_EQ(ico.size(), at1 + size1);
    EXPECT_EQ(40u + 256 * 256 * 4 + 256 * 32, size1);

    // The first image: its header counts the mask in the height, rows go bottom up as BGRA.
    EXPECT_EQ(40u, U32(ico, at0));
    EXPECT_EQ(3u, U32(ico, at0 + 4));
    EXPECT_EQ(4u, U32(ico, at0 + 8));
    const std::size_t px = at0 + 40;
    const std::vector<std::uint8_t> bottomThenTop(ico.begin() + px, ico.begin() + px + 24);
    EXPECT_EQ((std::vector<std::uint8_t>{0xFF, 0, 0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF,
                                         0,    0, 0xFF, 0xFF, 0,    0xFF, 0,    0x80, 0, 0, 0, 0}),
              bottomThenTop);
    // The mask: one 32-bit row per pixel row, bottom up; set where nothing shows.
    EXPECT_EQ(0x00u, ico[px + 24]);
    EXPECT_EQ(0x20u, ico[px + 28]);
    EXPECT_EQ(size0, 40u + 24 + 8);
}

TEST(ImageFiles, BitmapRowsAreBottomUpAndPaddedToFourBytes)
{
    const std::vector<std::uint8_t> bmp = res::EncodeBmp(Sample());
    ASSERT_EQ(54u + 2 * 12, bmp.size());
    EXPECT_EQ('B', bmp[0]);
    EXPECT_EQ('M', bmp[1]);
    EXPECT_EQ(bmp.size(), U32(bmp, 2));
    EXPECT_EQ(54u, U32(bmp, 10));
    EXPECT_EQ(3u, U32(bmp, 18));
    EXPECT_EQ(2u, U32(bmp, 22));
    EXPECT_EQ(24u, U16(bmp, 28));
    const std::vector<std::uint8_t> rows(bmp.begin() + 54, bmp.end());
    EXPECT_EQ(
        (std::vector<std::uint8_t>{0xFF, 0, 0,    0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,  // bottom
                                   0,    0, 0xFF, 0,    0x80, 0,    0, 0, 0, 0, 0, 0}),
        rows);
}

}  // namespace
