// What a backend implements for the dialog framework, no wider than the dialogs need: what only
// tests read (column widths, blank address fields, ...) they read from the backend's own
// widgets, and methods a backend may have nothing to do for do nothing by default. The framework
// keeps the logic (message maps, data exchange, modal state, the dialog manager's keys and tab
// order); a backend makes the real windows and controls and does to them what the framework asks,
// each control named by its template id, and reports the user's actions back through WindowEvents.
//
// The split follows the portable toolkits: one shared class per concept with a per-backend
// driver behind it (FLTK's window drivers), the backends side by side in their own folders
// (wxWidgets' ports), the dialog itself a portable description that each backend renders
// (DialogTemplate, as PuTTY's dialog.c).
#pragma once

#include <climits>
#include <memory>
#include <vector>

#include "ui/dialog_template.h"
#include "ui/types.h"

namespace ui {

// In place of a control id: the window itself, or no control at all.
inline constexpr int kSelf = INT_MIN;
inline constexpr int kNoControl = INT_MIN + 1;

enum class FocusReason { Other, Tab };

struct MenuItem {
    unsigned command = 0;  // 0: a separator
    CString text;
};

// What a window reports to the dialog that owns it.
class WindowEvents {
public:
    virtual void OnNotify(Notify code, int id) = 0;
    virtual void OnCloseRequest() = 0;  // the close box, Alt+F4
    // A context-menu request on the window's background; true when the dialog showed its menu.
    virtual bool OnContextMenu(const CPoint& screen) = 0;
    virtual void OnFirstShow() = 0;  // a top-level window appears for the first time
    // A key pressed in this top-level window: `target` is the window it went to (a control,
    // the window itself, or inside a child dialog of it). True when taken.
    virtual bool OnKey(Key key, unsigned modifiers, NativeWindow target) = 0;

protected:
    ~WindowEvents() = default;
};

// One dialog window with the controls of its template.
class WindowDriver {
public:
    virtual ~WindowDriver() = default;

    // The window.
    virtual NativeWindow Native(int id) const = 0;  // kSelf: the window; null once gone
    virtual CPoint BaseUnits() const = 0;           // pixels per 4 x / 8 y dialog units
    virtual void RunModal() = 0;                    // returns once EndModal ran
    virtual void EndModal(int result) = 0;
    virtual void Minimize() = 0;
    virtual void SetIcon(const IconHandle& /*icon*/) {}
    // Shows `items` as the window's system menu (`at` in screen pixels; null: at the window's
    // corner) and returns the command chosen, 0 for none.
    virtual unsigned PopupMenu(const std::vector<MenuItem>& items, const CPoint* at) = 0;
    virtual void FocusWindow() = 0;            // the focus on the top-level window, no control
    virtual bool FocusIsOnWindow() const = 0;  // ... and whether it is still (or nothing has it)
    virtual int FocusedControl() const = 0;    // the control of this window with the focus,
                                               // kSelf for the window, else kNoControl
    // The control of this window that `w` is or lies in: kSelf for the window itself,
    // kNoControl for a window of another dialog (a child dialog's) or none of this one.
    virtual int ControlOf(NativeWindow w) const = 0;

    // Any control (kSelf: the window).
    virtual void SetEnabled(int id, bool enable) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void SetVisible(int id, bool visible) = 0;
    virtual bool IsShown(int id) const = 0;  // not hidden within its window
    virtual void SetText(int id, const CString& text) = 0;
    virtual CString GetText(int id) const = 0;
    virtual void SetFocus(int id, FocusReason reason) = 0;
    virtual void Click(int id) = 0;        // presses a push button as the user does
    virtual void Update(int /*id*/) {}     // repaints now
    virtual CRect Rect(int id) const = 0;  // in its window's client area (kSelf: its parent's)
    virtual void Move(int id, const CRect& rect) = 0;

    // Check boxes and edits.
    virtual void SetCheck(int id, int state) = 0;
    virtual int GetCheck(int id) const = 0;
    virtual void LimitText(int id, int maxChars) = 0;
    virtual void LimitBytes(int id, std::size_t maxBytes) = 0;  // UTF-8 bytes

    // Rows of combo boxes, list boxes and list views (cells: list views only).
    virtual int InsertItem(int id, int index, const CString& text) = 0;  // -1: at the end
    virtual bool DeleteItem(int id, int index) = 0;
    virtual void DeleteAllItems(int id) = 0;
    virtual int ItemCount(int id) const = 0;
    virtual CString ItemText(int id, int index, int column) const = 0;
    virtual bool SetItemText(int id, int index, int column, const CString& text) = 0;
    virtual int CurSel(int id) const = 0;          // -1: none; list views: the first selected
    virtual int SetCurSel(int id, int index) = 0;  // -1 clears; the index, or -1

    // List-view columns.
    virtual void SetExtendedStyle(int id, std::uint32_t style) = 0;
    virtual int InsertColumn(int id, int column, const CString& heading, int width) = 0;

    // Date and time pickers: each shows and takes the part of the value its kind names (the
    // framework keeps the whole); address controls (their text is the dotted quad).
    virtual void SetDateTime(int id, const DateTime& value) = 0;
    virtual DateTime GetDateTime(int id) const = 0;
    virtual void SetDateTimeRange(int /*id*/, const DateTime& /*first*/, const DateTime& /*last*/)
    {
    }

    // What assistive technology reads.
    // The name a screen reader gives control `id`. The framework derives it from the labels of
    // the template (accessible_names.h) and gives it again when such a label's text changes. An
    // address control names its four fields AddressPartName(name, 0..3).
    virtual void SetAccessibleName(int /*id*/, const CString& /*name*/) {}

    // List boxes and list views: a text drawn inside the list while it has no rows (empty:
    // none). It is no row: the item count stays 0, and it goes when a row is added.
    virtual void SetEmptyText(int /*id*/, const CString& /*text*/) {}
};

class Backend {
public:
    virtual ~Backend() = default;
    // The window of `t`: a top-level window owned by `parent`'s, or (child) a window inside
    // it, not shown yet. Its controls exist and are in template order.
    virtual std::unique_ptr<WindowDriver> CreateWindowDriver(const DialogTemplate& t,
                                                             WindowEvents& events,
                                                             WindowDriver* parent, bool child) = 0;
    virtual int ShowMessageBox(NativeWindow owner, const MessageBoxRequest& request) = 0;
    virtual CString ApplicationName() const = 0;
    virtual IconHandle MakeIcon(const std::vector<Image>& sizes) = 0;
    virtual BitmapHandle MakeBitmap(const Image& image) = 0;

    // Waiting without freezing (busy_wait.h): the busy cursor over the program's windows, and
    // one run through the events queued, painting and timers dispatched and the user's input
    // dropped; it returns how many input events it dropped. A backend without windows has
    // neither.
    virtual void SetBusyCursor(bool /*on*/) {}
    virtual int PumpEventsDroppingInput() { return 0; }
};

// The backend of the running UiSystem (system.h); null when none runs.
Backend* CurrentBackend();

}  // namespace ui
