#include "res/image_files.h"

namespace res {

namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFFu));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFFu);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER; `height` as the file wants it (an icon's counts its mask too).
void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, unsigned bits,
                   std::uint32_t imageSize)
{
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);  // planes
    Put16(out, bits);
    Put32(out, 0);  // no compression
    Put32(out, imageSize);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
}

// Files keep colours straight, not premultiplied by alpha.
void Unpremultiplied(std::uint32_t p, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b,
                     std::uint8_t& a)
{
    a = static_cast<std::uint8_t>(p >> 24);
    const auto un = [a](std::uint32_t c) {
        if (a == 0) return std::uint8_t{0};
        const std::uint32_t v = (c * 255u + a / 2u) / a;
        return static_cast<std::uint8_t>(v > 255u ? 255u : v);
    };
    r = un((p >> 16) & 0xFFu);
    g = un((p >> 8) & 0xFFu);
    b = un(p & 0xFFu);
}

std::vector<std::uint8_t> IconImage(const ui::Image& pic)
{
    const std::size_t maskRow = ((static_cast<std::size_t>(pic.width) + 31) / 32) * 4;
    const auto colours = static_cast<std::uint32_t>(pic.width * pic.height * 4);
    const auto mask = static_cast<std::uint32_t>(maskRow * static_cast<std::size_t>(pic.height));
    std::vector<std::uint8_t> out;
    PutInfoHeader(out, pic.width, 2 * pic.height, 32, colours + mask);
    for (int y = pic.height - 1; y >= 0; --y) {
        for (int x = 0; x < pic.width; ++x) {
            std::uint8_t r, g, b, a;
            Unpremultiplied(pic.At(x, y), r, g, b, a);
            out.insert(out.end(), {b, g, r, a});
        }
    }
    // The mask: set where the picture is fully transparent.
    for (int y = pic.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskRow, 0);
        for (int x = 0; x < pic.width; ++x)
            if ((pic.At(x, y) >> 24) == 0)
                row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<ui::Image>& pictures)
{
    std::vector<std::vector<std::uint8_t>> images;
    for (const ui::Image& pic : pictures) images.push_back(IconImage(pic));
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // an icon, not a cursor
    Put16(out, static_cast<unsigned>(pictures.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        // 256 does not fit the byte: the format writes it as 0.
        out.push_back(static_cast<std::uint8_t>(pictures[i].width & 0xFF));
        out.push_back(static_cast<std::uint8_t>(pictures[i].height & 0xFF));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

std::vector<std::uint8_t> EncodeBmp(const ui::Image& pic)
{
    const std::size_t row = ((static_cast<std::size_t>(pic.width) * 3 + 3) / 4) * 4;
    const auto pixels = static_cast<std::uint32_t>(row * static_cast<std::size_t>(pic.height));
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, 14 + 40 + pixels);
    Put32(out, 0);
    Put32(out, 14 + 40);
    PutInfoHeader(out, pic.width, pic.height, 24, pixels);
    for (int y = pic.height - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (int x = 0; x < pic.width; ++x) {
            const std::uint32_t p = pic.At(x, y);
            out.insert(out.end(), {static_cast<std::uint8_t>(p & 0xFFu),
                                   static_cast<std::uint8_t>((p >> 8) & 0xFFu),
                                   static_cast<std::uint8_t>((p >> 16) & 0xFFu)});
        }
        out.resize(start + row, 0);
    }
    return out;
}

}  // namespace res
