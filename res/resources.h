// The program's resources: dialog templates, string table, icon and wizard bitmap, and their
// installation into the dialog framework.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include "platform/ui/dialog_template.h"

namespace res {

const ui::DialogTemplate* FindTemplate(int id);  // null for an unknown id
QString LoadString(int id);                      // empty for an unknown id
QIcon LoadIcon(int id);                          // null for an unknown id or before QGuiApplication
QPixmap LoadBitmap(int id);                      // null for an unknown id or before QGuiApplication

// Makes these the dialog framework's resources; call before the first dialog. Repeating it is
// harmless.
void InstallResources();

}  // namespace res
