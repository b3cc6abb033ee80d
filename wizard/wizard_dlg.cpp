#include "wizard/wizard_dlg.h"

#include <string>

#include "protocol/device_info.h"
#include "protocol/display.h"
#include "protocol/entry_names.h"
#include "protocol/messages.h"
#include "protocol/settings.h"
#include "res/resource.h"
#include "verify/message_sink.h"
#include "wizard/network_page.h"
#include "wizard/system_page.h"

namespace wizard {

namespace {

const ui::CString kNoteCaption = "Note";
const ui::CString kInvalidDescription =
    "Device description is invalid! \nValid characters are: '0-9', 'a-z', 'A-Z', ' ', '-', '_'.";

// Typed text that names no entry of an editable combo box.
ui::CString NotInTheList(const ui::CString& typed)
{
    return "\"" + typed.str() +
           "\" does not name one entry of the list.\nPlease choose an entry from the list.";
}

// The one rule for what a typed text names, as the command line's --timezone takes it.
std::optional<int> NamedEntry(std::span<const std::string_view> entries, std::string_view typed)
{
    return protocol::FindNamedEntry(entries, typed);
}

}  // namespace

CWizardDlg::CWizardDlg(sockets::SocketApi& api, ui::CDialog* parent)
    : ui::CDialog(IDD_WIZARD, parent), m_api(api)
{
    MapMessage(ui::Notify::Clicked, IDC_NEXT, &CWizardDlg::OnNext);
    MapMessage(ui::Notify::Clicked, IDC_BACK, &CWizardDlg::OnBack);
    MapMessage(ui::Notify::Clicked, IDC_SKIP, &CWizardDlg::OnSkip);
}

CWizardDlg::~CWizardDlg()
{
    m_pages.clear();
    m_templateIds.clear();
}

void CWizardDlg::AddPage(ui::CDialog* page, unsigned templateId)
{
    m_pages.push_back(page);
    m_templateIds.push_back(templateId);
}

ui::CDialog* CWizardDlg::GetPage(int index) const
{
    if (index < 0 || index >= GetPageCount()) return nullptr;
    return m_pages[static_cast<std::size_t>(index)];
}

void CWizardDlg::DoDataExchange(ui::CDataExchange* dx)
{
    ui::CDialog::DoDataExchange(dx);
    ui::DDX_Control(dx, IDC_WIZARD_BITMAP, m_bitmap);
    ui::DDX_Control(dx, IDC_PAGE_FRAME, m_frame);
    ui::DDX_Control(dx, IDCANCEL, m_cancel);
    ui::DDX_Control(dx, IDC_BACK, m_back);
    ui::DDX_Control(dx, IDC_NEXT, m_next);
}

bool CWizardDlg::OnInitDialog()
{
    ui::CDialog::OnInitDialog();
    if (!m_pages.empty()) {
        // Every page takes exactly the frame's rectangle, whatever size its template gives.
        const ui::CRect frame = GetDlgItemRectInParent(IDC_PAGE_FRAME);
        // Each page window is built from the template recorded beside it by AddPage (its low
        // 16 bits), whatever template the page object was constructed with.
        for (std::size_t i = 0; i < m_pages.size(); ++i) {
            ui::CDialog* page = m_pages[i];
            if (page == nullptr) continue;
            page->Create(static_cast<int>(m_templateIds[i] & 0xFFFFu), this);
            page->MoveWindow(frame);
        }
        ShowPage(0);
    }
    FillSystemPage();
    FillNetworkPage();
    return true;
}

void CWizardDlg::ShowPage(int index)
{
    if (ui::CDialog* current = GetPage(m_current)) {
        if (!current->UpdateData(true)) return;
        current->ShowWindow(false);
    }
    m_current = index;
    if (ui::CDialog* page = GetPage(index)) page->ShowWindow(true);
}

void CWizardDlg::Advance(bool write)
{
    const int n = GetPageCount();
    if (m_current >= n - 1) {
        FinishWizard();
        return;
    }
    if (write) {
        // Pages without a write step move on at once.
        int result = 0;
        if (m_current == 0) result = WriteSystemInfo();
        if (m_current == 1) result = WriteNetworkInfo();
        if (result != 0) return;
    }
    ShowPage(m_current + 1);
    if (m_current == n - 1) m_next.SetWindowText("&Finished");
    m_back.EnableWindow(true);
}

void CWizardDlg::OnNext()
{
    Advance(true);
}

void CWizardDlg::OnSkip()
{
    Advance(false);
}

void CWizardDlg::OnBack()
{
    if (m_current > 0) {
        if (m_current == GetPageCount() - 1) m_next.SetWindowText("&Next >>");
        ShowPage(m_current - 1);
    }
    if (m_current <= 0) m_back.EnableWindow(false);
}

void CWizardDlg::FinishWizard()
{
    for (ui::CDialog* page : m_pages) {
        if (page != nullptr) page->UpdateData(true);
    }
    DestroyPages();
    OnOK();
}

void CWizardDlg::DestroyPages()
{
    for (ui::CDialog* page : m_pages) {
        if (page != nullptr) page->DestroyWindow();
    }
}

// Return in a field means "go on", as in other wizards: it acts as Next. Without this the
// dialog manager would turn it into OK and end the wizard without writing the page. On a
// focused push button Return still presses that button.
bool CWizardDlg::PreTranslateKey(ui::Key key)
{
    if (key == ui::Key::Return) {
        if (IsFocusOnPushButton()) return false;
        // Return is a click on Next, focus included: the field being left commits what was
        // typed into it (pickers, editable combos) as it does for a click, and the focus does
        // not fall to Cancel when the page is hidden, so the next Return is Next again.
        m_next.SetFocus();
        OnNext();
        return true;
    }
    return ui::CDialog::PreTranslateKey(key);
}

void CWizardDlg::FillSystemPage()
{
    auto* page = dynamic_cast<CSystemPage*>(GetPage(0));
    if (page == nullptr || m_device == nullptr) return;
    const protocol::DeviceInfo& d = *m_device;
    page->m_noPasswordCheck.SetCheck(d.passwordRequired == 0 ? 1 : 0);
    page->m_timezoneCombo.SetCurSel(protocol::TimezoneSelection(d.timezone));
    page->m_descriptionEdit.SetWindowText(protocol::DisplayText(d.description));
    const auto c = protocol::DeviceCalendarTime(d);
    if (!c) return;  // the pickers keep the PC's clock
    page->SetPickers(*c);
}

void CWizardDlg::FillNetworkPage()
{
    auto* page = dynamic_cast<CNetworkPage*>(GetPage(1));
    if (page == nullptr || m_device == nullptr) return;
    const protocol::NetworkSettings current = protocol::CurrentNetworkSettings(*m_device);
    const std::array<const std::array<char, 16>*, 5> fields{
        &m_device->ipAddress, &m_device->subnetMask, &m_device->gateway, &m_device->dns1,
        &m_device->dns2};
    page->m_protocolCombo.SetCurSel(current.ipMode);
    for (int i = 0; i < 5; ++i) {
        const auto at = static_cast<std::size_t>(i);
        ui::CIPAddressCtrl* ctrl = page->AddressCtrl(i);
        // A blank field shows blank parts; the control still reads back 0.0.0.0, which is what
        // an untouched page sends.
        const std::string stored = protocol::FieldText(*fields[at]);
        const bool blank = stored.find_first_not_of(" \t\n\v\f\r") == std::string::npos;
        ctrl->SetAddressText(blank ? std::string() : current.addresses[at]);
        ctrl->EnableWindow(current.ipMode == 0);
    }
}

int CWizardDlg::WriteSystemInfo()
{
    auto* page = dynamic_cast<CSystemPage*>(GetPage(0));
    if (page == nullptr || m_device == nullptr) return 0;

    // The edit takes 64 characters but only 63 are examined and sent.
    const std::string description =
        page->m_descriptionEdit.GetWindowText().Left(protocol::kDescriptionSent).str();
    if (!protocol::IsValidDescription(description)) {
        ui::MessageBox(this, kInvalidDescription, kNoteCaption, ui::Icon::Information);
        return 1;
    }
    std::uint8_t timezone = 0;
    if (!ListPosition(page->m_timezoneCombo, timezone)) return 1;

    protocol::SystemSettings s;
    s.passwordRequired = page->m_noPasswordCheck.GetCheck() == 0;
    s.name = m_device->name;
    s.description = description;
    const ui::DateTime date = page->m_datePicker.GetTime();
    const ui::DateTime time = page->m_timePicker.GetTime();
    protocol::SetDateTime(s,
                          {date.year, date.month, date.day, time.hour, time.minute, time.second});
    s.timezone = timezone;

    verify::AppMessageSink sink;
    const protocol::WriteOutcome outcome =
        protocol::WriteSystemInfo(m_api, sink, m_device->mac, s, protocol::RouteTo(*m_device));
    if (outcome.sent && !outcome.answered) sink.ShowMessage(protocol::text::kTimeoutSetSystemInfo);
    return outcome.sent && outcome.answered ? 0 : 1;
}

int CWizardDlg::WriteNetworkInfo()
{
    auto* page = dynamic_cast<CNetworkPage*>(GetPage(1));
    if (page == nullptr || m_device == nullptr) return 0;

    protocol::NetworkSettings s;
    const int was = page->m_protocolCombo.GetCurSel();
    if (!ListPosition(page->m_protocolCombo, s.ipMode)) return 1;
    // A mode named by typing is a choice like one from the list: the addresses follow it.
    if (page->m_protocolCombo.GetCurSel() != was) page->OnProtocolSelChange();
    // Sent whatever the mode, also from disabled controls.
    for (int i = 0; i < 5; ++i) {
        // The same normal form the command line sends.
        s.addresses[static_cast<std::size_t>(i)] =
            protocol::NormalizedAddress(page->AddressCtrl(i)->GetAddressText().str());
    }
    verify::AppMessageSink sink;
    const protocol::WriteOutcome outcome =
        protocol::WriteNetworkInfo(m_api, sink, m_device->mac, s, protocol::RouteTo(*m_device));
    if (outcome.sent && !outcome.answered) sink.ShowMessage(protocol::text::kTimeoutSetNetworkInfo);
    return outcome.sent && outcome.answered ? 0 : 1;
}

bool CWizardDlg::ListPosition(ui::CComboBox& combo, std::uint8_t& position)
{
    // Typing over an entry leaves no selection; the text may still name one.
    const int at = combo.SelectTypedEntry(NamedEntry);
    if (at == ui::CComboBox::kUnnamed) {
        ui::AfxMessageBox(NotInTheList(protocol::TrimSpaces(combo.GetWindowText().str())));
        combo.SetFocus();
        return false;
    }
    // No selection (-1) goes out as its low byte, 255.
    position = static_cast<std::uint8_t>(at & 0xFF);
    return true;
}

}  // namespace wizard
