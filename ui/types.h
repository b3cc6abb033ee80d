// The dialog framework's own types: what its API speaks instead of a toolkit's. Texts are UTF-8
// (as the protocol layer produces them), rectangles and date-times plain fields, keys the
// framework's own codes; images and native windows are handles that only a backend looks into.
// Nothing here depends on the backend: the framework's core is compiled once for any of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/device_time.h"

namespace ui {

// A window or control as the backend made it: what GetSafeHwnd() and GetDlgItem() hand out.
// Opaque: only the backend that made it looks inside (ui::qt::Widget, ui::win32::Hwnd), for
// itself and for tests that look at the real controls. Default and nullptr: no window.
class NativeWindow {
public:
    NativeWindow() = default;
    NativeWindow(std::nullptr_t) {}
    explicit NativeWindow(void* window) : m_window(window) {}
    void* get() const { return m_window; }
    explicit operator bool() const { return m_window != nullptr; }
    bool operator==(const NativeWindow&) const = default;

private:
    void* m_window = nullptr;
};

// A text: UTF-8 inside. Built from any UTF-8 string; wire bytes must be decoded first
// (protocol::DecodeWireText), as they are not UTF-8.
class CString {
public:
    CString() = default;
    CString(const char* utf8) : m_text(utf8 != nullptr ? utf8 : "") {}
    CString(std::string utf8) : m_text(std::move(utf8)) {}
    CString(std::string_view utf8) : m_text(utf8) {}

    const std::string& str() const { return m_text; }
    const char* c_str() const { return m_text.c_str(); }
    bool IsEmpty() const { return m_text.empty(); }
    std::size_t GetLength() const { return m_text.size(); }  // in bytes
    // The first `count` characters (code points), never part of one.
    CString Left(std::size_t count) const;

    bool operator==(const CString&) const = default;

private:
    std::string m_text;
};

struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint&) const = default;
};

// Right and bottom are exclusive, as on the original platform.
struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CRect&) const = default;
};

// A local date and time as plain calendar fields (month 1-12, hour 0-23), with no zone
// attached: what a date or time picker shows. The protocol's calendar time, so the adapters'
// clocks reach the pickers without a copy.
using DateTime = protocol::CalendarTime;

// Keys the framework gives meaning to. The values are the original platform's virtual-key
// codes; the keypad's Enter is Return there too.
enum class Key : int {
    Backspace = 0x08,
    Tab = 0x09,
    Return = 0x0D,
    Escape = 0x1B,
    Space = 0x20,
    PageUp = 0x21,
    PageDown = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Insert = 0x2D,
    Delete = 0x2E,
    F4 = 0x73,
};
namespace keymod {
inline constexpr unsigned Shift = 1u << 0;
inline constexpr unsigned Control = 1u << 1;
inline constexpr unsigned Alt = 1u << 2;
inline constexpr unsigned Meta = 1u << 3;  // the system key (Windows, Command)
}  // namespace keymod

// Pixels as painters make them: rows top to bottom, each pixel 0xAARRGGBB with the colour
// premultiplied by alpha.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Notifications a message map can bind. Only user actions send them: changing a control from
// code (SetCurSel, AddString, SetCheck, ...) notifies nobody.
enum class Notify {
    Clicked,     // BN_CLICKED (push button, check box)
    SelChange,   // LBN_SELCHANGE / CBN_SELCHANGE
    EditChange,  // CBN_EDITCHANGE
    DblClk,      // LBN_DBLCLK
};

// A message box as the program asks for it.
enum class Icon { Exclamation, Information };
struct MessageBoxRequest {
    CString text;
    CString caption;  // empty = application name
    Icon icon = Icon::Exclamation;
};

// An image as a backend holds it; each backend derives its own.
class NativeImage {
public:
    virtual ~NativeImage() = default;
};

// Opaque handles of a backend's icons (one picture at several sizes) and bitmaps. Copies share
// the image; a default-constructed handle is null (nothing found).
template <class Tag>
class ImageHandle {
public:
    ImageHandle() = default;
    explicit ImageHandle(std::shared_ptr<const NativeImage> image) : m_image(std::move(image)) {}
    bool IsNull() const { return m_image == nullptr; }
    const NativeImage* native() const { return m_image.get(); }

private:
    std::shared_ptr<const NativeImage> m_image;
};
using IconHandle = ImageHandle<struct IconTag>;
using BitmapHandle = ImageHandle<struct BitmapTag>;

}  // namespace ui
