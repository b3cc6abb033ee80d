// CSystemPage: the wizard's first page (description, date, time, timezone, password prompt).
// The page only owns its controls; the wizard fills them and writes them to the adapter.
#pragma once

#include "ui/cdialog.h"

namespace wizard {

class CSystemPage : public ui::CDialog {
public:
    CSystemPage();
    ~CSystemPage() override;

    ui::CComboBox m_timezoneCombo;
    ui::CDateTimeCtrl m_timePicker;
    ui::CDateTimeCtrl m_datePicker;
    ui::CEdit m_descriptionEdit;
    ui::CButton m_noPasswordCheck;

    // Shows the local date and time `value` in both pickers.
    void SetPickers(const ui::DateTime& value);

protected:
    void DoDataExchange(ui::CDataExchange* dx) override;
    bool OnInitDialog() override;
};

}  // namespace wizard
