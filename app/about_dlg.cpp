#include "app/about_dlg.h"

#include "res/resource.h"

namespace app {

CAboutDlg::CAboutDlg() : ui::CDialog(IDD_ABOUTBOX) {}

}  // namespace app
