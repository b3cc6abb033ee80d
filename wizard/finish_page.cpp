#include "wizard/finish_page.h"

#include "res/resource.h"

namespace wizard {

CFinishPage::CFinishPage() : ui::CDialog(IDD_PAGE_FINISH) {}

CFinishPage::~CFinishPage() = default;

void CFinishPage::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
}

}  // namespace wizard
