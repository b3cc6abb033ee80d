// Compiled, never run: the window's headers after windows.h (without NOMINMAX or
// WIN32_LEAN_AND_MEAN) and the native backend's windows_names.h keep the framework's names
// (windows.h maps MessageBox, LoadString, SetWindowText, ... to its own functions by macro),
// need no toolkit, and hand out a window handle the native backend turns into its HWND.
#include <windows.h>

#include "ui/win32/windows_names.h"

#include <type_traits>

#include "app/about_dlg.h"
#include "app/main_dlg.h"
#include "res/resource.h"
#include "res/resources.h"
#include "sharemap/share_map_dlg.h"
#include "ui/cdialog.h"
#include "ui/driver.h"
#include "ui/system.h"
#include "ui/win32/win32_backend.h"
#include "verify/verify_dlg.h"
#include "wizard/finish_page.h"
#include "wizard/network_page.h"
#include "wizard/system_page.h"
#include "wizard/wizard_dlg.h"

static_assert(std::is_same_v<decltype(&ui::LoadString), ui::CString (*)(int)>);
static_assert(std::is_same_v<decltype(&ui::LoadIcon), ui::IconHandle (*)(int)>);
static_assert(std::is_same_v<decltype(&ui::LoadBitmap), ui::BitmapHandle (*)(int)>);
static_assert(std::is_same_v<decltype(ui::win32::Hwnd(ui::NativeWindow())), HWND>);
static_assert(ui::SC_CLOSE == 0xF060 && ui::SC_MINIMIZE == 0xF020 && IDOK == 1 && IDCANCEL == 2);
static_assert(static_cast<int>(ui::Key::Return) == VK_RETURN &&
              static_cast<int>(ui::Key::Escape) == VK_ESCAPE &&
              static_cast<int>(ui::Key::Down) == VK_DOWN && static_cast<int>(ui::Key::F4) == VK_F4);

void UsesTheFrameworkNames(ui::CWnd& control)
{
    control.SetWindowText(control.GetWindowText());
    ui::MessageBox(&control, ui::LoadString(1), "", ui::Icon::Exclamation);
}
