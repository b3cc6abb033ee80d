// The dialog manager: an application-wide key filter that gives Enter, Escape, Tab and
// Alt+Space their dialog meanings (rules in cdialog.h), and focus moves along the tab stops.
#pragma once

class QWidget;

namespace ui {

class CDialog;

// Installs the key filter on the application once (a no-op before QApplication exists).
void EnsureDialogManager();
// Moves the focus from `from` to the next (or previous) tab stop of `dlg`, wrapping.
void MoveDialogFocus(CDialog* dlg, QWidget* from, bool forward);

}  // namespace ui
