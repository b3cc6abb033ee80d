// The dialog manager: Enter, Escape, Tab and Alt+Space with their dialog meanings (rules in
// cdialog.h), and focus moves along the tab stops, descending into visible child dialogs.
#include "ui/cdialog.h"
#include "ui/driver.h"
#include "ui/window_link.h"

namespace ui {

CDialog* CDialog::TopDialog()
{
    CDialog* top = this;
    while (top->m_createdOn != nullptr) top = top->m_createdOn;
    return top;
}

bool CDialog::RouteKey(Key key, unsigned modifiers, int id)
{
    // Child dialogs (pages) first, then the dialogs they sit on.
    for (CDialog* d = this; d != nullptr; d = d->m_createdOn)
        if (d->PreTranslateKey(key)) return true;

    CDialog* top = TopDialog();
    if (key == Key::Return && modifiers == 0) {
        if (m_window && IsPushButton(id) && m_window->driver->IsEnabled(id)) {
            m_window->driver->Click(id);
            return true;
        }
        top->SendCommand(top->DefaultButtonId());
        return true;
    }
    if (key == Key::Escape && modifiers == 0) {
        top->SendCommand(IDCANCEL);
        return true;
    }
    if (key == Key::Tab && (modifiers == 0 || modifiers == keymod::Shift)) {
        top->MoveFocus({this, id}, modifiers == 0);
        return true;
    }
    if (key == Key::Space && modifiers == keymod::Alt) {
        if (top->m_template && (top->m_template->style & dstyle::SysMenu))
            top->ShowSystemMenu(nullptr);
        return true;
    }
    return false;
}

CDialog* CDialog::DialogHolding(NativeWindow w, int& id)
{
    for (CDialog* c : m_children)
        if (CDialog* d = c->DialogHolding(w, id)) return d;
    if (!m_window) return nullptr;
    id = m_window->driver->ControlOf(w);
    return id != kNoControl ? this : nullptr;
}

void CDialog::CollectTabStops(std::vector<Stop>& out) const
{
    if (!m_window || m_template == nullptr) return;
    const WindowDriver& d = *m_window->driver;
    for (const ControlTemplate& ct : m_template->controls) {
        if (!(ct.style & style::TabStop) || IsPassive(ct)) continue;
        if (d.IsShown(ct.id) && d.IsEnabled(ct.id))
            out.push_back({const_cast<CDialog*>(this), ct.id});
    }
    for (const CDialog* c : m_children)
        if (c->m_window && c->m_window->driver->IsShown(kSelf)) c->CollectTabStops(out);
}

CDialog::Stop CDialog::FindFocus()
{
    if (m_window) {
        const int id = m_window->driver->FocusedControl();
        if (id != kNoControl && id != kSelf) return {this, id};
    }
    for (CDialog* c : m_children) {
        const Stop s = c->FindFocus();
        if (s.dialog != nullptr) return s;
    }
    return {nullptr, kNoControl};
}

void CDialog::MoveFocus(const Stop& from, bool forward)
{
    std::vector<Stop> stops;
    CollectTabStops(stops);
    if (stops.empty()) return;
    int at = -1;
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (stops[i].dialog == from.dialog && stops[i].id == from.id) at = static_cast<int>(i);
    const int n = static_cast<int>(stops.size());
    const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
    const Stop& s = stops[static_cast<std::size_t>(next)];
    s.dialog->m_window->driver->SetFocus(s.id, FocusReason::Tab);
}

void CDialog::NextDlgCtrl()
{
    CDialog* top = TopDialog();
    top->MoveFocus(top->FindFocus(), true);
}

void CDialog::ApplyInitialFocus()
{
    if (!m_focusDefault) return;
    std::vector<Stop> stops;
    CollectTabStops(stops);
    if (!stops.empty())
        stops.front().dialog->m_window->driver->SetFocus(stops.front().id, FocusReason::Other);
}

}  // namespace ui
