// Template controls into Qt widgets: one maker per control kind. The window driver sets what
// every control shares (font, geometry, id, z-order, focus policy) afterwards.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <string_view>

#include "ui/dialog_template.h"

class QWidget;

namespace ui {

// MulDiv as the dialog manager uses it: rounds to nearest.
int MulDiv(int a, int b, int c);
QString FromUtf8(std::string_view s);
// Statics without SS_NOPREFIX treat '&' as a mnemonic marker: "&&" shows one '&', a single '&'
// is dropped.
QString StripMnemonic(const QString& text);

// The widget for `ct`, a child of `parent`. `geometry` comes in as the template's rectangle in
// pixels; kinds whose real size differs (one-line combo boxes, images, etched lines) change it.
QWidget* CreateControl(const ControlTemplate& ct, const QString& text, QWidget* parent,
                       const QFont& font, QRect& geometry);

}  // namespace ui
