// The program's resources: dialog templates, string table, icon and wizard bitmap, and their
// installation into the dialog framework.
#pragma once

#include "ui/dialog_template.h"
#include "ui/types.h"

namespace res {

const ui::DialogTemplate* FindTemplate(int id);  // null for an unknown id
ui::CString LoadString(int id);                  // empty for an unknown id
// Null for an unknown id, and before the windowing system runs (they are drawn with it).
ui::IconHandle LoadIcon(int id);
ui::BitmapHandle LoadBitmap(int id);

// Makes these the dialog framework's resources; call before the first dialog. Repeating it is
// harmless.
void InstallResources();

}  // namespace res
