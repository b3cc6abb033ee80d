// A second process that looks at the program's windows as another program (or an automation
// tool) would: it finds a top-level window by its title and reads or presses its controls by
// id, searching child dialogs too. The end-to-end test types with xdotool and checks with this.
//   window_probe desktop                 waits until windows can be made (a fresh prefix starts its
//                                        desktop process with the first program that needs it)
//   window_probe wait TITLE [SECONDS]    a visible window of that title appears (exit 0) or not
//   window_probe gone TITLE [SECONDS]    no such window is left
//   window_probe text TITLE ID           the control's text
//   window_probe items TITLE ID          a list box's entries, one a line
//   window_probe click TITLE ID          presses a push button (posted: it may open a modal)
//   window_probe settext TITLE ID TEXT   sets the control's text, as typing over it would
//   window_probe rect TITLE ID           the control's rectangle on the screen: left top right
//   bottom window_probe focus TITLE             the id of the control with the focus in that window
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                            nullptr);
    return s;
}

void Print(const std::wstring& line)
{
    const std::string s = Utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written,
              nullptr);
}

struct Search {
    std::wstring title;
    HWND found = nullptr;
};

HWND FindTop(const std::wstring& title)
{
    Search s{title};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t text[512] = {};
            GetWindowTextW(h, text, 512);
            if (IsWindowVisible(h) && s->title == text) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND FindControl(HWND top, int id)
{
    struct Find {
        int id;
        HWND found = nullptr;
    } f{id};
    EnumChildWindows(
        top,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lp);
            if (GetDlgCtrlID(h) == f->id && IsWindowVisible(h)) {
                f->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
    return f.found;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc == 2 && std::wstring(argv[1]) == L"desktop") {
        for (int i = 0; i < 200; ++i) {
            HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
            if (w != nullptr) {
                DestroyWindow(w);
                return 0;
            }
            Sleep(100);
        }
        std::fprintf(stderr, "window_probe: no window could be made (error %lu)\n", GetLastError());
        return 1;
    }
    if (argv == nullptr || argc < 3) {
        std::fprintf(stderr, "usage: window_probe wait|gone|text|items|click TITLE [ID|SECONDS]\n");
        return 2;
    }
    const std::wstring verb = argv[1];
    const std::wstring title = argv[2];
    if (verb == L"wait" || verb == L"gone") {
        const int seconds = argc > 3 ? _wtoi(argv[3]) : 20;
        for (int i = 0; i < seconds * 10; ++i) {
            const bool present = FindTop(title) != nullptr;
            if (present == (verb == L"wait")) return 0;
            Sleep(100);
        }
        std::fprintf(stderr, "window_probe: %s %s: timed out\n", Utf8(verb).c_str(),
                     Utf8(title).c_str());
        return 1;
    }
    if (verb == L"focus") {
        const HWND window = FindTop(title);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (window == nullptr ||
            !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ||
            info.hwndFocus == nullptr)
            return 1;
        // A combo box's edit, an address control's field: the control is their parent.
        HWND control = info.hwndFocus;
        for (HWND up = GetParent(control); up != nullptr && up != window; up = GetParent(up)) {
            wchar_t cls[64] = {};
            GetClassNameW(up, cls, 64);
            const std::wstring c = cls;
            if (c == L"ComboBox" || c == L"SysIPAddress32" || c == L"SysDateTimePick32")
                control = up;
        }
        Print(std::to_wstring(GetDlgCtrlID(control)));
        return 0;
    }
    if (argc < 4) return 2;
    const HWND top = FindTop(title);
    const HWND control = top != nullptr ? FindControl(top, _wtoi(argv[3])) : nullptr;
    if (control == nullptr) {
        std::fprintf(stderr, "window_probe: no control %s in \"%s\"\n", Utf8(argv[3]).c_str(),
                     Utf8(title).c_str());
        return 1;
    }
    if (verb == L"text") {
        wchar_t text[1024] = {};
        SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
        Print(text);
    } else if (verb == L"items") {
        const auto n = SendMessageW(control, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t text[512] = {};
            SendMessageW(control, LB_GETTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text));
            Print(text);
        }
    } else if (verb == L"rect") {
        RECT r;
        GetWindowRect(control, &r);
        Print(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
              std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
    } else if (verb == L"click") {
        PostMessageW(control, BM_CLICK, 0, 0);
    } else if (verb == L"settext" && argc > 4) {
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    } else {
        return 2;
    }
    return 0;
}
