// One dialog window on Qt Widgets: the template's controls as widgets, absolutely placed, and
// the window system's requests (close box, context menu, first show, keys) handed to the
// framework.
#pragma once

#include <QDialog>
#include <QPointer>
#include <utility>
#include <vector>

#include "ui/driver.h"

namespace ui::qt {

class QtWindowDriver;

// The Qt window of one dialog (top-level or child page).
class DialogWindow : public QDialog {
    Q_OBJECT
public:
    DialogWindow(QtWindowDriver* driver, QWidget* parent);
    QtWindowDriver* driver() const { return m_driver; }
    void Detach() { m_driver = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QtWindowDriver* m_driver;
    bool m_shownOnce = false;
};

class QtWindowDriver final : public WindowDriver {
public:
    QtWindowDriver(const DialogTemplate& t, WindowEvents& events, QtWindowDriver* parent,
                   bool child);
    ~QtWindowDriver() override;
    QtWindowDriver(const QtWindowDriver&) = delete;
    QtWindowDriver& operator=(const QtWindowDriver&) = delete;

    WindowEvents& events() const { return m_events; }
    QWidget* window() const { return m_window.data(); }
    QWidget* client() const { return m_client.data(); }
    // The control that holds `w` (kSelf: the window itself; kNoControl: not in this window).
    int ControlOf(const QWidget* w) const;
    int ControlOf(NativeWindow w) const override
    {
        return ControlOf(static_cast<const QWidget*>(w.get()));
    }

    NativeWindow Native(int id) const override { return NativeWindow(Widget(id)); }
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

private:
    QWidget* Widget(int id) const;  // null when unknown or gone
    void ConnectNotifications(QWidget* w, const ControlTemplate& ct);

    WindowEvents& m_events;
    QPointer<DialogWindow> m_window;
    QPointer<QWidget> m_client;  // the controls' parent (inside the client edge, if any)
    std::vector<std::pair<const ControlTemplate*, QPointer<QWidget>>> m_controls;
    CPoint m_baseUnits;
};

}  // namespace ui::qt
