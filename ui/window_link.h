// Inside the framework: what a dialog and the wrappers bound to its window share. The dialog
// owns it while its window exists; wrappers hold it weakly, so they fall silent with the window.
#pragma once

#include <map>
#include <memory>

#include "ui/driver.h"

namespace ui {
class CDialog;
namespace detail {

struct WindowLink {
    WindowLink(CDialog* d, std::unique_ptr<WindowDriver> w) : dialog(d), driver(std::move(w)) {}
    CDialog* dialog;
    std::unique_ptr<WindowDriver> driver;
    int parkedFocus = kNoControl;  // the disabled push button the focus waits for
    // Each picker's whole value as last set: the picker shows one part of it.
    std::map<int, DateTime> pickers;
};

}  // namespace detail
}  // namespace ui
