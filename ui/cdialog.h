// The dialog framework of the program's windows: dialogs built from templates, control wrappers
// bound to members by id, message maps, modal runs with the dialog manager's keyboard rules, and
// the application message box. It speaks its own types (types.h); a backend (driver.h) makes
// the real windows.
//
// CDialog builds its window from a DialogTemplate (dialog_template.h), sized in dialog units
// of the template font. DoDataExchange binds members to controls by id; a message map routes
// (notification, id) to member handlers; DoModal runs the dialog and returns IDOK / IDCANCEL
// (or the value given to EndDialog).
//
// Keyboard rules of the dialog manager (applied to the top-level dialog that holds the focus,
// after PreTranslateKey of the dialog and of any child dialog it contains has declined):
//   Enter      clicks the push button that has the focus; otherwise the template's default push
//              button; otherwise issues IDOK (OnOK ends the dialog unless mapped elsewhere).
//   Escape     issues IDCANCEL (OnCancel).
//   Tab        moves through the tab stops in template order, into visible child dialogs.
//   Alt+Space  opens the system menu (also: right-click on the dialog's background): Minimize
//              (when the template has a minimise box), Close, then the appended items.
// The close box (and Alt+F4 from the window manager) calls OnClose, by default OnCancel.
// A push button that is disabled while it has the focus keeps the focus off every other
// control until it is enabled again, when the focus comes back to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/dialog_template.h"
#include "ui/ids.h"
#include "ui/resources.h"
#include "ui/types.h"

namespace ui {

class CDialog;
class WindowDriver;
namespace detail {
struct WindowLink;
}

// System commands the framework itself knows (the low four bits are the system's own).
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;

// Base of every control wrapper: the operations every window has. The wrapper does not own
// its control; it reads as unbound (GetSafeHwnd() null, texts empty) once the window is gone.
class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    NativeWindow GetSafeHwnd() const;  // the backend's window; null when unbound or gone
    int GetDlgCtrlID() const { return m_id; }
    void EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    void ShowWindow(bool show);
    void SetWindowText(const CString& text);
    CString GetWindowText() const;
    void SetFocus();
    void UpdateWindow();  // repaint now, with any pending item layout done first

    // Binds the wrapper to control `id` of `parent`'s window (DDX_Control does this); false
    // when that window has no such control.
    bool SubclassDlgItem(int id, CDialog* parent);

protected:
    WindowDriver* Driver() const;  // null when unbound or the window is gone
    int Target() const { return m_target; }
    std::shared_ptr<detail::WindowLink> Link() const { return m_link.lock(); }
    const ControlTemplate* Template() const;  // the control's; null when unbound

private:
    friend class CDialog;
    friend void DDX_Control(class CDataExchange* dx, int id, CWnd& control);
    std::weak_ptr<detail::WindowLink> m_link;
    int m_target;  // the control's id for the driver, or kSelf
    int m_id = 0;
};

class CButton : public CWnd {
public:
    void SetCheck(int state);  // 0 unchecked, 1 checked
    int GetCheck() const;
};

class CStatic : public CWnd {};

class CEdit : public CWnd {
public:
    void LimitText(int maxChars);
    // For texts bound for a fixed-width wire field: refuses input whose UTF-8 form would pass
    // `maxBytes`, so typing stops at the last whole character that fits.
    void SetLimitBytes(std::size_t maxBytes);
};

// Combo boxes start with no selection, as on the original platform; adding or deleting entries
// keeps the text in an editable combo's field, and text the user types there is no selection.
class CComboBox : public CWnd {
public:
    int AddString(const CString& text);  // appended (templates' combos are unsorted)
    int DeleteString(int index);         // remaining count, or -1
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;  // -1 when nothing is selected
    int SetCurSel(int index);
    CString GetLBText(int index) const;
    // GetWindowText() is the edit field's text.

    // Which entry text typed into the field stands for: `names` gets the entries' texts and
    // the typed text and gives the entry it names, if any.
    using EntryNames =
        std::function<std::optional<int>(std::span<const std::string_view>, std::string_view)>;
    static constexpr int kUnnamed = -2;
    // The entry the user left in the box: the selection; else, when the field holds typed
    // text, the entry that text names, which becomes the selection (no notification, as for
    // any change from code). -1 when the field is empty, kUnnamed when its text names none.
    int SelectTypedEntry(const EntryNames& names);
};

class CListBox : public CWnd {
public:
    int AddString(const CString& text);
    int DeleteString(int index);  // remaining count, or -1
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;  // -1 when nothing is selected
    int SetCurSel(int index);
    CString GetText(int index) const;
    // Drawn inside the list while it is empty (why it is, what to do); no row.
    void SetEmptyText(const CString& text);
};

// A list view in report mode.
class CListCtrl : public CWnd {
public:
    static constexpr std::uint32_t LVS_EX_FULLROWSELECT = 0x20;
    void SetExtendedStyle(std::uint32_t style);
    int InsertColumn(int column, const CString& heading, int widthPixels);  // left-aligned
    int InsertItem(int row, const CString& text);                           // returns row
    bool SetItemText(int row, int column, const CString& text);
    CString GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    int GetItemCount() const;
    int GetFirstSelectedItem() const;  // -1 when none
    // Drawn inside the list while it is empty; no row.
    void SetEmptyText(const CString& text);
};

// A date picker or a time picker. Both hold a whole date and time and show one part of it; the
// part not shown is kept as it was set.
class CDateTimeCtrl : public CWnd {
public:
    void SetTime(const DateTime& time);
    DateTime GetTime() const;  // what the picker shows, digits being typed included
    // Dates outside [first, last] cannot be picked (a date picker's date part).
    void SetRange(const DateTime& first, const DateTime& last);
};

// Four fields of 0-255; text in and out as a dotted quad. Blank fields read as 0, so the text
// given back is always four numbers ("0.0.0.0" for an empty control). Text that is not a
// dotted quad fills what it can and leaves the other fields blank.
class CIPAddressCtrl : public CWnd {
public:
    void SetAddressText(const CString& dotted);
    CString GetAddressText() const;
};

// Data exchange context; DDX_Control binds one member.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate) : m_dialog(dialog), m_save(saveAndValidate)
    {
    }
    CDialog* dialog() const { return m_dialog; }
    bool saving() const { return m_save; }

private:
    CDialog* m_dialog;
    bool m_save;
};
// Binds `control` to the dialog's control `id` (once). An id the template lacks is a
// programming error and aborts.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId, CDialog* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    int DoModal();                 // IDOK / IDCANCEL (or the EndDialog value); -1 without template
    bool Create(CDialog* parent);  // modeless child (a wizard page), not shown
    bool Create(int templateId, CDialog* parent);  // the same, from another template
    void DestroyWindow();
    void EndDialog(int result);
    bool UpdateData(bool saveAndValidate = true);
    NativeWindow GetDlgItem(int id) const;       // the control's native window (tests, backends)
    CRect GetDlgItemRectInParent(int id) const;  // the control's rectangle, dialog client coords
    void MoveWindow(const CRect& rect);
    void NextDlgCtrl();  // focus to the next tab stop (wraps)
    // Whether a push button of this dialog (or of a child dialog on it) has the focus.
    bool IsFocusOnPushButton() const;
    int templateId() const { return m_templateId; }
    bool IsModalRunning() const { return m_running && !m_ended; }

    // Entry points of the window system, public so that tests can drive them as a user would.
    void SendSysCommand(unsigned id) { OnSysCommand(id); }
    void SendCommand(int id);  // WM_COMMAND as from a control or the dialog manager
    // The system menu's items (after Minimize/Close) as (command id, text); 0 = separator.
    const std::vector<std::pair<unsigned, CString>>& SystemMenuItems() const { return m_sysMenu; }
    // Base units of the dialog font (pixels per 4 horizontal / 8 vertical dialog units).
    int BaseUnitX() const { return m_baseX; }
    int BaseUnitY() const { return m_baseY; }

protected:
    virtual bool OnInitDialog();  // base: binds the controls (DoDataExchange); true = default focus
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();      // UpdateData(true) then EndDialog(IDOK)
    virtual void OnCancel();  // EndDialog(IDCANCEL)
    virtual void OnClose();   // default: OnCancel()
    virtual void OnSysCommand(unsigned id);
    // Return true to consume the key (before the dialog manager sees it).
    virtual bool PreTranslateKey(Key key);

    // Message map: bind (notification, control id) to a member handler.
    template <class T>
    void MapMessage(Notify code, int id, void (T::*handler)())
    {
        T* self = static_cast<T*>(this);
        AddHandler(code, id, [self, handler] { (self->*handler)(); });
    }
    void AddHandler(Notify code, int id, std::function<void()> handler);

    // System menu: append a separator and an item with `commandId`.
    void AppendSystemMenuItem(unsigned commandId, const CString& text);
    void SetIcon(const IconHandle& icon);

private:
    friend class CWnd;
    class Events;
    struct Handler {
        Notify code;
        int id;
        std::function<void()> fn;
    };
    struct Stop {
        CDialog* dialog;
        int id;
    };

    bool BuildWindow(CDialog* parent, bool child);
    void Dispatch(Notify code, int id);
    void ShowSystemMenu(const CPoint* at);
    void ApplyInitialFocus();
    // The controls that label `id` names take its new text as their accessible name.
    void RenameLabelled(int id, const CString& text);
    void UnlinkChildren();
    void ReleaseWindow();
    const ControlTemplate* FindControl(int id) const;
    bool IsPushButton(int id) const;
    int DefaultButtonId() const;
    // The dialog manager (dialog_manager.cpp).
    bool RouteKey(Key key, unsigned modifiers, int id);
    // The innermost dialog (this one or a child) whose window holds `w`, with its control.
    CDialog* DialogHolding(NativeWindow w, int& id);
    void CollectTabStops(std::vector<Stop>& out) const;  // descending into visible children
    Stop FindFocus();
    void MoveFocus(const Stop& from, bool forward);
    CDialog* TopDialog();

    int m_templateId;
    CDialog* m_parent;
    const DialogTemplate* m_template = nullptr;
    std::unique_ptr<Events> m_events;
    std::shared_ptr<detail::WindowLink> m_window;
    std::vector<Handler> m_handlers;
    std::vector<std::pair<unsigned, CString>> m_sysMenu;
    std::vector<CDialog*> m_children;  // child dialogs created on this one (Create)
    CDialog* m_createdOn = nullptr;    // the dialog this one was created on (Create)
    int m_result = 0;
    bool m_ended = false;
    bool m_running = false;
    bool m_focusDefault = true;
    int m_baseX = 0;
    int m_baseY = 0;
};

// The application message box: OK button, exclamation icon, caption = executable's name.
// Every message of the system goes through it, so tests replace it.
int AfxMessageBox(const CString& text);
// A message box owned by `owner`'s window (null: the active one).
int MessageBox(const CWnd* owner, const CString& text, const CString& caption, Icon icon);
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
// Installs a replacement (tests); returns the previous handler. Null restores the real box.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
// The executable's file name without its extension: the caption of the application box.
CString ApplicationName();

}  // namespace ui
