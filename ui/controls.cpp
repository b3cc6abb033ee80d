// The control wrappers: the few operations the dialogs use, handed to the window's driver.
// Changes made through a wrapper never send notifications (only the user's actions do).
#include <string>
#include <vector>

#include "protocol/device_time.h"
#include "ui/cdialog.h"
#include "ui/driver.h"
#include "ui/window_link.h"

namespace ui {

// ---- CWnd -------------------------------------------------------------------------------

CWnd::CWnd() : m_target(kNoControl) {}

CWnd::~CWnd() = default;

bool CWnd::SubclassDlgItem(int id, CDialog* parent)
{
    if (parent == nullptr || !parent->m_window || parent->FindControl(id) == nullptr) return false;
    m_link = parent->m_window;
    m_target = id;
    m_id = id;
    return true;
}

WindowDriver* CWnd::Driver() const
{
    const std::shared_ptr<detail::WindowLink> link = m_link.lock();
    return link ? link->driver.get() : nullptr;
}

const ControlTemplate* CWnd::Template() const
{
    const std::shared_ptr<detail::WindowLink> link = m_link.lock();
    return link ? link->dialog->FindControl(m_target) : nullptr;
}

NativeWindow CWnd::GetSafeHwnd() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->Native(m_target) : NativeWindow();
}

void CWnd::EnableWindow(bool enable)
{
    const std::shared_ptr<detail::WindowLink> link = m_link.lock();
    if (!link) return;
    WindowDriver& d = *link->driver;
    if (!enable && link->dialog->IsPushButton(m_target) && d.FocusedControl() == m_target) {
        // Left to itself the window would hand the focus to the next control, often another
        // button that the next Return or Space then presses. It waits on the window instead.
        d.FocusWindow();
        link->parkedFocus = m_target;
    }
    d.SetEnabled(m_target, enable);
    if (enable && link->parkedFocus == m_target) {
        link->parkedFocus = kNoControl;
        if (d.FocusIsOnWindow()) d.SetFocus(m_target, FocusReason::Other);
    }
}

bool CWnd::IsWindowEnabled() const
{
    WindowDriver* d = Driver();
    return d != nullptr && d->IsEnabled(m_target);
}

void CWnd::ShowWindow(bool show)
{
    if (WindowDriver* d = Driver()) d->SetVisible(m_target, show);
}

void CWnd::SetWindowText(const CString& text)
{
    const std::shared_ptr<detail::WindowLink> link = m_link.lock();
    if (!link) return;
    link->driver->SetText(m_target, text);
    if (m_target != kSelf) link->dialog->RenameLabelled(m_target, text);
}

CString CWnd::GetWindowText() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->GetText(m_target) : CString();
}

void CWnd::SetFocus()
{
    if (WindowDriver* d = Driver()) d->SetFocus(m_target, FocusReason::Other);
}

void CWnd::UpdateWindow()
{
    if (WindowDriver* d = Driver()) d->Update(m_target);
}

// ---- CButton, CEdit ---------------------------------------------------------------------

void CButton::SetCheck(int state)
{
    if (WindowDriver* d = Driver()) d->SetCheck(Target(), state);
}

int CButton::GetCheck() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->GetCheck(Target()) : 0;
}

void CEdit::LimitText(int maxChars)
{
    if (WindowDriver* d = Driver()) d->LimitText(Target(), maxChars);
}

void CEdit::SetLimitBytes(std::size_t maxBytes)
{
    if (WindowDriver* d = Driver()) d->LimitBytes(Target(), maxBytes);
}

// ---- CComboBox, CListBox ----------------------------------------------------------------

int CComboBox::AddString(const CString& text)
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->InsertItem(Target(), -1, text) : -1;
}

int CComboBox::DeleteString(int index)
{
    WindowDriver* d = Driver();
    if (d == nullptr || !d->DeleteItem(Target(), index)) return -1;
    return d->ItemCount(Target());
}

void CComboBox::ResetContent()
{
    if (WindowDriver* d = Driver()) d->DeleteAllItems(Target());
}

int CComboBox::GetCount() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->ItemCount(Target()) : 0;
}

int CComboBox::GetCurSel() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->CurSel(Target()) : -1;
}

int CComboBox::SetCurSel(int index)
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->SetCurSel(Target(), index) : -1;
}

CString CComboBox::GetLBText(int index) const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->ItemText(Target(), index, 0) : CString();
}

int CComboBox::SelectTypedEntry(const EntryNames& names)
{
    const int selected = GetCurSel();
    if (selected >= 0) return selected;
    const std::string typed = GetWindowText().str();
    // Only spaces is an empty field: nothing chosen, as in a box the user never touched.
    if (typed.find_first_not_of(" \t") == std::string::npos) return -1;
    std::vector<std::string> texts;
    const int n = GetCount();
    for (int i = 0; i < n; ++i) texts.push_back(GetLBText(i).str());
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const std::optional<int> named = names ? names(views, typed) : std::nullopt;
    if (!named || *named < 0 || *named >= n) return kUnnamed;
    return SetCurSel(*named);
}

int CListBox::AddString(const CString& text)
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->InsertItem(Target(), -1, text) : -1;
}

int CListBox::DeleteString(int index)
{
    WindowDriver* d = Driver();
    if (d == nullptr || !d->DeleteItem(Target(), index)) return -1;
    return d->ItemCount(Target());
}

void CListBox::ResetContent()
{
    if (WindowDriver* d = Driver()) d->DeleteAllItems(Target());
}

int CListBox::GetCount() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->ItemCount(Target()) : 0;
}

int CListBox::GetCurSel() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->CurSel(Target()) : -1;
}

int CListBox::SetCurSel(int index)
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->SetCurSel(Target(), index) : -1;
}

CString CListBox::GetText(int index) const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->ItemText(Target(), index, 0) : CString();
}

void CListBox::SetEmptyText(const CString& text)
{
    if (WindowDriver* d = Driver()) d->SetEmptyText(Target(), text);
}

// ---- CListCtrl --------------------------------------------------------------------------

void CListCtrl::SetExtendedStyle(std::uint32_t style)
{
    if (WindowDriver* d = Driver()) d->SetExtendedStyle(Target(), style);
}

int CListCtrl::InsertColumn(int column, const CString& heading, int widthPixels)
{
    WindowDriver* d = Driver();
    return (d != nullptr && column >= 0) ? d->InsertColumn(Target(), column, heading, widthPixels)
                                         : -1;
}

int CListCtrl::InsertItem(int row, const CString& text)
{
    WindowDriver* d = Driver();
    return (d != nullptr && row >= 0) ? d->InsertItem(Target(), row, text) : -1;
}

bool CListCtrl::SetItemText(int row, int column, const CString& text)
{
    WindowDriver* d = Driver();
    return d != nullptr && d->SetItemText(Target(), row, column, text);
}

CString CListCtrl::GetItemText(int row, int column) const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->ItemText(Target(), row, column) : CString();
}

bool CListCtrl::DeleteItem(int row)
{
    WindowDriver* d = Driver();
    return d != nullptr && d->DeleteItem(Target(), row);
}

bool CListCtrl::DeleteAllItems()
{
    WindowDriver* d = Driver();
    if (d == nullptr) return false;
    d->DeleteAllItems(Target());
    return true;
}

int CListCtrl::GetItemCount() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->ItemCount(Target()) : 0;
}

int CListCtrl::GetFirstSelectedItem() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->CurSel(Target()) : -1;
}

void CListCtrl::SetEmptyText(const CString& text)
{
    if (WindowDriver* d = Driver()) d->SetEmptyText(Target(), text);
}

// ---- CDateTimeCtrl, CIPAddressCtrl ------------------------------------------------------

namespace {

bool IsValid(const DateTime& v)
{
    return v.year >= 1 && v.day >= 1 && v.day <= protocol::DaysInMonth(v.year, v.month) &&
           v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60 && v.second >= 0 &&
           v.second < 60;
}

}  // namespace

// The picker shows the date or the time; the framework keeps the whole value, so the part not
// shown comes back as it was set. A value no calendar has is not taken, as a picker refuses it.
void CDateTimeCtrl::SetTime(const DateTime& time)
{
    const std::shared_ptr<detail::WindowLink> link = Link();
    if (!link || !IsValid(time)) return;
    link->pickers[Target()] = time;
    link->driver->SetDateTime(Target(), time);
}

DateTime CDateTimeCtrl::GetTime() const
{
    const std::shared_ptr<detail::WindowLink> link = Link();
    if (!link) return {};
    const DateTime shown = link->driver->GetDateTime(Target());
    const auto set = link->pickers.find(Target());
    const ControlTemplate* ct = Template();
    if (set == link->pickers.end() || ct == nullptr) return shown;
    DateTime value = set->second;
    if (ct->kind == Kind::DatePicker) {
        value.year = shown.year;
        value.month = shown.month;
        value.day = shown.day;
    } else {
        value.hour = shown.hour;
        value.minute = shown.minute;
        value.second = shown.second;
    }
    return value;
}

void CDateTimeCtrl::SetRange(const DateTime& first, const DateTime& last)
{
    if (WindowDriver* d = Driver()) d->SetDateTimeRange(Target(), first, last);
}

void CIPAddressCtrl::SetAddressText(const CString& dotted)
{
    if (WindowDriver* d = Driver()) d->SetText(Target(), dotted);
}

CString CIPAddressCtrl::GetAddressText() const
{
    WindowDriver* d = Driver();
    return d != nullptr ? d->GetText(Target()) : CString();
}

}  // namespace ui
