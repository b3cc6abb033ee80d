#include "ui/win32/window_driver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>

#include "ui/address_input.h"
#include "ui/resources.h"
#include "ui/win32/template_builder.h"
#include "ui/win32/win32_backend.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kDriverProp[] = L"DravmoorDriver";
// The system commands the framework itself handles (cdialog.h; the headers' own SC_ names are
// macros there).
constexpr unsigned kMinimize = 0xF020, kClose = 0xF060;

// Holds the driver's notifications back while code changes a control: native controls
// notify on changes from code too (an address set sends EN_CHANGE, for one).
class Quiet {
public:
    explicit Quiet(int& count) : m_count(count) { ++m_count; }
    ~Quiet() { --m_count; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int& m_count;
};

std::wstring TextOf(HWND h)
{
    const int n = GetWindowTextLengthW(h);
    std::wstring s(static_cast<std::size_t>(std::max(n, 0)) + 1, L'\0');
    const int got = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(std::max(got, 0)));
    return s;
}

SYSTEMTIME ToSystemTime(const DateTime& v)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(v.year);
    st.wMonth = static_cast<WORD>(v.month);
    st.wDay = static_cast<WORD>(v.day);
    st.wHour = static_cast<WORD>(v.hour);
    st.wMinute = static_cast<WORD>(v.minute);
    st.wSecond = static_cast<WORD>(v.second);
    // The day of the week is the system's to work out; a wrong one is refused by some pickers.
    FILETIME ft;
    if (SystemTimeToFileTime(&st, &ft)) FileTimeToSystemTime(&ft, &st);
    return st;
}

DateTime FromSystemTime(const SYSTEMTIME& st)
{
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// The four field edits of an address control, left to right.
std::vector<HWND> AddressFields(HWND ip)
{
    std::vector<HWND> fields;
    for (HWND c = GetWindow(ip, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        fields.push_back(c);
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return fields;
}

// The width of `text` in the font of window `w`.
int TextWidth(HWND w, const wchar_t* text)
{
    HDC dc = GetDC(w);
    if (dc == nullptr) return 0;
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
    const HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(std::wcslen(text)), &size);
    if (old != nullptr) SelectObject(dc, old);
    ReleaseDC(w, dc);
    return size.cx;
}

// Some address controls (Wine's) size their fields from the control's width alone, and a
// single-line edit refuses a character that would not fit: "192" could not be typed. Fields too
// narrow for three digits are spread over the control's width again, the dots between them.
void FitAddressFields(HWND ip, const std::vector<HWND>& fields)
{
    RECT field{};
    GetClientRect(fields[0], &field);
    const auto margins = static_cast<DWORD>(SendMessageW(fields[0], EM_GETMARGINS, 0, 0));
    if (field.right >= TextWidth(fields[0], L"255") + LOWORD(margins) + HIWORD(margins) + 2) return;
    const int dot = std::max(3, TextWidth(fields[0], L".") + 1);
    RECT client{};
    GetClientRect(ip, &client);
    const int width = std::max<int>(1, (client.right - 2 - 3 * dot) / 4);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        RECT r{};
        GetWindowRect(fields[i], &r);
        MapWindowPoints(nullptr, ip, reinterpret_cast<POINT*>(&r), 2);
        MoveWindow(fields[i], 1 + static_cast<int>(i) * (width + dot), r.top, width,
                   r.bottom - r.top, TRUE);
    }
    InvalidateRect(ip, nullptr, TRUE);
}

// Typing into an address control is the framework's (address_input.h), as on every backend:
// the subclassed fields hand it each character, Backspace, Left and Right, and each paste.
// (Wine's own control left the caret before the next field's old text, so "168" became "160".)
constexpr wchar_t kAdvancedProp[] = L"DravmoorAdvancedInto";
constexpr UINT_PTR kFieldSubclass = 2;

std::array<std::string, 4> FieldTexts(const std::vector<HWND>& fields)
{
    std::array<std::string, 4> texts;
    for (std::size_t i = 0; i < 4 && i < fields.size(); ++i) texts[i] = Narrow(TextOf(fields[i]));
    return texts;
}

// The clipboard's text, read no further than its memory block: a block without the closing
// NUL must not be read past.
std::string ClipboardText(HWND owner)
{
    std::wstring text;
    if (!OpenClipboard(owner)) return {};
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        const std::size_t chars = GlobalSize(h) / sizeof(wchar_t);
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text.assign(p, std::find(p, p + chars, L'\0'));
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return Narrow(text);
}

LRESULT CALLBACK AddressFieldProc(HWND field, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                  DWORD_PTR index)
{
    const HWND ip = GetParent(field);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(field, &AddressFieldProc, kFieldSubclass);
        RemovePropW(ip, kAdvancedProp);
        return DefSubclassProc(field, msg, wp, lp);
    }
    if (msg == WM_LBUTTONDOWN || msg == WM_KILLFOCUS) RemovePropW(ip, kAdvancedProp);
    const bool arrow = msg == WM_KEYDOWN && (wp == VK_LEFT || wp == VK_RIGHT) &&
                       GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0;
    // Shift+Insert: Wine's edit pastes by itself then, past WM_PASTE and so past the rule.
    if (msg == WM_KEYDOWN && wp == VK_INSERT && GetKeyState(VK_SHIFT) < 0 &&
        GetKeyState(VK_CONTROL) >= 0)
        return SendMessageW(field, WM_PASTE, 0, 0);
    if (msg != WM_CHAR && msg != WM_PASTE && !arrow) return DefSubclassProc(field, msg, wp, lp);
    const std::vector<HWND> fields = AddressFields(ip);
    if (fields.size() != 4 || index > 3) return DefSubclassProc(field, msg, wp, lp);
    // Ctrl+V: not every edit control sends itself WM_PASTE for it.
    if (msg == WM_CHAR && wp == 0x16) return SendMessageW(field, WM_PASTE, 0, 0);

    AddressInput in;
    in.fields = FieldTexts(fields);
    in.focus = static_cast<int>(index);
    DWORD from = 0, to = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    in.selStart = static_cast<int>(from);  // the edit's caret is at the selection's end
    in.caret = static_cast<int>(to);
    in.advancedInto =
        static_cast<int>(reinterpret_cast<std::size_t>(GetPropW(ip, kAdvancedProp))) - 1;
    AddressOutcome outcome;
    if (msg == WM_PASTE)
        outcome = PasteIntoAddress(in, ClipboardText(field));
    else if (arrow)
        outcome = KeyIntoAddress(in, wp == VK_LEFT ? AddressKey::Left : AddressKey::Right);
    else
        outcome = TypeIntoAddress(in, static_cast<char32_t>(wp));
    switch (outcome) {
        case AddressOutcome::NotMine:
            RemovePropW(ip, kAdvancedProp);
            return DefSubclassProc(field, msg, wp, lp);
        case AddressOutcome::Refused:
            RemovePropW(ip, kAdvancedProp);
            MessageBeep(MB_OK);
            return 0;
        case AddressOutcome::Taken:
            break;
    }
    for (std::size_t i = 0; i < 4; ++i)
        if (Narrow(TextOf(fields[i])) != in.fields[i])
            SetWindowTextW(fields[i], Wide(in.fields[i]).c_str());
    const HWND target = fields[static_cast<std::size_t>(in.focus)];
    if (GetFocus() != target) SetFocus(target);
    SendMessageW(target, EM_SETSEL, static_cast<WPARAM>(in.selStart), in.caret);
    // After the focus moved: the old field's WM_KILLFOCUS forgets the last move.
    RemovePropW(ip, kAdvancedProp);
    if (in.advancedInto >= 0)
        SetPropW(ip, kAdvancedProp,
                 reinterpret_cast<HANDLE>(static_cast<std::size_t>(in.advancedInto) + 1));
    return 0;
}

void SetUpAddressControl(HWND ip)
{
    const std::vector<HWND> fields = AddressFields(ip);
    if (fields.size() != 4) return;
    FitAddressFields(ip, fields);
    for (std::size_t i = 0; i < fields.size(); ++i)
        SetWindowSubclass(fields[i], &AddressFieldProc, kFieldSubclass, i);
}

std::size_t Utf8Length(const std::wstring& s)
{
    return Narrow(s).size();
}

}  // namespace

// ---- Building the window ----------------------------------------------------------------

Win32WindowDriver::Win32WindowDriver(const DialogTemplate& t, WindowEvents& events,
                                     Win32WindowDriver* parent, bool child)
    : m_events(events), m_child(child && parent != nullptr)
{
    m_template = BuildDialogTemplate(t);
    const HWND parentHwnd = parent != nullptr ? parent->hwnd() : nullptr;
    m_owner = parentHwnd;
    CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                               reinterpret_cast<LPCDLGTEMPLATEW>(m_template.data()), parentHwnd,
                               &Win32WindowDriver::DialogProc, reinterpret_cast<LPARAM>(this));
    if (m_hwnd == nullptr) {
        std::fprintf(stderr, "dialog %d: the window could not be created (error %lu)\n", t.id,
                     GetLastError());
        return;
    }
    RECT units{0, 0, 4, 8};
    MapDialogRect(m_hwnd, &units);
    m_baseUnits = {units.right, units.bottom};

    // The dialog's children in z-order are the template's controls in order; combo boxes'
    // lists are windows of their own elsewhere.
    std::size_t i = 0;
    for (HWND c = GetWindow(m_hwnd, GW_CHILD); c != nullptr && i < t.controls.size();
         c = GetWindow(c, GW_HWNDNEXT))
        m_controls.push_back({&t.controls[i++], c});
    SetupControls();
}

Win32WindowDriver::~Win32WindowDriver()
{
    if (m_hwnd == nullptr) return;
    RemovePropW(m_hwnd, kDriverProp);
    SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
    if (m_running && m_owner != nullptr) EnableWindow(m_owner, TRUE);
    DestroyWindow(m_hwnd);
}

void Win32WindowDriver::SetupControls()
{
    Quiet quiet(m_quiet);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_hwnd, WM_GETFONT, 0, 0));
    for (const Control& c : m_controls) {
        const ControlTemplate& ct = *c.ct;
        switch (ct.kind) {
            case Kind::Icon:
                if (HICON icon = NativeIcon(LoadIcon(ct.resource), 32))
                    SendMessageW(c.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
                break;
            case Kind::Bitmap:
                if (HBITMAP bitmap = NativeBitmap(LoadBitmap(ct.resource)))
                    SendMessageW(c.hwnd, STM_SETIMAGE, IMAGE_BITMAP,
                                 reinterpret_cast<LPARAM>(bitmap));
                break;
            case Kind::DatePicker:
                // The same form on every backend and locale, and the one the command line takes.
                SendMessageW(c.hwnd, DTM_SETFORMATW, 0,
                             reinterpret_cast<LPARAM>(L"yyyy'-'MM'-'dd"));
                break;
            case Kind::TimePicker:
                SendMessageW(c.hwnd, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH':'mm':'ss"));
                break;
            case Kind::IpAddress:
                // Wine's address control keeps WM_SETFONT for its fields only when told again.
                SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
                SetUpAddressControl(c.hwnd);
                break;
            default:
                break;
        }
    }
}

Win32WindowDriver* Win32WindowDriver::FromWindow(HWND hwnd)
{
    return hwnd != nullptr ? static_cast<Win32WindowDriver*>(GetPropW(hwnd, kDriverProp)) : nullptr;
}

INT_PTR CALLBACK Win32WindowDriver::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32WindowDriver*>(lp);
        self->m_hwnd = hwnd;
        SetPropW(hwnd, kDriverProp, self);
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        return FALSE;  // the framework places the focus
    }
    auto* self = reinterpret_cast<Win32WindowDriver*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return self != nullptr ? self->Handle(msg, wp, lp) : FALSE;
}

INT_PTR Win32WindowDriver::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return TRUE;
        case WM_CLOSE:
            m_events.OnCloseRequest();
            return TRUE;
        case WM_CONTEXTMENU: {
            if (m_child || reinterpret_cast<HWND>(wp) != m_hwnd) return FALSE;
            const CPoint at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            return m_events.OnContextMenu(at) ? TRUE : FALSE;
        }
        case WM_SYSCOMMAND:
            // The menu opened from the caption's icon is the framework's system menu, as the
            // one Alt+Space and a right-click open.
            if ((wp & 0xFFF0) == SC_MOUSEMENU && !m_child) {
                POINT p;
                GetCursorPos(&p);
                if (m_events.OnContextMenu({p.x, p.y})) {
                    SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, 0);
                    return TRUE;
                }
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void Win32WindowDriver::OnCommand(int id, int code, HWND from)
{
    if (from == nullptr) return;  // menus and accelerators: the framework issues its own
    const Control* c = nullptr;
    for (const Control& k : m_controls)
        if (k.hwnd == from) c = &k;
    if (c == nullptr) return;
    const Kind kind = c->ct->kind;
    if (kind == Kind::Edit && code == EN_CHANGE) {
        // A byte limit refuses what would pass it: the text goes back to the last that fitted.
        const auto limit = m_byteLimits.find(id);
        if (limit == m_byteLimits.end()) return;
        const std::wstring now = TextOf(from);
        if (Utf8Length(now) <= limit->second) {
            m_lastTexts[id] = now;
        } else if (m_quiet == 0) {
            Quiet quiet(m_quiet);
            const DWORD caret =
                static_cast<DWORD>(std::min<std::size_t>(m_lastTexts[id].size(), MAXDWORD));
            SetWindowTextW(from, m_lastTexts[id].c_str());
            SendMessageW(from, EM_SETSEL, caret, caret);
            MessageBeep(MB_OK);
        }
        return;
    }
    if (m_quiet > 0) return;
    switch (kind) {
        case Kind::PushButton:
        case Kind::CheckBox:
            if (code == BN_CLICKED) m_events.OnNotify(Notify::Clicked, id);
            break;
        case Kind::ListBox:
            if (code == LBN_SELCHANGE) m_events.OnNotify(Notify::SelChange, id);
            if (code == LBN_DBLCLK) m_events.OnNotify(Notify::DblClk, id);
            break;
        case Kind::ComboBox:
            if (code == CBN_SELCHANGE) m_events.OnNotify(Notify::SelChange, id);
            if (code == CBN_EDITCHANGE) m_events.OnNotify(Notify::EditChange, id);
            break;
        default:
            break;
    }
}

const Win32WindowDriver::Control* Win32WindowDriver::Find(int id) const
{
    for (const Control& c : m_controls)
        if (c.ct->id == id) return &c;
    return nullptr;
}

HWND Win32WindowDriver::Window(int id) const
{
    if (m_hwnd == nullptr || !IsWindow(m_hwnd)) return nullptr;
    if (id == kSelf) return m_hwnd;
    const Control* c = Find(id);
    return c != nullptr ? c->hwnd : nullptr;
}

Kind Win32WindowDriver::KindOf(int id) const
{
    const Control* c = Find(id);
    return c != nullptr ? c->ct->kind : Kind::Static;
}

int Win32WindowDriver::ControlOf(HWND h) const
{
    for (HWND p = h; p != nullptr; p = GetParent(p)) {
        if (p == m_hwnd) return kSelf;
        if (FromWindow(p) != nullptr) return kNoControl;  // another dialog's (a page's)
        for (const Control& c : m_controls)
            if (c.hwnd == p) return c.ct->id;
    }
    return kNoControl;
}

// ---- The window -------------------------------------------------------------------------

void Win32WindowDriver::RunModal()
{
    if (m_hwnd == nullptr) return;
    m_running = true;
    m_ended = false;
    // Centred on the owner, or on the work area for the first window.
    RECT r, area;
    GetWindowRect(m_hwnd, &r);
    if (m_owner != nullptr)
        GetWindowRect(m_owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
    SetWindowPos(m_hwnd, nullptr, std::max(x, 0), std::max(y, 0), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_owner != nullptr) EnableWindow(m_owner, FALSE);
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_events.OnFirstShow();
    }
    MSG msg;
    while (!m_ended) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
            break;
        }
        if (got < 0) break;
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // The owner first, so that the system activates it rather than another program.
    if (m_owner != nullptr) EnableWindow(m_owner, TRUE);
    if (IsWindow(m_hwnd)) ShowWindow(m_hwnd, SW_HIDE);
    m_running = false;
}

void Win32WindowDriver::EndModal(int)
{
    m_ended = true;
    PostMessageW(m_hwnd, WM_NULL, 0, 0);  // wakes the loop
}

void Win32WindowDriver::Minimize()
{
    if (m_hwnd != nullptr) ShowWindow(m_hwnd, SW_MINIMIZE);
}

void Win32WindowDriver::SetIcon(const IconHandle& icon)
{
    if (m_hwnd == nullptr) return;
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(NativeIcon(icon, GetSystemMetrics(SM_CXICON))));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(NativeIcon(icon, GetSystemMetrics(SM_CXSMICON))));
}

unsigned Win32WindowDriver::PopupMenu(const std::vector<MenuItem>& items, const CPoint* at)
{
    if (m_hwnd == nullptr) return 0;
    // The real system menu, with the framework's items after its own (once).
    HMENU menu = GetSystemMenu(m_hwnd, FALSE);
    if (menu == nullptr) return 0;
    for (const MenuItem& item : items) {
        if (item.command == 0 || item.command == kMinimize || item.command == kClose) continue;
        if (std::find(m_sysMenuCommands.begin(), m_sysMenuCommands.end(), item.command) !=
            m_sysMenuCommands.end())
            continue;
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, item.command, Wide(item.text.str()).c_str());
        m_sysMenuCommands.push_back(item.command);
    }
    POINT p{};
    if (at != nullptr) {
        p = {at->x, at->y};
    } else {
        RECT r;
        GetWindowRect(m_hwnd, &r);
        p = {r.left, r.top + GetSystemMetrics(SM_CYCAPTION)};
    }
    const auto chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, p.x,
                       p.y, 0, m_hwnd, nullptr);
    if (chosen <= 0) return 0;
    const auto command = static_cast<unsigned>(chosen);
    // The window's own commands (move, restore) stay the system's; ours go to the framework.
    const bool ours = command == kMinimize || command == kClose ||
                      std::find(m_sysMenuCommands.begin(), m_sysMenuCommands.end(), command) !=
                          m_sysMenuCommands.end();
    if (!ours) {
        PostMessageW(m_hwnd, WM_SYSCOMMAND, command, 0);
        return 0;
    }
    return command;
}

void Win32WindowDriver::FocusWindow()
{
    if (m_hwnd != nullptr) ::SetFocus(GetAncestor(m_hwnd, GA_ROOT));
}

bool Win32WindowDriver::FocusIsOnWindow() const
{
    if (m_hwnd == nullptr) return false;
    const HWND f = GetFocus();
    return f == nullptr || f == GetAncestor(m_hwnd, GA_ROOT);
}

int Win32WindowDriver::FocusedControl() const
{
    const HWND f = GetFocus();
    return f != nullptr ? ControlOf(f) : kNoControl;
}

// ---- Any control ------------------------------------------------------------------------

void Win32WindowDriver::SetEnabled(int id, bool enable)
{
    if (HWND h = Window(id)) EnableWindow(h, enable ? TRUE : FALSE);
}

bool Win32WindowDriver::IsEnabled(int id) const
{
    const HWND h = Window(id);
    return h != nullptr && IsWindowEnabled(h);
}

void Win32WindowDriver::SetVisible(int id, bool visible)
{
    if (HWND h = Window(id)) ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32WindowDriver::IsShown(int id) const
{
    const HWND h = Window(id);
    return h != nullptr && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32WindowDriver::SetText(int id, const CString& value)
{
    const HWND h = Window(id);
    if (h == nullptr) return;
    Quiet quiet(m_quiet);
    if (id != kSelf && KindOf(id) == Kind::IpAddress) {
        // The framework's reading of the text, parts without a value blank.
        SendMessageW(h, IPM_CLEARADDRESS, 0, 0);
        const std::vector<HWND> fields = AddressFields(h);
        const auto texts = AddressFieldsOf(value.str());
        for (std::size_t i = 0; i < fields.size() && i < 4; ++i)
            SetWindowTextW(fields[i], Wide(texts[i]).c_str());
        return;
    }
    const std::wstring text = Wide(value.str());
    SetWindowTextW(h, text.c_str());
    if (id != kSelf && KindOf(id) == Kind::Edit) {
        if (m_byteLimits.count(id) != 0) m_lastTexts[id] = text;
        SendMessageW(h, EM_SETSEL, 0, 0);  // a long text shows from its start
    }
}

CString Win32WindowDriver::GetText(int id) const
{
    const HWND h = Window(id);
    if (h == nullptr) return {};
    if (id != kSelf && KindOf(id) == Kind::IpAddress)
        return CString(AddressTextOf(FieldTexts(AddressFields(h))));
    return CString(Narrow(TextOf(h)));
}

void Win32WindowDriver::SetFocus(int id, FocusReason reason)
{
    const HWND h = Window(id);
    if (h == nullptr) return;
    ::SetFocus(h);
    // Tabbing into an edit selects its text, as the dialog manager does.
    if (reason == FocusReason::Tab && id != kSelf && KindOf(id) == Kind::Edit)
        SendMessageW(h, EM_SETSEL, 0, -1);
}

void Win32WindowDriver::Click(int id)
{
    if (HWND h = Window(id)) SendMessageW(h, BM_CLICK, 0, 0);
}

void Win32WindowDriver::Update(int id)
{
    if (HWND h = Window(id)) RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

CRect Win32WindowDriver::Rect(int id) const
{
    const HWND h = Window(id);
    if (h == nullptr) return {};
    RECT r;
    GetWindowRect(h, &r);
    const HWND parent = (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(h) : nullptr;
    if (parent != nullptr) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right, r.bottom};
}

void Win32WindowDriver::Move(int id, const CRect& rect)
{
    if (HWND h = Window(id)) MoveWindow(h, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
}

// ---- Check boxes and edits --------------------------------------------------------------

void Win32WindowDriver::SetCheck(int id, int state)
{
    Quiet quiet(m_quiet);
    if (HWND h = Window(id)) SendMessageW(h, BM_SETCHECK, state != 0 ? BST_CHECKED : 0, 0);
}

int Win32WindowDriver::GetCheck(int id) const
{
    const HWND h = Window(id);
    return h != nullptr && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32WindowDriver::LimitText(int id, int maxChars)
{
    if (HWND h = Window(id)) SendMessageW(h, EM_SETLIMITTEXT, maxChars > 0 ? maxChars : 0, 0);
}

void Win32WindowDriver::LimitBytes(int id, std::size_t maxBytes)
{
    const HWND h = Window(id);
    if (h == nullptr) return;
    SendMessageW(h, EM_SETLIMITTEXT, static_cast<WPARAM>(std::min<std::size_t>(maxBytes, 30000)),
                 0);
    m_byteLimits[id] = maxBytes;
    m_lastTexts[id] = TextOf(h);
}

// ---- Rows -------------------------------------------------------------------------------

namespace {

// The list opens at least as wide as its widest entry; the system opens it as wide as the box,
// cutting long entries off.
void FitDroppedWidth(HWND combo, const std::wstring& text)
{
    const HDC dc = GetDC(combo);
    if (dc == nullptr) return;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0));
    const HGDIOBJ was = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (was != nullptr) SelectObject(dc, was);
    ReleaseDC(combo, dc);
    const int needed = static_cast<int>(size.cx) + GetSystemMetrics(SM_CXVSCROLL) +
                       4 * GetSystemMetrics(SM_CXEDGE) + 4;
    if (needed > static_cast<int>(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0)))
        SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(needed), 0);
}

}  // namespace

int Win32WindowDriver::InsertItem(int id, int index, const CString& value)
{
    const HWND h = Window(id);
    if (h == nullptr) return -1;
    Quiet quiet(m_quiet);
    const std::wstring text = Wide(value.str());
    const auto lp = reinterpret_cast<LPARAM>(text.c_str());
    switch (KindOf(id)) {
        case Kind::ComboBox: {
            const auto n = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
            const int at = (index < 0 || index > n) ? -1 : index;
            const LRESULT r = SendMessageW(h, CB_INSERTSTRING, static_cast<WPARAM>(at), lp);
            if (r >= 0) FitDroppedWidth(h, text);
            return r < 0 ? -1 : static_cast<int>(r);
        }
        case Kind::ListBox: {
            const auto n = static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
            const int at = (index < 0 || index > n) ? -1 : index;
            const LRESULT r = SendMessageW(h, LB_INSERTSTRING, static_cast<WPARAM>(at), lp);
            return r < 0 ? -1 : static_cast<int>(r);
        }
        case Kind::ListView: {
            const auto n = static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = (index < 0 || index > n) ? n : index;
            item.pszText = const_cast<wchar_t*>(text.c_str());
            return static_cast<int>(
                SendMessageW(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        }
        default:
            return -1;
    }
}

bool Win32WindowDriver::DeleteItem(int id, int index)
{
    const HWND h = Window(id);
    if (h == nullptr || index < 0) return false;
    Quiet quiet(m_quiet);
    switch (KindOf(id)) {
        case Kind::ComboBox: {
            const auto sel = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
            const std::wstring typed = TextOf(h);
            if (SendMessageW(h, CB_DELETESTRING, static_cast<WPARAM>(index), 0) == CB_ERR)
                return false;
            // The selection goes with its entry; the field keeps what it showed.
            if (sel == index) {
                SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
                if ((GetWindowLongW(h, GWL_STYLE) & 3) == CBS_DROPDOWN)
                    SetWindowTextW(h, typed.c_str());
            }
            return true;
        }
        case Kind::ListBox:
            return SendMessageW(h, LB_DELETESTRING, static_cast<WPARAM>(index), 0) != LB_ERR;
        case Kind::ListView:
            return SendMessageW(h, LVM_DELETEITEM, static_cast<WPARAM>(index), 0) != FALSE;
        default:
            return false;
    }
}

void Win32WindowDriver::DeleteAllItems(int id)
{
    const HWND h = Window(id);
    if (h == nullptr) return;
    Quiet quiet(m_quiet);
    switch (KindOf(id)) {
        case Kind::ComboBox:
            SendMessageW(h, CB_RESETCONTENT, 0, 0);
            SetWindowTextW(h, L"");
            break;
        case Kind::ListBox:
            SendMessageW(h, LB_RESETCONTENT, 0, 0);
            break;
        case Kind::ListView:
            SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
            break;
        default:
            break;
    }
}

int Win32WindowDriver::ItemCount(int id) const
{
    const HWND h = Window(id);
    if (h == nullptr) return 0;
    LRESULT n = 0;
    switch (KindOf(id)) {
        case Kind::ComboBox:
            n = SendMessageW(h, CB_GETCOUNT, 0, 0);
            break;
        case Kind::ListBox:
            n = SendMessageW(h, LB_GETCOUNT, 0, 0);
            break;
        case Kind::ListView:
            n = SendMessageW(h, LVM_GETITEMCOUNT, 0, 0);
            break;
        default:
            break;
    }
    return n < 0 ? 0 : static_cast<int>(n);
}

CString Win32WindowDriver::ItemText(int id, int index, int column) const
{
    const HWND h = Window(id);
    if (h == nullptr || index < 0 || index >= ItemCount(id)) return {};
    const auto i = static_cast<WPARAM>(index);
    switch (KindOf(id)) {
        case Kind::ComboBox:
        case Kind::ListBox: {
            const bool combo = KindOf(id) == Kind::ComboBox;
            const LRESULT len = SendMessageW(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, i, 0);
            if (len < 0) return {};
            std::wstring s(static_cast<std::size_t>(len) + 1, L'\0');
            const LRESULT got = SendMessageW(h, combo ? CB_GETLBTEXT : LB_GETTEXT, i,
                                             reinterpret_cast<LPARAM>(s.data()));
            s.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
            return CString(Narrow(s));
        }
        case Kind::ListView: {
            std::wstring s(1024, L'\0');
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = s.data();
            item.cchTextMax = static_cast<int>(s.size());
            const LRESULT got =
                SendMessageW(h, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            s.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
            return CString(Narrow(s));
        }
        default:
            return {};
    }
}

bool Win32WindowDriver::SetItemText(int id, int index, int column, const CString& value)
{
    const HWND h = Window(id);
    if (h == nullptr || KindOf(id) != Kind::ListView || index < 0 || index >= ItemCount(id) ||
        column < 0 || column >= ColumnCount(id))
        return false;
    std::wstring text = Wide(value.str());
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    return SendMessageW(h, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&item)) != FALSE;
}

int Win32WindowDriver::CurSel(int id) const
{
    const HWND h = Window(id);
    if (h == nullptr) return -1;
    LRESULT r = -1;
    switch (KindOf(id)) {
        case Kind::ComboBox:
            r = SendMessageW(h, CB_GETCURSEL, 0, 0);
            break;
        case Kind::ListBox:
            r = SendMessageW(h, LB_GETCURSEL, 0, 0);
            break;
        case Kind::ListView:
            r = SendMessageW(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
            break;
        default:
            break;
    }
    return r < 0 ? -1 : static_cast<int>(r);
}

int Win32WindowDriver::SetCurSel(int id, int index)
{
    const HWND h = Window(id);
    if (h == nullptr) return -1;
    Quiet quiet(m_quiet);
    const bool valid = index >= 0 && index < ItemCount(id);
    const auto at = static_cast<WPARAM>(valid ? index : -1);
    switch (KindOf(id)) {
        case Kind::ComboBox:
            SendMessageW(h, CB_SETCURSEL, at, 0);
            if (!valid) SetWindowTextW(h, L"");
            break;
        case Kind::ListBox:
            SendMessageW(h, LB_SETCURSEL, at, 0);
            break;
        case Kind::ListView: {
            LVITEMW none{};
            none.stateMask = LVIS_SELECTED;
            SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(&none));
            if (valid) SelectRow(id, index);
            break;
        }
        default:
            return -1;
    }
    return valid ? index : -1;
}

// ---- List-view columns ------------------------------------------------------------------

void Win32WindowDriver::SetExtendedStyle(int id, std::uint32_t style)
{
    if (HWND h = Window(id); h != nullptr && KindOf(id) == Kind::ListView)
        SendMessageW(h, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style));
}

int Win32WindowDriver::ColumnCount(int id) const
{
    const HWND h = Window(id);
    if (h == nullptr || KindOf(id) != Kind::ListView) return 0;
    const auto header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
    return header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

bool Win32WindowDriver::SelectRow(int id, int index)
{
    const HWND h = Window(id);
    if (h == nullptr || KindOf(id) != Kind::ListView || index < 0 || index >= ItemCount(id))
        return false;
    Quiet quiet(m_quiet);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    return SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&item)) != FALSE;
}

int Win32WindowDriver::InsertColumn(int id, int column, const CString& heading, int width)
{
    const HWND h = Window(id);
    if (h == nullptr || KindOf(id) != Kind::ListView || column < 0) return -1;
    std::wstring text = Wide(heading.str());
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.fmt = LVCFMT_LEFT;
    c.cx = width;
    c.pszText = text.data();
    c.iSubItem = column;
    return static_cast<int>(SendMessageW(h, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                         reinterpret_cast<LPARAM>(&c)));
}

// ---- Pickers, address controls ----------------------------------------------------------

// A native picker holds a whole date and time and shows the part its format names.
void Win32WindowDriver::SetDateTime(int id, const DateTime& value)
{
    const HWND h = Window(id);
    if (h == nullptr) return;
    Quiet quiet(m_quiet);
    SYSTEMTIME st = ToSystemTime(value);
    SendMessageW(h, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

DateTime Win32WindowDriver::GetDateTime(int id) const
{
    const HWND h = Window(id);
    if (h == nullptr) return {};
    SYSTEMTIME st{};
    if (SendMessageW(h, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID)
        return {};
    return FromSystemTime(st);
}

void Win32WindowDriver::SetDateTimeRange(int id, const DateTime& first, const DateTime& last)
{
    const HWND h = Window(id);
    if (h == nullptr || KindOf(id) != Kind::DatePicker) return;
    std::array<SYSTEMTIME, 2> range{ToSystemTime(first), ToSystemTime(last)};
    SendMessageW(h, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range.data()));
}

// ---- Screen readers, empty lists ---------------------------------------------------------

// Readers on Windows name a control after the static text before it in the tab order, which is
// the label the framework names it by; the names are kept for the probes that check them.
void Win32WindowDriver::SetAccessibleName(int id, const CString& name)
{
    m_accessibleNames[id] = name;
}

CString Win32WindowDriver::AccessibleName(int id) const
{
    const auto it = m_accessibleNames.find(id);
    return it != m_accessibleNames.end() ? it->second : CString();
}

// The text is drawn over the empty list after the list painted itself: never a row.
void Win32WindowDriver::SetEmptyText(int id, const CString& text)
{
    const HWND h = Window(id);
    const Kind kind = KindOf(id);
    if (h == nullptr || (kind != Kind::ListBox && kind != Kind::ListView)) return;
    if (m_emptyTexts.count(h) == 0)
        SetWindowSubclass(h, &Win32WindowDriver::EmptyListProc, 1,
                          reinterpret_cast<DWORD_PTR>(this));
    m_emptyTexts[h] = Wide(text.str());
    InvalidateRect(h, nullptr, TRUE);
}

LRESULT CALLBACK Win32WindowDriver::EmptyListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                                  DWORD_PTR selfPtr)
{
    auto* self = reinterpret_cast<Win32WindowDriver*>(selfPtr);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(h, &Win32WindowDriver::EmptyListProc, 1);
        self->m_emptyTexts.erase(h);
        return DefSubclassProc(h, msg, wp, lp);
    }
    // A row added or the last one gone: the whole list repaints, placeholder and all.
    if (msg == LB_ADDSTRING || msg == LB_INSERTSTRING || msg == LB_DELETESTRING ||
        msg == LB_RESETCONTENT || msg == LVM_INSERTITEMW || msg == LVM_DELETEITEM ||
        msg == LVM_DELETEALLITEMS)
        InvalidateRect(h, nullptr, TRUE);
    const LRESULT r = DefSubclassProc(h, msg, wp, lp);
    if (msg != WM_PAINT) return r;
    const auto it = self->m_emptyTexts.find(h);
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    const bool listView = _wcsicmp(cls, WC_LISTVIEWW) == 0;
    const LRESULT rows = SendMessageW(h, listView ? LVM_GETITEMCOUNT : LB_GETCOUNT, 0, 0);
    if (it == self->m_emptyTexts.end() || it->second.empty() || rows != 0) return r;
    RECT area;
    GetClientRect(h, &area);
    if (listView) {
        const auto header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
        RECT hr{};
        if (header != nullptr && GetWindowRect(header, &hr)) area.top += hr.bottom - hr.top;
    }
    InflateRect(&area, -4, -4);
    HDC dc = GetDC(h);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, it->second.c_str(), -1, &area, DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return r;
}

}  // namespace ui::win32
