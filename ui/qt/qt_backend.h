// The Qt Widgets backend of the dialog framework: its installation, the program's look, and the
// conversions between the framework's types and Qt's, for the backend itself and for code
// that looks at the real widgets (tests, tools).
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <memory>

#include "ui/system.h"
#include "ui/types.h"

class QWidget;

namespace ui::qt {

// The Qt system over the QApplication the caller made (tests, with their own arguments): the
// dialogs run on Qt while it lives. The program calls CreateSystemUi instead.
std::unique_ptr<UiSystem> AttachSystem();

// Fonts the templates name, the classic style and its palette; call once after QApplication.
// Returns false when the dialog font resolved to something other than the intended family
// (layouts then keep their proportions but not their intended size).
bool SetupApplicationLook();

// The widget behind a native window handle this backend made (null for none).
inline QWidget* Widget(NativeWindow window)
{
    return static_cast<QWidget*>(window.get());
}

QString ToQString(const CString& text);
CString FromQString(const QString& text);
QRect ToQRect(const CRect& r);
CRect FromQRect(const QRect& r);
QImage ToQImage(const Image& image);
Image FromQImage(const QImage& image);
QIcon ToQIcon(const IconHandle& icon);          // null icon for a null handle
QPixmap ToQPixmap(const BitmapHandle& bitmap);  // null pixmap for a null handle

}  // namespace ui::qt
