// Compiled, never run: the headers a Windows build of the window includes, after windows.h
// without NOMINMAX or WIN32_LEAN_AND_MEAN, must keep the framework's names (windows.h maps
// MessageBox, LoadString, SetWindowText, ... to its own functions by macro) and still compile.
#include <windows.h>

#include <type_traits>

#include "app/about_dlg.h"
#include "app/main_dlg.h"
#include "platform/ui/cdialog.h"
#include "platform/ui/widgets.h"
#include "res/resource.h"
#include "sharemap/share_map_dlg.h"
#include "verify/verify_dlg.h"
#include "wizard/finish_page.h"
#include "wizard/network_page.h"
#include "wizard/system_page.h"
#include "wizard/wizard_dlg.h"

static_assert(std::is_same_v<decltype(&ui::LoadString), QString (*)(int)>);
static_assert(std::is_same_v<decltype(&ui::LoadIcon), QIcon (*)(int)>);
static_assert(std::is_same_v<decltype(&ui::LoadBitmap), QPixmap (*)(int)>);
static_assert(ui::SC_CLOSE == 0xF060 && ui::SC_MINIMIZE == 0xF020 && IDOK == 1 && IDCANCEL == 2);

void UsesTheFrameworkNames(ui::CWnd& control, QWidget* owner)
{
    control.SetWindowText(control.GetWindowText());
    ui::MessageBox(owner, ui::LoadString(1), QString(), ui::Icon::Exclamation);
}
