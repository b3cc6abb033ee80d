// One dialog window on the Windows dialog manager: created from its in-memory template, its
// controls addressed by template id, their notifications handed to the framework unless the
// change came from code.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "ui/win32/windows_names.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/driver.h"

namespace ui::win32 {

class Win32WindowDriver final : public WindowDriver {
public:
    Win32WindowDriver(const DialogTemplate& t, WindowEvents& events, Win32WindowDriver* parent,
                      bool child);
    ~Win32WindowDriver() override;
    Win32WindowDriver(const Win32WindowDriver&) = delete;
    Win32WindowDriver& operator=(const Win32WindowDriver&) = delete;

    bool ok() const { return m_hwnd != nullptr; }
    HWND hwnd() const { return m_hwnd; }
    WindowEvents& events() const { return m_events; }
    static Win32WindowDriver* FromWindow(HWND hwnd);  // the driver of a dialog of ours, or null
    int ControlOf(HWND h) const;                      // kSelf, a control id, or kNoControl
    int ControlOf(NativeWindow w) const override { return ControlOf(static_cast<HWND>(w.get())); }

    NativeWindow Native(int id) const override { return NativeWindow(Window(id)); }
    CPoint BaseUnits() const override { return m_baseUnits; }
    void RunModal() override;
    void EndModal(int result) override;
    void Minimize() override;
    void SetIcon(const IconHandle& icon) override;
    unsigned PopupMenu(const std::vector<MenuItem>& items, const CPoint* at) override;
    void FocusWindow() override;
    bool FocusIsOnWindow() const override;
    int FocusedControl() const override;

    void SetEnabled(int id, bool enable) override;
    bool IsEnabled(int id) const override;
    void SetVisible(int id, bool visible) override;
    bool IsShown(int id) const override;
    void SetText(int id, const CString& text) override;
    CString GetText(int id) const override;
    void SetFocus(int id, FocusReason reason) override;
    void Click(int id) override;
    void Update(int id) override;
    CRect Rect(int id) const override;
    void Move(int id, const CRect& rect) override;

    void SetCheck(int id, int state) override;
    int GetCheck(int id) const override;
    void LimitText(int id, int maxChars) override;
    void LimitBytes(int id, std::size_t maxBytes) override;

    int InsertItem(int id, int index, const CString& text) override;
    bool DeleteItem(int id, int index) override;
    void DeleteAllItems(int id) override;
    int ItemCount(int id) const override;
    CString ItemText(int id, int index, int column) const override;
    bool SetItemText(int id, int index, int column, const CString& text) override;
    int CurSel(int id) const override;
    int SetCurSel(int id, int index) override;

    void SetExtendedStyle(int id, std::uint32_t style) override;
    int InsertColumn(int id, int column, const CString& heading, int width) override;

    void SetDateTime(int id, const DateTime& value) override;
    DateTime GetDateTime(int id) const override;
    void SetDateTimeRange(int id, const DateTime& first, const DateTime& last) override;

    void SetAccessibleName(int id, const CString& name) override;
    void SetEmptyText(int id, const CString& text) override;
    CString AccessibleName(int id) const;  // as set (tests)

private:
    struct Control {
        const ControlTemplate* ct;
        HWND hwnd;
    };
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    int ColumnCount(int id) const;  // list views
    bool SelectRow(int id, int index);
    INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnCommand(int id, int code, HWND from);
    HWND Window(int id) const;
    const Control* Find(int id) const;
    Kind KindOf(int id) const;
    void SetupControls();

    WindowEvents& m_events;
    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    bool m_child = false;
    std::vector<std::uint32_t> m_template;
    std::vector<Control> m_controls;
    CPoint m_baseUnits;
    int m_quiet = 0;  // > 0 while code changes controls: their notifications are not the user's
    bool m_running = false;
    bool m_ended = false;
    bool m_shownOnce = false;
    std::map<int, std::size_t> m_byteLimits;
    std::map<int, std::wstring> m_lastTexts;  // edits with a byte limit: the text that fitted
    std::vector<unsigned> m_sysMenuCommands;  // appended to the real system menu so far
    std::map<int, CString> m_accessibleNames;
    std::map<HWND, std::wstring> m_emptyTexts;  // lists that say why they are empty
    static LRESULT CALLBACK EmptyListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR self);
};

}  // namespace ui::win32
