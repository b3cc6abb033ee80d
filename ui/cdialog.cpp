// CDialog: its window through the backend's driver, the message map, modal runs, data
// exchange. The dialog manager (keys, tab order) is dialog_manager.cpp, the wrappers
// controls.cpp.
#include "ui/cdialog.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ui/accessible_names.h"
#include "ui/driver.h"
#include "ui/ids.h"
#include "ui/window_link.h"

namespace ui {

// What the dialog's window reports.
class CDialog::Events final : public WindowEvents {
public:
    explicit Events(CDialog& dlg) : m_dlg(dlg) {}
    void OnNotify(Notify code, int id) override { m_dlg.Dispatch(code, id); }
    void OnCloseRequest() override
    {
        // The close box and Alt+F4 become the dialog's close request; the dialog decides.
        if (!m_dlg.m_ended) m_dlg.OnClose();
    }
    bool OnContextMenu(const CPoint& screen) override
    {
        if (m_dlg.m_template == nullptr || !(m_dlg.m_template->style & dstyle::SysMenu))
            return false;
        m_dlg.ShowSystemMenu(&screen);
        return true;
    }
    void OnFirstShow() override { m_dlg.ApplyInitialFocus(); }
    bool OnKey(Key key, unsigned modifiers, NativeWindow target) override
    {
        // The innermost dialog holding the target first: a page before the frame it is on.
        int id = kNoControl;
        CDialog* d = m_dlg.DialogHolding(target, id);
        return (d != nullptr ? d : &m_dlg)->RouteKey(key, modifiers, id);
    }

private:
    CDialog& m_dlg;
};

CDialog::CDialog(int templateId, CDialog* parent)
    : m_templateId(templateId),
      m_parent(parent),
      m_template(FindTemplate(templateId)),
      m_events(std::make_unique<Events>(*this))
{
}

CDialog::~CDialog()
{
    UnlinkChildren();
    ReleaseWindow();
}

void CDialog::ReleaseWindow()
{
    m_window.reset();
}

bool CDialog::BuildWindow(CDialog* parent, bool child)
{
    if (m_template == nullptr) return false;
    Backend* backend = CurrentBackend();
    if (backend == nullptr) {
        std::fprintf(stderr, "CDialog: no UI backend is installed\n");
        return false;
    }
    ReleaseWindow();
    WindowDriver* parentDriver =
        (parent != nullptr && parent->m_window) ? parent->m_window->driver.get() : nullptr;
    std::unique_ptr<WindowDriver> driver =
        backend->CreateWindowDriver(*m_template, *m_events, parentDriver, child);
    if (!driver) return false;
    m_window = std::make_shared<detail::WindowLink>(this, std::move(driver));
    m_link = m_window;
    m_target = kSelf;
    m_id = m_template->id;
    const CPoint units = m_window->driver->BaseUnits();
    m_baseX = units.x;
    m_baseY = units.y;
    // Controls that show no text of their own are read by the label before them.
    for (std::size_t i = 0; i < m_template->controls.size(); ++i) {
        const ControlTemplate& ct = m_template->controls[i];
        const CString name = TemplateAccessibleName(*m_template, i);
        if (!name.IsEmpty() && FindControl(ct.id) == &ct)
            m_window->driver->SetAccessibleName(ct.id, name);
    }
    // Initial combo-box data, in order; no entry is selected.
    for (const auto& [id, entries] : m_template->comboData) {
        if (FindControl(id) == nullptr) continue;
        for (std::string_view e : entries) m_window->driver->InsertItem(id, -1, CString(e));
        m_window->driver->SetCurSel(id, -1);
    }
    return true;
}

int CDialog::DoModal()
{
    if (!BuildWindow(m_parent, false)) return -1;
    m_ended = false;
    m_result = IDCANCEL;
    m_focusDefault = OnInitDialog();
    if (!m_ended && m_window) {
        const std::shared_ptr<detail::WindowLink> window = m_window;
        m_running = true;
        window->driver->RunModal();
        m_running = false;
    }
    const int result = m_result;
    DestroyWindow();
    return result;
}

bool CDialog::Create(CDialog* parent)
{
    if (!BuildWindow(parent, parent != nullptr)) return false;
    if (parent != nullptr) parent->m_children.push_back(this);
    m_createdOn = parent;
    m_ended = false;
    m_window->driver->SetVisible(kSelf, false);
    m_focusDefault = OnInitDialog();
    return true;
}

bool CDialog::Create(int templateId, CDialog* parent)
{
    m_templateId = templateId;
    m_template = FindTemplate(templateId);
    return Create(parent);
}

// Child and parent dialogs may be destroyed in either order: each side forgets the other.
void CDialog::UnlinkChildren()
{
    if (m_createdOn != nullptr) {
        auto& c = m_createdOn->m_children;
        c.erase(std::remove(c.begin(), c.end(), this), c.end());
        m_createdOn = nullptr;
    }
    for (CDialog* child : m_children) child->m_createdOn = nullptr;
    m_children.clear();
}

void CDialog::DestroyWindow()
{
    UnlinkChildren();
    ReleaseWindow();
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (m_window && m_running) m_window->driver->EndModal(result);
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return true;
}

const ControlTemplate* CDialog::FindControl(int id) const
{
    if (m_template == nullptr) return nullptr;
    for (const ControlTemplate& ct : m_template->controls)
        if (ct.id == id) return &ct;
    return nullptr;
}

void CDialog::RenameLabelled(int id, const CString& text)
{
    const ControlTemplate* label = FindControl(id);
    if (label == nullptr || !m_window ||
        (label->kind != Kind::Static && label->kind != Kind::GroupBox))
        return;
    const auto index = static_cast<std::size_t>(label - m_template->controls.data());
    const CString name = LabelName(text.str(), label->style);
    for (std::size_t i : ControlsNamedBy(*m_template, index)) {
        const ControlTemplate& ct = m_template->controls[i];
        if (FindControl(ct.id) == &ct) m_window->driver->SetAccessibleName(ct.id, name);
    }
}

bool CDialog::IsPushButton(int id) const
{
    const ControlTemplate* ct = FindControl(id);
    return ct != nullptr && ct->kind == Kind::PushButton;
}

NativeWindow CDialog::GetDlgItem(int id) const
{
    if (!m_window || FindControl(id) == nullptr) return nullptr;
    return m_window->driver->Native(id);
}

CRect CDialog::GetDlgItemRectInParent(int id) const
{
    if (!m_window || FindControl(id) == nullptr) return {};
    return m_window->driver->Rect(id);
}

void CDialog::MoveWindow(const CRect& rect)
{
    if (m_window) m_window->driver->Move(kSelf, rect);
}

bool CDialog::IsFocusOnPushButton() const
{
    if (m_window) {
        const int id = m_window->driver->FocusedControl();
        if (id != kSelf && id != kNoControl && IsPushButton(id)) return true;
    }
    return std::any_of(m_children.begin(), m_children.end(),
                       [](const CDialog* c) { return c->IsFocusOnPushButton(); });
}

int CDialog::DefaultButtonId() const
{
    if (m_template != nullptr)
        for (const ControlTemplate& ct : m_template->controls)
            if (ct.kind == Kind::PushButton && (ct.style & style::DefPushButton)) return ct.id;
    return IDOK;
}

void CDialog::SendCommand(int id)
{
    // A command for a push button behaves as a click on it: nothing when it is disabled.
    if (m_window && IsPushButton(id)) {
        if (m_window->driver->IsEnabled(id)) m_window->driver->Click(id);
        return;
    }
    Dispatch(Notify::Clicked, id);
}

void CDialog::Dispatch(Notify code, int id)
{
    for (const Handler& h : m_handlers) {
        if (h.code == code && h.id == id) {
            // Copy: the handler may end the dialog or change the map.
            const std::function<void()> fn = h.fn;
            fn();
            return;
        }
    }
    if (code == Notify::Clicked && id == IDOK) OnOK();
    if (code == Notify::Clicked && id == IDCANCEL) OnCancel();
}

void CDialog::AddHandler(Notify code, int id, std::function<void()> handler)
{
    m_handlers.push_back(Handler{code, id, std::move(handler)});
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK()
{
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnClose()
{
    OnCancel();
}

void CDialog::OnSysCommand(unsigned id)
{
    switch (id & 0xFFF0u) {
        case SC_CLOSE:
            OnClose();
            break;
        case SC_MINIMIZE:
            if (m_window) m_window->driver->Minimize();
            break;
        default:
            break;
    }
}

bool CDialog::PreTranslateKey(Key)
{
    return false;
}

void CDialog::AppendSystemMenuItem(unsigned commandId, const CString& text)
{
    m_sysMenu.emplace_back(0u, CString());
    m_sysMenu.emplace_back(commandId, text);
}

void CDialog::SetIcon(const IconHandle& icon)
{
    if (m_window) m_window->driver->SetIcon(icon);
}

void CDialog::ShowSystemMenu(const CPoint* at)
{
    if (!m_window) return;
    std::vector<MenuItem> items;
    if (m_template && (m_template->style & dstyle::MinimizeBox))
        items.push_back({SC_MINIMIZE, "Mi&nimize"});
    items.push_back({SC_CLOSE, "&Close\tAlt+F4"});
    for (const auto& [id, text] : m_sysMenu) items.push_back({id, text});
    const std::weak_ptr<detail::WindowLink> guard = m_window;
    const unsigned chosen = m_window->driver->PopupMenu(items, at);
    // The menu runs an event loop: the window may have gone meanwhile.
    if (chosen != 0 && !guard.expired()) OnSysCommand(chosen);
}

// ---- Data exchange ------------------------------------------------------------------------

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.Driver() != nullptr) return;
    if (!control.SubclassDlgItem(id, dx->dialog())) {
        std::fprintf(stderr, "DDX_Control: template %d has no control %d\n",
                     dx->dialog()->templateId(), id);
        std::abort();
    }
}

}  // namespace ui
