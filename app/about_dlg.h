// CAboutDlg: the About box (icon, version line, one line about the program, OK).
#pragma once

#include "ui/cdialog.h"

namespace app {

class CAboutDlg : public ui::CDialog {
public:
    CAboutDlg();
};

}  // namespace app
