// A backend without any windowing system, for the framework's own logic (dispatch, data
// exchange, modal runs, the dialog manager's keys): windows are records of their controls'
// state, the user's actions are calls, and modal runs play scripts the test queued.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/driver.h"
#include "ui/system.h"

namespace ui::fake {

class FakeBackend;

// One control as the fake window keeps it.
struct FakeControl {
    const ControlTemplate* ct = nullptr;
    CString text;
    bool enabled = true;
    bool shown = true;
    int check = 0;
    std::size_t limitChars = 30000;
    std::size_t limitBytes = 0;              // 0: none
    std::vector<std::vector<CString>> rows;  // cells; column 0 is the row's text
    std::vector<bool> selected;              // list views
    int sel = -1;
    std::vector<std::pair<CString, int>> columns;
    std::uint32_t extendedStyle = 0;
    DateTime dateTime;
    CString accessibleName;
    CString emptyText;  // lists: drawn while there are no rows
};

class FakeWindow final : public WindowDriver {
public:
    FakeWindow(FakeBackend& backend, const DialogTemplate& t, WindowEvents& events,
               FakeWindow* parent, bool child);
    ~FakeWindow() override;
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    // The user's actions.
    void UserClick(int id);                         // a click on a push button or check box
    void UserSelect(int id, int index);             // a row of a list box or combo box
    void UserType(int id, const CString& text);     // replaces an edit's or combo's text
    bool UserKey(Key key, unsigned modifiers = 0);  // to the control with the focus
    void UserClose();                               // the close box

    // Inspection.
    const DialogTemplate& Template() const { return m_template; }
    FakeControl* Control(int id);
    int Focus() const { return m_focus; }
    bool Running() const { return m_running; }
    int EndResult() const { return m_endResult; }
    bool Shown() const { return m_shown; }
    FakeWindow* Parent() const { return m_parent; }

    NativeWindow Native(int id) const override;  // the window or its control's record
    int ControlOf(NativeWindow w) const override;
    CPoint BaseUnits() const override { return {6, 12}; }
    void RunModal() override;
    void EndModal(int result) override;
    void Minimize() override { ++minimized; }
    void SetIcon(const IconHandle& image) override { icon = image; }
    unsigned PopupMenu(const std::vector<MenuItem>& items, const CPoint* at) override;
    void FocusWindow() override { m_focus = kSelf; }
    bool FocusIsOnWindow() const override { return m_focus == kSelf || m_focus == kNoControl; }
    int FocusedControl() const override { return m_focus; }

    void SetEnabled(int id, bool enable) override;
    bool IsEnabled(int id) const override;
    void SetVisible(int id, bool visible) override;
    bool IsShown(int id) const override;
    void SetText(int id, const CString& text) override;
    CString GetText(int id) const override;
    void SetFocus(int id, FocusReason reason) override;
    void Click(int id) override;
    void Update(int) override {}
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
    void SetDateTimeRange(int, const DateTime&, const DateTime&) override {}

    void SetAccessibleName(int id, const CString& name) override;
    void SetEmptyText(int id, const CString& text) override;

    IconHandle icon;
    int minimized = 0;
    std::vector<MenuItem> lastMenu;  // what the last PopupMenu showed

private:
    const FakeControl* Find(int id) const;

    FakeBackend& m_backend;
    const DialogTemplate& m_template;
    WindowEvents& m_events;
    FakeWindow* m_parent;
    bool m_child;
    std::map<int, FakeControl> m_controls;  // the first control of each id
    CRect m_rect;
    CString m_caption;
    bool m_shown = false;
    bool m_running = false;
    int m_endResult = 0;
    int m_focus = kNoControl;
};

class FakeBackend final : public Backend {
public:
    // What the next modal run does while it "runs"; a run with no script queued, or one whose
    // script leaves the dialog open, ends as the close box would end it.
    void OnNextModal(std::function<void(FakeWindow&)> script);
    // The answer of the next system menus (0: dismissed).
    unsigned menuChoice = 0;

    std::vector<MessageBoxRequest> boxes;                           // every message box, in order
    std::vector<FakeWindow*> Windows() const { return m_windows; }  // alive, oldest first
    FakeWindow* Newest() const { return m_windows.empty() ? nullptr : m_windows.back(); }
    int modalRuns = 0;
    int leftOpen = 0;  // modal runs a script did not end

    std::unique_ptr<WindowDriver> CreateWindowDriver(const DialogTemplate& t, WindowEvents& events,
                                                     WindowDriver* parent, bool child) override;
    int ShowMessageBox(NativeWindow owner, const MessageBoxRequest& request) override;
    CString ApplicationName() const override { return "fake"; }
    IconHandle MakeIcon(const std::vector<Image>& sizes) override;
    BitmapHandle MakeBitmap(const Image& image) override;

private:
    friend class FakeWindow;
    std::deque<std::function<void(FakeWindow&)>> m_scripts;
    std::vector<FakeWindow*> m_windows;
};

// The fake backend in use while it lives.
class FakeSystem final : public UiSystem {
public:
    FakeSystem() : UiSystem(backend) {}
    bool LookAsIntended() const override { return true; }
    FakeBackend backend;
};

// The size of each image handed to MakeIcon / MakeBitmap.
struct FakeImage final : NativeImage {
    std::vector<std::pair<int, int>> sizes;
};

}  // namespace ui::fake
