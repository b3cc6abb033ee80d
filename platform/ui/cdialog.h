// CONTRACT SKETCH — the dialog framework's public surface that app/, wizard/ and sharemap/
// code against. The framework owner implements it (and may add operations); keep existing
// names and meanings stable so the dialogs of every folder keep compiling.
//
// CDialog builds a dialog from a DialogTemplate (dialog_template.h) into Qt widgets, binds
// members to controls by id in DoDataExchange, routes (notification, id) through a message
// map to member handlers and runs modally with the dialog manager's Enter/Escape/close rules.
#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace ui {

class CDialog;

// Notifications a message map can bind.
enum class Notify {
    Clicked,     // BN_CLICKED (push button, check box)
    SelChange,   // LBN_SELCHANGE / CBN_SELCHANGE
    EditChange,  // CBN_EDITCHANGE
    DblClk,      // LBN_DBLCLK
};

// Base of every control wrapper: the operations every window has.
class CWnd {
public:
    virtual ~CWnd() = default;
    QWidget* widget() const { return m_widget; }
    int GetDlgCtrlID() const { return m_id; }
    void EnableWindow(bool enable = true);
    bool IsWindowEnabled() const;
    void ShowWindow(bool show);
    bool IsWindowVisible() const;
    void SetWindowText(const QString& text);
    QString GetWindowText() const;
    void SetFocus();
    void UpdateWindow();  // repaint now

    // Used by DDX_Control; binds the wrapper to the control widget with that id.
    void Attach(QWidget* widget, int id);

protected:
    QWidget* m_widget = nullptr;
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
};

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
    int DeleteString(int index);
    int GetCount() const;
    int GetCurSel() const;  // -1 when nothing is selected
    int SetCurSel(int index);
    QString GetText(int index) const;
};

class CListCtrl : public CWnd {
public:
    static constexpr std::uint32_t LVS_EX_FULLROWSELECT = 0x20;
    void SetExtendedStyle(std::uint32_t style);
    int InsertColumn(int column, const QString& heading, int widthPixels);  // left-aligned
    int InsertItem(int row, const QString& text);                            // returns row
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    int GetItemCount() const;
    int GetFirstSelectedItem() const;  // -1 when none
    int GetColumnWidth(int column) const;
};

class CDateTimeCtrl : public CWnd {
public:
    void SetTime(const QDateTime& time);
    QDateTime GetTime() const;
};

// Four fields of 0-255; text in and out as a dotted quad.
class CIPAddressCtrl : public CWnd {
public:
    void SetAddressText(const QString& dotted);
    QString GetAddressText() const;  // e.g. "10.0.0.1"; blank fields as the control gives them
};

// Data exchange context; DDX_Control binds one member.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate) : m_dialog(dialog), m_save(saveAndValidate) {}
    CDialog* dialog() const { return m_dialog; }
    bool saving() const { return m_save; }

private:
    CDialog* m_dialog;
    bool m_save;
};
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId, CDialog* parent = nullptr);
    ~CDialog() override;

    int DoModal();                     // IDOK / IDCANCEL (or the EndDialog value)
    bool Create(CDialog* parent);      // modeless child (a wizard page), not shown
    void DestroyWindow();
    void EndDialog(int result);
    bool UpdateData(bool saveAndValidate = true);
    QWidget* GetDlgItem(int id) const;
    QRect GetDlgItemRectInParent(int id) const;   // the control's rectangle, dialog client coords
    void MoveWindow(const QRect& rect);
    void NextDlgCtrl();                // focus to the next tab stop (wraps)
    int templateId() const { return m_templateId; }

protected:
    virtual bool OnInitDialog();       // base: creates widgets' data, binds (DoDataExchange)
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnOK();               // UpdateData(true) then EndDialog(IDOK)
    virtual void OnCancel();           // EndDialog(IDCANCEL)
    virtual void OnClose();            // default: OnCancel()
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

private:
    int m_templateId;
    CDialog* m_parent;
    // Implementation detail owned by the framework.
};

// Texts of the string table (res/), empty when unknown.
QString LoadString(int id);

// Device texts are fixed-width 8-bit fields: decode without reading past `width` bytes or the
// first zero; UTF-8 where valid, Latin-1 for bytes that are not.
QString DeviceText(const char* bytes, std::size_t width);

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

}  // namespace ui
