// The Windows backend: windows (window_driver.cpp), the message loop's key handling, the
// message box, images, and the start-up of the common controls.
#include "ui/win32/win32_backend.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <memory>
#include <vector>

#include "ui/system.h"
#include "ui/win32/template_builder.h"
#include "ui/win32/window_driver.h"

namespace ui::win32 {

namespace {

// One picture at several sizes; the native icon of a size is made when first asked for.
struct Win32Icon final : NativeImage {
    std::vector<Image> sizes;
    mutable std::map<int, HICON> made;
    ~Win32Icon() override
    {
        for (const auto& [size, icon] : made) DestroyIcon(icon);
    }
};
struct Win32Bitmap final : NativeImage {
    HBITMAP bitmap = nullptr;
    ~Win32Bitmap() override
    {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
};

// A top-down 32-bit DIB section holding `image`; `straight` undoes the premultiplied alpha,
// as icons want it.
HBITMAP MakeDib(const Image& image, bool straight)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr) return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        std::uint32_t p = image.pixels[i];
        const std::uint32_t a = p >> 24;
        if (straight && a != 0 && a != 0xFF) {
            const auto un = [a](std::uint32_t c) {
                return std::min<std::uint32_t>(255, c * 255 / a);
            };
            p = (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) |
                un(p & 0xFF);
        }
        out[i] = p;  // 0xAARRGGBB is BGRA in memory, as DIBs hold it
    }
    return dib;
}

HICON MakeNativeIcon(const Image& image)
{
    HBITMAP color = MakeDib(image, true);
    HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
    ICONINFO ii{};
    ii.fIcon = TRUE;
    ii.hbmColor = color;
    ii.hbmMask = mask;
    HICON icon = (color != nullptr && mask != nullptr) ? CreateIconIndirect(&ii) : nullptr;
    if (color != nullptr) DeleteObject(color);
    if (mask != nullptr) DeleteObject(mask);
    return icon;
}

class Win32Backend final : public Backend {
public:
    std::unique_ptr<WindowDriver> CreateWindowDriver(const DialogTemplate& t, WindowEvents& events,
                                                     WindowDriver* parent, bool child) override
    {
        auto driver = std::make_unique<Win32WindowDriver>(
            t, events, dynamic_cast<Win32WindowDriver*>(parent), child);
        if (!driver->ok()) return nullptr;
        return driver;
    }

    int ShowMessageBox(NativeWindow window, const MessageBoxRequest& request) override
    {
        HWND owner = Hwnd(window);
        if (owner == nullptr) owner = GetActiveWindow();
        const std::wstring caption =
            Wide(request.caption.IsEmpty() ? ApplicationName().str() : request.caption.str());
        const UINT icon =
            request.icon == Icon::Information ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
        MessageBoxW(owner, Wide(request.text.str()).c_str(), caption.c_str(),
                    MB_OK | icon | (owner == nullptr ? MB_TASKMODAL : 0u));
        return IDOK;
    }

    CString ApplicationName() const override
    {
        // The executable's name without its extension, e.g. "dravmoor-setup".
        std::wstring path(MAX_PATH, L'\0');
        DWORD n = 0;
        while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
                   path.size() &&
               path.size() < 32768)
            path.resize(path.size() * 2);
        path.resize(n);
        const std::size_t slash = path.find_last_of(L"\\/");
        std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
        const std::size_t dot = name.find_last_of(L'.');
        if (dot != std::wstring::npos && dot > 0) name.resize(dot);
        return CString(Narrow(name));
    }

    IconHandle MakeIcon(const std::vector<Image>& sizes) override
    {
        auto icon = std::make_shared<Win32Icon>();
        for (const Image& image : sizes)
            if (image.width > 0 && image.width == image.height) icon->sizes.push_back(image);
        if (icon->sizes.empty()) return {};
        return IconHandle(icon);
    }

    BitmapHandle MakeBitmap(const Image& image) override
    {
        if (image.width <= 0 || image.height <= 0) return {};
        auto bitmap = std::make_shared<Win32Bitmap>();
        bitmap->bitmap = MakeDib(image, false);
        if (bitmap->bitmap == nullptr) return {};
        return BitmapHandle(bitmap);
    }

    void SetBusyCursor(bool on) override
    {
        m_busyCursor = on;
        SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
    }

    int PumpEventsDroppingInput() override
    {
        int dropped = 0;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (IsInput(msg.message)) {
                ++dropped;
                continue;
            }
            DispatchMessageW(&msg);
        }
        // Windows the pump painted may have set their own cursor.
        if (m_busyCursor) SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return dropped;
    }

private:
    static bool IsInput(UINT m)
    {
        return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
               (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK) || m == WM_CONTEXTMENU ||
               m == WM_SYSCOMMAND;
    }
    bool m_busyCursor = false;
};

Win32Backend& Instance()
{
    static Win32Backend backend;
    return backend;
}

bool FontExists(const wchar_t* face)
{
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(
        dc, &lf,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM lp) -> int {
            *reinterpret_cast<bool*>(lp) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

class Win32System final : public UiSystem {
public:
    Win32System() : UiSystem(Instance())
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                 ICC_DATE_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&icc);
        m_look = FontExists(L"\x5B8B\x4F53");  // the templates' font
    }
    bool LookAsIntended() const override { return m_look; }

private:
    bool m_look = false;
};

bool MapKey(const MSG& msg, Key& key, unsigned& modifiers)
{
    switch (msg.wParam) {
        case VK_BACK:
        case VK_TAB:
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_SPACE:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_INSERT:
        case VK_DELETE:
        case VK_F4:
            key = static_cast<Key>(msg.wParam);  // the framework's codes are these
            break;
        default:
            return false;
    }
    modifiers = 0;
    if (GetKeyState(VK_SHIFT) < 0) modifiers |= keymod::Shift;
    if (GetKeyState(VK_CONTROL) < 0) modifiers |= keymod::Control;
    if ((msg.lParam & (1 << 29)) != 0 || GetKeyState(VK_MENU) < 0) modifiers |= keymod::Alt;
    if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0) modifiers |= keymod::Meta;
    return true;
}

// A control whose own popup is open (a combo's list, a picker's calendar) keeps its keys:
// Return and Escape close the popup there.
bool PopupOpen(HWND focus)
{
    for (HWND p = focus; p != nullptr; p = GetParent(p)) {
        wchar_t cls[32] = {};
        GetClassNameW(p, cls, 32);
        if (_wcsicmp(cls, L"ComboBox") == 0) return SendMessageW(p, CB_GETDROPPEDSTATE, 0, 0) != 0;
        if (_wcsicmp(cls, DATETIMEPICK_CLASSW) == 0) {
            // Some pickers keep their calendar window while it is closed (Wine's always has
            // one): only one on the screen is open.
            const auto calendar = reinterpret_cast<HWND>(SendMessageW(p, DTM_GETMONTHCAL, 0, 0));
            return calendar != nullptr && IsWindowVisible(calendar);
        }
        if (Win32WindowDriver::FromWindow(p) != nullptr) return false;
    }
    return false;
}

}  // namespace

std::wstring Wide(std::string_view utf8)
{
    const std::u16string s = ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}

std::string Narrow(std::wstring_view wide)
{
    return FromUtf16(std::u16string(wide.begin(), wide.end()));
}

HICON NativeIcon(const IconHandle& handle, int size)
{
    const auto* icon = dynamic_cast<const Win32Icon*>(handle.native());
    if (icon == nullptr || icon->sizes.empty()) return nullptr;
    // The smallest picture at least as large, else the largest: the system scales it.
    const Image* best = nullptr;
    for (const Image& image : icon->sizes)
        if (image.width >= size && (best == nullptr || image.width < best->width)) best = &image;
    if (best == nullptr)
        for (const Image& image : icon->sizes)
            if (best == nullptr || image.width > best->width) best = &image;
    auto& made = icon->made[best->width];
    if (made == nullptr) made = MakeNativeIcon(*best);
    return made;
}

HBITMAP NativeBitmap(const BitmapHandle& handle)
{
    const auto* bitmap = dynamic_cast<const Win32Bitmap*>(handle.native());
    return bitmap != nullptr ? bitmap->bitmap : nullptr;
}

bool PreTranslate(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    Key key{};
    unsigned modifiers = 0;
    if (!MapKey(msg, key, modifiers) || PopupOpen(msg.hwnd)) return false;
    Win32WindowDriver* top = Win32WindowDriver::FromWindow(GetAncestor(msg.hwnd, GA_ROOT));
    return top != nullptr && top->events().OnKey(key, modifiers, NativeWindow(msg.hwnd));
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace ui::win32

namespace ui {

std::unique_ptr<UiSystem> CreateSystemUi(const char*, std::string_view)
{
    return std::make_unique<win32::Win32System>();
}

}  // namespace ui
