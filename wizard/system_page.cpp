#include "wizard/system_page.h"

#include "protocol/device_time.h"
#include "protocol/limits.h"
#include "res/resource.h"

namespace wizard {

CSystemPage::CSystemPage() : ui::CDialog(IDD_PAGE_SYSTEM) {}

CSystemPage::~CSystemPage() = default;

void CSystemPage::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_TIMEZONE, m_timezoneCombo);
    ui::DDX_Control(dx, IDC_DEV_TIME, m_timePicker);
    ui::DDX_Control(dx, IDC_DEV_DATE, m_datePicker);
    ui::DDX_Control(dx, IDC_DEV_DESC, m_descriptionEdit);
    ui::DDX_Control(dx, IDC_NO_PASSWORD, m_noPasswordCheck);
}

bool CSystemPage::OnInitDialog()
{
    ui::CDialog::OnInitDialog();
    m_descriptionEdit.LimitText(static_cast<int>(protocol::kDescriptionWidth));
    // The date field carries a 4-digit year and the adapters count from 1970.
    m_datePicker.SetRange({1970, 1, 1, 0, 0, 0}, {9999, 12, 31, 23, 59, 59});
    // The pickers start at the PC's clock; they keep it when the adapter's date is unusable.
    SetPickers(protocol::LocalNow());
    return true;
}

void CSystemPage::SetPickers(const ui::DateTime& value)
{
    m_datePicker.SetTime(value);
    m_timePicker.SetTime(value);
}

}  // namespace wizard
