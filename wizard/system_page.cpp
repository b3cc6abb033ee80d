#include "wizard/system_page.h"

#include <QDateTimeEdit>

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
    // The pickers start at the PC's clock; they keep it when the adapter's date is unusable.
    const QDateTime now = QDateTime::currentDateTime();
    // The date field carries a 4-digit year and the adapters count from 1970.
    if (auto* edit = qobject_cast<QDateTimeEdit*>(m_datePicker.widget())) {
        edit->setDateRange(QDate(1970, 1, 1), QDate(9999, 12, 31));
    }
    SetPickers(now.date(), now.time());
    return true;
}

namespace {
// A picker may keep its value in another zone mode than local time (a time-only edit keeps
// UTC); handing it a local value would shift the shown fields by the zone offset. Build the
// value in the picker's own zone mode so the fields arrive unchanged.
void SetFields(ui::CDateTimeCtrl& picker, const QDate& date, const QTime& time)
{
    Qt::TimeSpec zoneMode = Qt::LocalTime;
    if (auto* edit = qobject_cast<QDateTimeEdit*>(picker.widget())) zoneMode = edit->timeSpec();
    picker.SetTime(QDateTime(date, time, zoneMode));
}
}  // namespace

void CSystemPage::SetPickers(const QDate& date, const QTime& time)
{
    SetFields(m_datePicker, date, time);
    SetFields(m_timePicker, date, time);
}

}  // namespace wizard
