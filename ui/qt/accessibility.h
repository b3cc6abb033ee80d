// What the Qt backend's windows tell assistive technology beyond Qt's defaults: children in
// template order (the widgets are stacked in reverse to get the original z-order), list views
// as tables with column headers (Qt reads a tree widget as a tree), and pickers read by the text
// they show (Qt's spin-box value of a date edit is always 0).
#pragma once

namespace ui::qt {

// Installs the accessible-interface factory once per process; harmless to repeat.
void EnsureAccessibility();

}  // namespace ui::qt
