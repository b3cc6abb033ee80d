// The native backend under Wine: every dialog of the program created from its in-memory
// template, each control of the native class at its template's rectangle; then the behaviour
// cases every backend runs (tests/support/behaviour_cases.h).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "ui/win32/windows_names.h"

#include <cstring>
#include <deque>

#include "res/resource.h"
#include "res/resources.h"
#include "tests/support/behaviour_cases.h"
#include "ui/driver.h"
#include "ui/system.h"
#include "ui/win32/win32_backend.h"

namespace {

using namespace ui_test;

class Ui : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_system = ui::CreateSystemUi("win32_ui_tests", {}); }
    static void TearDownTestSuite() { s_system.reset(); }
    static std::unique_ptr<ui::UiSystem> s_system;
};
std::unique_ptr<ui::UiSystem> Ui::s_system;

struct NoEvents final : ui::WindowEvents {
    void OnNotify(ui::Notify, int) override {}
    void OnCloseRequest() override {}
    bool OnContextMenu(const ui::CPoint&) override { return false; }
    void OnFirstShow() override {}
    bool OnKey(ui::Key, unsigned, ui::NativeWindow) override { return false; }
};

std::wstring ClassOf(HWND h)
{
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return name;
}

const wchar_t* ExpectedClass(ui::Kind kind)
{
    switch (kind) {
        case ui::Kind::PushButton:
        case ui::Kind::CheckBox:
        case ui::Kind::GroupBox:
            return L"Button";
        case ui::Kind::Edit:
            return L"Edit";
        case ui::Kind::ComboBox:
            return L"ComboBox";
        case ui::Kind::ListBox:
            return L"ListBox";
        case ui::Kind::ListView:
            return WC_LISTVIEWW;
        case ui::Kind::DatePicker:
        case ui::Kind::TimePicker:
            return DATETIMEPICK_CLASSW;
        case ui::Kind::IpAddress:
            return WC_IPADDRESSW;
        default:
            return L"Static";
    }
}

TEST_F(Ui, EveryDialogHasItsControlsOfTheNativeClassWhereTheTemplatePutsThem)
{
    res::InstallResources();
    NoEvents events;
    // The pages are children of the wizard, as when it runs.
    const ui::DialogTemplate* wizard = ui::FindTemplate(IDD_WIZARD);
    ASSERT_NE(nullptr, wizard);
    auto frame = ui::CurrentBackend()->CreateWindowDriver(*wizard, events, nullptr, false);
    ASSERT_NE(nullptr, frame);
    for (int id : {IDD_MAIN, IDD_ABOUTBOX, IDD_VERIFY, IDD_WIZARD, IDD_PAGE_SYSTEM,
                   IDD_PAGE_NETWORK, IDD_PAGE_FINISH, IDD_SHARE_MAP}) {
        const ui::DialogTemplate* t = ui::FindTemplate(id);
        ASSERT_NE(nullptr, t);
        const bool page = (t->style & ui::dstyle::Child) != 0;
        auto driver = ui::CurrentBackend()->CreateWindowDriver(*t, events,
                                                               page ? frame.get() : nullptr, page);
        ASSERT_NE(nullptr, driver) << "dialog " << id;
        const HWND dlg = ui::win32::Hwnd(driver->Native(ui::kSelf));
        RECT client;
        GetClientRect(dlg, &client);
        RECT size{0, 0, t->cx, t->cy};
        MapDialogRect(dlg, &size);
        EXPECT_EQ(size.right, client.right) << "dialog " << id;
        EXPECT_EQ(size.bottom, client.bottom) << "dialog " << id;
        std::size_t i = 0;
        for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT), ++i) {
            ASSERT_LT(i, t->controls.size()) << "dialog " << id << ": more windows than controls";
            const ui::ControlTemplate& ct = t->controls[i];
            EXPECT_EQ(std::wstring(ExpectedClass(ct.kind)), ClassOf(c)) << id << "/" << i;
            EXPECT_EQ(ct.id == -1 ? 0xFFFF : ct.id, GetDlgCtrlID(c)) << id << "/" << i;
            // The dialog manager converts the position and the size each on their own.
            RECT at{ct.x, ct.y, 0, 0}, extent{0, 0, ct.cx, ct.cy};
            MapDialogRect(dlg, &at);
            MapDialogRect(dlg, &extent);
            RECT got;
            GetWindowRect(c, &got);
            MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&got), 2);
            EXPECT_EQ(at.left, got.left) << id << "/" << i;
            EXPECT_EQ(at.top, got.top) << id << "/" << i;
            // Pictures take their image's size, etched lines the system's; a combo's height is
            // its closed field's.
            if (ct.kind == ui::Kind::Icon || ct.kind == ui::Kind::Bitmap ||
                ct.kind == ui::Kind::EtchedHorz)
                continue;
            EXPECT_EQ(extent.right, got.right - got.left) << id << "/" << i;
            if (ct.kind != ui::Kind::ComboBox) {
                EXPECT_EQ(extent.bottom, got.bottom - got.top) << id << "/" << i;
            }
        }
        EXPECT_EQ(t->controls.size(), i) << "dialog " << id;
    }
}

// A combo box's list opens wide enough to read its widest entry, not cut to the box.
TEST_F(Ui, ComboListsOpenAsWideAsTheirWidestEntry)
{
    static const TestResources resources;
    NoEvents events;
    const ui::DialogTemplate* t = resources.FindTemplate(kChoices);
    ASSERT_NE(nullptr, t);
    auto driver = ui::CurrentBackend()->CreateWindowDriver(*t, events, nullptr, false);
    ASSERT_NE(nullptr, driver);
    const HWND combo = ui::win32::Hwnd(driver->Native(kMode));
    const std::wstring longest = L"(GMT+01:00) Belgrade, Bratislava,Budapest,Ljubljana,Prague ";
    driver->InsertItem(kMode, -1, "short");
    driver->InsertItem(kMode, -1, ui::win32::Narrow(longest));
    HDC dc = GetDC(combo);
    const HGDIOBJ was =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    SIZE text{};
    GetTextExtentPoint32W(dc, longest.c_str(), static_cast<int>(longest.size()), &text);
    SelectObject(dc, was);
    ReleaseDC(combo, dc);
    RECT box;
    GetWindowRect(combo, &box);
    EXPECT_GT(text.cx, box.right - box.left) << "the entry is wider than the box";
    EXPECT_GE(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0),
              text.cx + GetSystemMetrics(SM_CXVSCROLL));
}

// Input as the system delivers it: keys through the same handling the modal loop applies.
class Win32User final : public User {
public:
    void Later(std::function<void()> fn) override
    {
        s_later.push_back(std::move(fn));
        SetTimer(nullptr, 0, 1, &Win32User::Fire);
    }
    void Key(ui::Key key, unsigned modifiers) override
    {
        // Shift and Ctrl as the keyboard's state shows them while the key goes through.
        BYTE state[256] = {}, saved[256] = {};
        GetKeyboardState(saved);
        std::memcpy(state, saved, sizeof state);
        state[VK_SHIFT] = (modifiers & ui::keymod::Shift) != 0 ? BYTE{0x80} : BYTE{0};
        state[VK_CONTROL] = (modifiers & ui::keymod::Control) != 0 ? BYTE{0x80} : BYTE{0};
        SetKeyboardState(state);
        Send(static_cast<WPARAM>(key), modifiers, 0);
        SetKeyboardState(saved);
    }
    void KeypadEnter() override { Send(VK_RETURN, 0, 1 << 24); }  // the extended Return
    void Send(WPARAM vk, unsigned modifiers, LPARAM extra)
    {
        MSG msg{};
        msg.hwnd = GetFocus();
        msg.message = (modifiers & ui::keymod::Alt) != 0 ? WM_SYSKEYDOWN : WM_KEYDOWN;
        msg.wParam = vk;
        msg.lParam = ((modifiers & ui::keymod::Alt) != 0 ? (1 << 29) : 0) | extra;
        if (!ui::win32::PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    void PostKey(ui::Key key) override
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, static_cast<WPARAM>(key), 0);
    }
    void Type(const std::string& text) override
    {
        for (const char c : text) {
            MSG msg{};
            msg.hwnd = GetFocus();
            msg.message = WM_CHAR;
            msg.wParam = static_cast<WPARAM>(static_cast<unsigned char>(c));
            if (!ui::win32::PreTranslate(msg)) DispatchMessageW(&msg);
        }
    }
    void Paste(const std::string& text, bool shiftInsert) override
    {
        const std::wstring wide(text.begin(), text.end());  // the cases paste ASCII
        const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            std::memcpy(GlobalLock(h), wide.c_str(), bytes);
            GlobalUnlock(h);
            if (OpenClipboard(nullptr)) {
                EmptyClipboard();
                if (SetClipboardData(CF_UNICODETEXT, h) == nullptr) GlobalFree(h);
                CloseClipboard();
            } else {
                GlobalFree(h);
            }
        }
        if (shiftInsert)
            Key(ui::Key::Insert, ui::keymod::Shift);
        else
            Type("\x16");  // Ctrl+V, as TranslateMessage makes it
    }
    void CloseBox(ui::CDialog& dlg) override
    {
        SendMessageW(ui::win32::Hwnd(dlg.GetSafeHwnd()), WM_SYSCOMMAND, ui::SC_CLOSE, 0);
    }
    bool AddressIsBlank(ui::CDialog& dlg, int id) override
    {
        const HWND ip = ui::win32::Hwnd(dlg.GetDlgItem(id));
        for (HWND f = GetWindow(ip, GW_CHILD); f != nullptr; f = GetWindow(f, GW_HWNDNEXT))
            if (GetWindowTextLengthW(f) > 0) return false;
        return ip != nullptr;
    }
    bool HasFocus(ui::CDialog& dlg, int id) override
    {
        const HWND control = ui::win32::Hwnd(dlg.GetDlgItem(id));
        const HWND focus = GetFocus();
        return control != nullptr && focus != nullptr &&
               (focus == control || IsChild(control, focus));
    }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD)
    {
        KillTimer(nullptr, timer);
        if (s_later.empty()) return;
        auto fn = std::move(s_later.front());
        s_later.pop_front();
        fn();
    }
    static std::deque<std::function<void()>> s_later;
};
std::deque<std::function<void()>> Win32User::s_later;

TEST_F(Ui, BehaviourCasesOfEveryBackend)
{
    static const TestResources resources;
    const ui::ResourceProvider* previous = ui::SetResourceProvider(&resources);
    for (const auto& [name, run] : BehaviourCases()) {
        Win32User user;
        for (const std::string& failure : run(user)) ADD_FAILURE() << name << ": " << failure;
    }
    ui::SetResourceProvider(previous);
}

}  // namespace
