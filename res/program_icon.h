// The program icon drawn at any size: the window uses it, and the build renders the desktop
// theme's icon files from it so both always look the same.
#pragma once

#include <QPixmap>

namespace res {

QPixmap DrawProgramIcon(int size);

}  // namespace res
