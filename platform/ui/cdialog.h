// The dialog framework of the program's windows: dialogs built from templates into
// Qt widgets, control wrappers bound to members by id, message maps, modal runs with the dialog
// manager's keyboard rules, and the application message box.
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
//   Alt+Space  opens the system menu (also: right-click on the dialog's background). Qt cannot
//              extend the window manager's own menu, so the framework shows its own: Minimize
//              (when the template has a minimise box), Close, then the appended items.
// The close box (and Alt+F4 from the window manager) calls OnClose, by default OnCancel.
#pragma once

#include <QDateTime>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/ids.h"
#include "platform/ui/resources.h"
#include "platform/ui/windows_names.h"

class QFont;

namespace ui {

class CDialog;
class DialogWindow;

// Notifications a message map can bind. Only user actions send them: changing a control from
// code (SetCurSel, AddString, SetCheck, ...) notifies nobody.
enum class Notify {
    Clicked,     // BN_CLICKED (push button, check box)
    SelChange,   // LBN_SELCHANGE / CBN_SELCHANGE
    EditChange,  // CBN_EDITCHANGE
    DblClk,      // LBN_DBLCLK
};

// System commands the framework itself knows (the low four bits are the system's own).
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;

// Base of every control wrapper: the operations every window has. The wrapper does not own
// its widget; it reads as unbound (null) once the widget is gone.
class CWnd {
public:
    virtual ~CWnd() = default;
    QWidget* widget() const { return m_widget.data(); }
    int GetDlgCtrlID() const { return m_id; }
    void EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    void ShowWindow(bool show);
    bool IsWindowVisible() const;
    void SetWindowText(const QString& text);
    QString GetWindowText() const;
    void SetFocus();
    void UpdateWindow();  // repaint now, with any pending item layout done first

    // Used by DDX_Control; binds the wrapper to the control widget with that id.
    void Attach(QWidget* widget, int id);

protected:
    QPointer<QWidget> m_widget;
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
// keeps the text in an editable combo's field.
class CComboBox : public CWnd {
public:
    int AddString(const QString& text);  // appended (templates' combos are unsorted)
    int DeleteString(int index);         // remaining count, or -1
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;  // -1 when nothing is selected
    int SetCurSel(int index);
    QString GetLBText(int index) const;
    // GetWindowText() is the edit field's text.
};

class CListBox : public CWnd {
public:
    int AddString(const QString& text);
    int DeleteString(int index);  // remaining count, or -1
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;  // -1 when nothing is selected
    int SetCurSel(int index);
    QString GetText(int index) const;
};

// A list view in report mode.
class CListCtrl : public CWnd {
public:
    static constexpr std::uint32_t LVS_EX_FULLROWSELECT = 0x20;
    void SetExtendedStyle(std::uint32_t style);
    std::uint32_t GetExtendedStyle() const;
    int InsertColumn(int column, const QString& heading, int widthPixels);  // left-aligned
    int GetColumnCount() const;
    QString GetColumnHeading(int column) const;
    int InsertItem(int row, const QString& text);  // returns row
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    int GetItemCount() const;
    int GetFirstSelectedItem() const;  // -1 when none
    bool SetItemState(int row, bool selected);
    int GetColumnWidth(int column) const;
};

class CDateTimeCtrl : public CWnd {
public:
    void SetTime(const QDateTime& time);
    QDateTime GetTime() const;
};

// Four fields of 0-255; text in and out as a dotted quad. Blank fields read as 0, so the text
// given back is always four numbers ("0.0.0.0" for an empty control). Text that is not a
// dotted quad fills what it can and leaves the other fields blank.
class CIPAddressCtrl : public CWnd {
public:
    void SetAddressText(const QString& dotted);
    QString GetAddressText() const;
    bool IsBlank() const;  // all four fields empty
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
    QWidget* GetDlgItem(int id) const;
    QRect GetDlgItemRectInParent(int id) const;  // the control's rectangle, dialog client coords
    void MoveWindow(const QRect& rect);
    void NextDlgCtrl();  // focus to the next tab stop (wraps)
    int templateId() const { return m_templateId; }
    bool IsModalRunning() const { return m_running && !m_ended; }

    // Entry points of the window system, public so that tests can drive them as a user would.
    void SendSysCommand(unsigned id) { OnSysCommand(id); }
    void SendCommand(int id);  // WM_COMMAND as from a control or the dialog manager
    // The system menu's items (after Minimize/Close) as (command id, text); 0 = separator.
    const std::vector<std::pair<unsigned, QString>>& SystemMenuItems() const { return m_sysMenu; }
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
    virtual bool PreTranslateKey(int qtKey);

    // Message map: bind (notification, control id) to a member handler.
    template <class T>
    void MapMessage(Notify code, int id, void (T::*handler)())
    {
        T* self = static_cast<T*>(this);
        AddHandler(code, id, [self, handler] { (self->*handler)(); });
    }
    void AddHandler(Notify code, int id, std::function<void()> handler);

    // System menu: append a separator and an item with `commandId`.
    void AppendSystemMenuItem(unsigned commandId, const QString& text);
    void SetIcon(const QIcon& icon);

private:
    friend class DialogWindow;
    friend class DialogManager;
    struct Handler {
        Notify code;
        int id;
        std::function<void()> fn;
    };

    bool BuildWindow(QWidget* parentWidget, bool child);
    void Dispatch(Notify code, int id);
    void ConnectNotifications(QWidget* control, const ControlTemplate& ct);
    void ShowSystemMenu(const QPoint& globalPos);
    void ApplyInitialFocus();
    void UnlinkChildren();
    void ReleaseWindow();
    // Tab stops in order, descending into visible child dialogs.
    void CollectTabStops(std::vector<QWidget*>& out) const;
    int DefaultButtonId() const;

    int m_templateId;
    CDialog* m_parent;
    const DialogTemplate* m_template = nullptr;
    QPointer<DialogWindow> m_window;
    QWidget* m_client = nullptr;  // the controls' parent (inside the client edge, if any)
    std::vector<std::pair<const ControlTemplate*, QPointer<QWidget>>> m_controls;
    std::vector<Handler> m_handlers;
    std::vector<std::pair<unsigned, QString>> m_sysMenu;
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
enum class Icon { Exclamation, Information };
struct MessageBoxRequest {
    QString text;
    QString caption;  // empty = application name
    Icon icon = Icon::Exclamation;
};
int AfxMessageBox(const QString& text);
int MessageBox(QWidget* owner, const QString& text, const QString& caption, Icon icon);
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
// Installs a replacement (tests); returns the previous handler. Null restores the real box.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
// The executable's file name without its extension: the caption of the application box.
QString ApplicationName();

// Fonts the templates name, the classic style and its palette; call once after QApplication.
// Returns false when the dialog font resolved to something other than the intended family
// (layouts then keep their proportions but not their intended size).
bool SetupApplicationLook();

}  // namespace ui
