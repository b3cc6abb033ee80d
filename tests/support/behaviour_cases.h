// What a user does to a dialog, written once and run on every backend: each backend's test
// runner supplies a User that makes the input happen as its windowing system would (keys to
// the focused control, the close box), and each case returns what went wrong, if anything.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "protocol/entry_names.h"
#include "tests/support/ui_templates.h"
#include "ui/busy_wait.h"

namespace ui_test {

class User {
public:
    virtual ~User() = default;
    // Runs `fn` once the window is up and its modal loop runs.
    virtual void Later(std::function<void()> fn) = 0;
    virtual void Key(ui::Key key, unsigned modifiers = 0) = 0;  // to the focus, handled now
    virtual void PostKey(ui::Key key) = 0;           // queued for the focus, as typing ahead does
    virtual void Type(const std::string& text) = 0;  // characters, each to the focus then
    virtual void KeypadEnter() = 0;                  // the keypad's Enter key, to the focus
    // Onto the clipboard, then Ctrl+V (or Shift+Insert).
    virtual void Paste(const std::string& text, bool shiftInsert = false) = 0;
    virtual void CloseBox(ui::CDialog& dlg) = 0;
    virtual bool HasFocus(ui::CDialog& dlg, int id) = 0;        // the control or a part of it
    virtual bool AddressIsBlank(ui::CDialog& dlg, int id) = 0;  // all four fields empty
};

using Failures = std::vector<std::string>;

namespace detail {
inline void Expect(Failures& f, bool ok, const std::string& what)
{
    if (!ok) f.push_back(what);
}

// Runs `fn` once the widgets dialog is up, its address control bound; then closes the dialog.
inline void InWidgets(User& u, const std::function<void(Probe&, ui::CIPAddressCtrl&)>& fn)
{
    Probe dlg(kWidgets);
    dlg.onInit = [&] {
        u.Later([&] {
            ui::CIPAddressCtrl ip;
            ip.SubclassDlgItem(kAddress, &dlg);
            fn(dlg, ip);
            dlg.EndDialog(IDOK);
        });
    };
    dlg.DoModal();
}
}  // namespace detail

// Return presses the default button, Escape cancels, the close box cancels; Tab walks the
// template's order.
inline Failures ReturnEscapeTabAndTheCloseBox(User& u)
{
    Failures f;
    using detail::Expect;
    {
        Probe dlg(kFormDlg);
        bool tabbed = false;
        dlg.onInit = [&] {
            u.Later([&] {
                dlg.name.SetFocus();
                u.Key(ui::Key::Tab);
                tabbed = u.HasFocus(dlg, kPassword);
                dlg.name.SetFocus();
                u.Key(ui::Key::Return);
            });
        };
        Expect(f, dlg.DoModal() == IDOK, "Return in an edit: the default button (OK)");
        Expect(f, tabbed, "Tab from the name goes to the password");
    }
    {
        Probe dlg(kFormDlg);
        dlg.onInit = [&] { u.Later([&] { u.Key(ui::Key::Escape); }); };
        Expect(f, dlg.DoModal() == IDCANCEL, "Escape cancels");
    }
    {
        Probe dlg(kFormDlg);
        dlg.onInit = [&] { u.Later([&] { u.CloseBox(dlg); }); };
        Expect(f, dlg.DoModal() == IDCANCEL, "the close box cancels");
    }
    return f;
}

// The dialog manager's keys beyond the plain ones: the keypad's Enter on a push button clicks
// that button, not the default one; PreTranslateKey sees a key first and may take it; Tab
// walks every tab stop in template order and wraps, Shift+Tab walks back, a disabled control
// is skipped.
inline Failures KeysOfTheDialogManager(User& u)
{
    Failures f;
    using detail::Expect;
    {
        Probe dlg(kFormDlg);
        dlg.Listen(ui::Notify::Clicked, kMap);
        bool stayed = false;
        dlg.onInit = [&] {
            u.Later([&] {
                ui::CWnd map;
                map.SubclassDlgItem(kMap, &dlg);
                map.SetFocus();
                u.KeypadEnter();
                stayed = dlg.IsModalRunning();
                u.Key(ui::Key::Escape);
            });
        };
        Expect(f, dlg.DoModal() == IDCANCEL && dlg.okCalls == 0 && stayed,
               "keypad Enter on a push button: not the default button");
        Expect(f, dlg.log.size() == 1, "keypad Enter on a push button clicks it");
    }
    {
        Probe dlg(kFormDlg);
        int seen = 0;
        dlg.preTranslate = [&](ui::Key key) { return key == ui::Key::Return && ++seen > 0; };
        bool running = false;
        dlg.onInit = [&] {
            u.Later([&] {
                dlg.name.SetFocus();
                u.Key(ui::Key::Return);
                running = dlg.IsModalRunning();
                dlg.EndDialog(IDCANCEL);
            });
        };
        dlg.DoModal();
        Expect(f, seen == 1 && running, "PreTranslateKey takes Return before the dialog");
    }
    {
        Probe dlg(kFormDlg);
        dlg.onInit = [&] {
            u.Later([&] {
                Expect(f, u.HasFocus(dlg, IDCANCEL), "the first tab stop has the focus");
                for (const int id :
                     std::initializer_list<int>{kName, kPassword, kVerify, kMap, IDOK, IDCANCEL}) {
                    u.Key(ui::Key::Tab);
                    Expect(f, u.HasFocus(dlg, id), "Tab to " + std::to_string(id));
                }
                u.Key(ui::Key::Tab, ui::keymod::Shift);
                Expect(f, u.HasFocus(dlg, IDOK), "Shift+Tab walks back");
                u.Key(ui::Key::Tab);
                dlg.name.EnableWindow(false);
                u.Key(ui::Key::Tab);
                Expect(f, u.HasFocus(dlg, kPassword), "a disabled control is skipped");
                dlg.EndDialog(IDOK);
            });
        };
        dlg.DoModal();
    }
    return f;
}

// Changes from code notify nobody; the same change by the user does, once.
inline Failures OnlyTheUserNotifies(User& u)
{
    Failures f;
    using detail::Expect;
    Probe dlg(kWidgets);
    dlg.Listen(ui::Notify::SelChange, kMode);
    std::size_t fromCode = 99;
    int chosen = -2;
    dlg.onInit = [&] {
        dlg.mode.SetCurSel(1);
        dlg.mode.SetCurSel(-1);
        dlg.mode.AddString("third");
        u.Later([&] {
            fromCode = dlg.log.size();
            dlg.mode.SetFocus();
            u.Key(ui::Key::Down);
            chosen = dlg.mode.GetCurSel();
            dlg.EndDialog(IDOK);
        });
    };
    dlg.DoModal();
    Expect(f, fromCode == 0, "a selection from code notified");
    Expect(f, dlg.log.size() == 1,
           "Down in the combo: one notification, got " + std::to_string(dlg.log.size()));
    // Which entry depends on the backend (the native list keeps its caret where code left it).
    Expect(f, chosen >= 0, "Down in the combo chooses an entry");
    return f;
}

// An address round-trips as a dotted quad; a blank one reads 0.0.0.0; what is not a quad
// fills what it can. A picker keeps to its range.
inline Failures AddressesAndPickerRanges(User& u)
{
    Failures f;
    using detail::Expect;
    detail::InWidgets(u, [&](Probe& dlg, ui::CIPAddressCtrl& ip) {
        ip.SetAddressText("192.0.2.254");
        Expect(f, ip.GetAddressText() == ui::CString("192.0.2.254"), "address round trip");
        Expect(f, !u.AddressIsBlank(dlg, kAddress), "a set address is not blank");
        ip.SetAddressText("");
        Expect(f, u.AddressIsBlank(dlg, kAddress), "an empty address is blank");
        Expect(f, ip.GetAddressText() == ui::CString("0.0.0.0"), "blank reads 0.0.0.0");
        ip.SetAddressText("10.1");
        Expect(f, ip.GetAddressText() == ui::CString("10.1.0.0"),
               "a part address: " + ip.GetAddressText().str());

        const ui::DateTime first{2000, 1, 1, 0, 0, 0}, last{2037, 12, 31, 23, 59, 59};
        dlg.date.SetRange(first, last);
        const ui::DateTime inside{2030, 6, 15, 0, 0, 0};
        dlg.date.SetTime(inside);
        const ui::DateTime got = dlg.date.GetTime();
        Expect(f, got.year == 2030 && got.month == 6 && got.day == 15, "a date in range");
        dlg.date.SetTime({2040, 1, 1, 0, 0, 0});
        const int year = dlg.date.GetTime().year;
        Expect(f, year >= 2000 && year <= 2037,
               "a date past the range is not taken: " + std::to_string(year));
    });
    return f;
}

// Typed as people do: Tab into the address, digits and dots over what it held. Three digits
// move on by themselves, the dot typed next does not move again, and Backspace goes back.
inline Failures TypedAddresses(User& u)
{
    Failures f;
    using detail::Expect;
    detail::InWidgets(u, [&](Probe& dlg, ui::CIPAddressCtrl& ip) {
        ui::CWnd mode;
        mode.SubclassDlgItem(kMode, &dlg);
        const auto typed = [&](const char* before, const char* keys) {
            ip.SetAddressText(before);
            mode.SetFocus();
            u.Key(ui::Key::Tab);
            u.Type(keys);
            return ip.GetAddressText().str();
        };
        for (const char* keys : {"10.1.100.7", "192.168.100.1", "255.255.0.0"}) {
            const std::string got = typed("192.0.2.254", keys);
            Expect(f, got == keys, std::string("typed ") + keys + ", read " + got);
        }
        const std::string over = typed("0.0.0.0", "300.1.2.3");
        Expect(f, over == "255.1.2.3", "a field past 255 holds 255, read " + over);
        // Backspace empties the field, then steps back into the one before.
        const std::string back = typed("192.0.2.254", "10.1.2\b\b5");
        Expect(f, back == "10.15.0.254", "Backspace back into the field before, read " + back);
        const std::string letters = typed("0.0.0.0", "1x0.2-.3a.4");
        Expect(f, letters == "10.2.3.4", "only digits go into a field, read " + letters);
        // A pasted address fills every field from the one the caret is in; other text is
        // refused as typed letters are.
        const auto pasted = [&](const char* before, const char* clip) {
            typed(before, "");
            u.Paste(clip);
            return ip.GetAddressText().str();
        };
        const std::string whole = pasted("192.0.2.254", " 10.0.300.7\n");
        Expect(f, whole == "10.0.0.7", "a pasted address, read " + whole);
        const std::string refused = pasted("192.0.2.254", "1a");
        Expect(f, refused == "192.0.2.254", "a pasted \"1a\" is refused, read " + refused);
        typed("0.0.0.0", "");
        u.Paste("192.0.2.9", true);
        const std::string shiftInsert = ip.GetAddressText().str();
        Expect(f, shiftInsert == "192.0.2.9", "pasted by Shift+Insert, read " + shiftInsert);
        // A disabled control keeps what it shows.
        ip.EnableWindow(false);
        Expect(f, ip.GetAddressText() == ui::CString("192.0.2.9"), "disabled: the address kept");
        ip.EnableWindow(true);
    });
    return f;
}

// The same four texts typed, pasted and set from code into a blank address give the same
// address on every backend; each result is printed, so runs on two systems can be compared.
inline Failures AddressTable(User& u)
{
    struct Row {
        const char* text;
        const char* typed;
        const char* pasted;
    };
    static constexpr Row kRows[] = {
        {"1.x.3.4", "1.3.4.0", "1.0.3.4"},
        {"01.002.3.4", "1.2.3.4", "1.2.3.4"},
        {"1.2.3.4.5", "1.2.3.45", "1.2.3.4"},
        {" 10.0.300.7", "10.0.255.7", "10.0.0.7"},
    };
    Failures f;
    using detail::Expect;
    detail::InWidgets(u, [&](Probe& dlg, ui::CIPAddressCtrl& ip) {
        ui::CWnd mode;
        mode.SubclassDlgItem(kMode, &dlg);
        const auto into = [&](const std::function<void(const char*)>& input, const char* text) {
            ip.SetAddressText("");
            mode.SetFocus();
            u.Key(ui::Key::Tab);
            input(text);
            return ip.GetAddressText().str();
        };
        for (const Row& r : kRows) {
            const std::string typed = into([&](const char* t) { u.Type(t); }, r.text);
            const std::string pasted = into([&](const char* t) { u.Paste(t); }, r.text);
            ip.SetAddressText(r.text);
            const std::string set = ip.GetAddressText().str();
            std::printf("address \"%s\": typed %s, pasted %s, set %s\n", r.text, typed.c_str(),
                        pasted.c_str(), set.c_str());
            Expect(f, set == r.pasted, std::string("set \"") + r.text + "\", read " + set);
            Expect(f, typed == r.typed, std::string("typed \"") + r.text + "\", read " + typed);
            Expect(f, pasted == r.pasted, std::string("pasted \"") + r.text + "\", read " + pasted);
        }
    });
    return f;
}

// While an exchange waits, the window repaints but the user's input is dropped: a key typed
// meanwhile does nothing afterwards. The wait's slices add up to its interval.
inline Failures InputDuringAWaitIsDropped(User& u)
{
    Failures f;
    using detail::Expect;
    Probe dlg(kFormDlg);
    int result = -5;
    dlg.onInit = [&] {
        u.Later([&] {
            const int droppedBefore = ui::DroppedInputEvents();
            u.PostKey(ui::Key::Escape);  // would cancel the dialog
            std::chrono::milliseconds waited{0};
            int slices = 0;
            ui::WaitWithoutFreezing(std::chrono::milliseconds(50), std::chrono::milliseconds(5),
                                    true, [&](std::chrono::milliseconds step) {
                                        waited += step;
                                        ++slices;
                                        return false;
                                    });
            Expect(f, waited == std::chrono::milliseconds(50) && slices == 10,
                   "the slices add up to the wait");
            Expect(f, ui::IsBusy(), "busy during the wait");
            ui::SetBusy(false);
            Expect(f, !ui::IsBusy(), "not busy once the work is over");
            Expect(f, ui::DroppedInputEvents() > droppedBefore, "the key was dropped");
            // A slice that finds what it waits for ends a wait that may end early.
            slices = 0;
            ui::WaitWithoutFreezing(std::chrono::milliseconds(50), std::chrono::milliseconds(5),
                                    true, [&](std::chrono::milliseconds) { return ++slices == 2; });
            ui::SetBusy(false);
            Expect(f, slices == 2, "a ready slice ends the wait");
            u.Later([&] { dlg.EndDialog(IDOK); });
        });
    };
    result = dlg.DoModal();
    Expect(f, result == IDOK, "the key typed during the wait cancelled the dialog");
    return f;
}

// Text typed over an editable combo box's entry leaves no selection; what the text names, by
// the rule the command line shares, becomes the selection, and text naming none stays as typed.
inline Failures TypedTextNamesAnEntry(User& u)
{
    Failures f;
    using detail::Expect;
    Probe dlg(kChoices);
    dlg.onInit = [&] {
        u.Later([&] {
            const auto names = [](std::span<const std::string_view> e, std::string_view t) {
                return protocol::FindNamedEntry(e, t);
            };
            // Tab into the box selects its text, so typing replaces it.
            const auto typed = [&](const char* text) {
                dlg.mode.SetCurSel(0);
                dlg.name.SetFocus();
                u.Key(ui::Key::Tab);
                u.Type(text);
                Expect(f, dlg.mode.GetCurSel() == -1,
                       std::string("typed ") + text + ": a selection");
                return dlg.mode.SelectTypedEntry(names);
            };
            for (const auto& [text, entry] : std::initializer_list<std::pair<const char*, int>>{
                     {"dhcp", 1}, {" (GMT+01:00) Brussels", 2}, {"BRUSSELS ", 2}, {"static", 0}}) {
                const int got = typed(text);
                Expect(f, got == entry && dlg.mode.GetCurSel() == entry,
                       std::string("typed ") + text + ", chose " + std::to_string(got));
                Expect(f, dlg.mode.GetWindowText() == dlg.mode.GetLBText(entry),
                       std::string("typed ") + text + ", shows " + dlg.mode.GetWindowText().str());
            }
            Expect(f, typed("nowhere") == ui::CComboBox::kUnnamed, "\"nowhere\" names an entry");
            Expect(f, dlg.mode.GetWindowText() == ui::CString("nowhere"),
                   "an unnamed text stays, read " + dlg.mode.GetWindowText().str());
            Expect(f, u.HasFocus(dlg, kMode), "the focus left the box");
            dlg.mode.SetCurSel(-1);
            Expect(f, dlg.mode.SelectTypedEntry(names) == -1, "an empty box chose something");
            dlg.EndDialog(IDOK);
        });
    };
    dlg.DoModal();
    return f;
}

// A picker keeps the keys only while its calendar is open: otherwise Tab and Shift+Tab move on
// and Escape cancels, as in any other control.
inline Failures PickersLeaveTheDialogKeys(User& u)
{
    Failures f;
    using detail::Expect;
    Probe dlg(kChoices);
    dlg.onInit = [&] {
        u.Later([&] {
            dlg.mode.SetFocus();
            u.Key(ui::Key::Tab);
            Expect(f, u.HasFocus(dlg, kDate), "Tab into the date picker");
            u.Key(ui::Key::Tab);
            Expect(f, u.HasFocus(dlg, kTime), "Tab from the date picker to the time picker");
            u.Key(ui::Key::Tab, ui::keymod::Shift);
            Expect(f, u.HasFocus(dlg, kDate), "Shift+Tab from the time picker");
            u.Key(ui::Key::Tab, ui::keymod::Shift);
            Expect(f, u.HasFocus(dlg, kMode), "Shift+Tab from the date picker");
            u.Key(ui::Key::Tab);
            u.Key(ui::Key::Escape);
            u.Later([&] { dlg.EndDialog(IDOK); });
        });
    };
    Expect(f, dlg.DoModal() == IDCANCEL, "Escape in the date picker did not cancel");
    return f;
}

// The cases by name, for each runner to go through.
inline std::vector<std::pair<const char*, Failures (*)(User&)>> BehaviourCases()
{
    return {{"ReturnEscapeTabAndTheCloseBox", &ReturnEscapeTabAndTheCloseBox},
            {"KeysOfTheDialogManager", &KeysOfTheDialogManager},
            {"OnlyTheUserNotifies", &OnlyTheUserNotifies},
            {"AddressesAndPickerRanges", &AddressesAndPickerRanges},
            {"TypedAddresses", &TypedAddresses},
            {"AddressTable", &AddressTable},
            {"InputDuringAWaitIsDropped", &InputDuringAWaitIsDropped},
            {"TypedTextNamesAnEntry", &TypedTextNamesAnEntry},
            {"PickersLeaveTheDialogKeys", &PickersLeaveTheDialogKeys}};
}

}  // namespace ui_test
