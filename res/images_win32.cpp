// The program's pictures on Windows: the icon and the wizard bitmap the build linked into the
// executable (dravmoor.rc), rendered beforehand from the same drawing as on Linux.
#include <windows.h>

#include "res/images.h"

namespace res {

namespace {

// The 32-bit pixels of `bitmap`, top row first, premultiplied as the framework's images are.
ui::Image Pixels(HBITMAP bitmap, bool hasAlpha)
{
    ui::Image image;
    BITMAP info{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0) return image;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(info.bmWidth) *
                                      static_cast<std::size_t>(info.bmHeight));
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &bi,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != info.bmHeight) return image;
    for (std::uint32_t& p : pixels) {
        if (!hasAlpha) {
            p |= 0xFF000000u;
            continue;
        }
        const std::uint32_t a = p >> 24;
        const auto pre = [a](std::uint32_t c) { return c * a / 255; };
        p = (a << 24) | (pre((p >> 16) & 0xFF) << 16) | (pre((p >> 8) & 0xFF) << 8) | pre(p & 0xFF);
    }
    image.width = info.bmWidth;
    image.height = info.bmHeight;
    image.pixels = std::move(pixels);
    return image;
}

}  // namespace

ui::Image DrawProgramIcon(int size)
{
    auto* icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                               size, size, LR_DEFAULTCOLOR));
    if (icon == nullptr) return {};
    ICONINFO ii{};
    ui::Image image;
    if (GetIconInfo(icon, &ii)) {
        image = Pixels(ii.hbmColor, true);
        if (ii.hbmColor != nullptr) DeleteObject(ii.hbmColor);
        if (ii.hbmMask != nullptr) DeleteObject(ii.hbmMask);
    }
    DestroyIcon(icon);
    return image;
}

ui::Image DrawWizardBitmap()
{
    auto* bitmap = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), L"WIZARD", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ui::Image image = Pixels(bitmap, false);
    if (bitmap != nullptr) DeleteObject(bitmap);
    return image;
}

}  // namespace res
