// CFinishPage: the wizard's last page, a closing text and nothing to set.
#pragma once

#include "ui/cdialog.h"

namespace wizard {

class CFinishPage : public ui::CDialog {
public:
    CFinishPage();
    ~CFinishPage() override;

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
};

}  // namespace wizard
