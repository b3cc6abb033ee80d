#include "ui/fake/fake_backend.h"

#include <algorithm>

namespace ui::fake {

namespace {
bool IsList(const ControlTemplate* ct)
{
    return ct->kind == Kind::ComboBox || ct->kind == Kind::ListBox || ct->kind == Kind::ListView;
}
}  // namespace

// ---- FakeWindow -------------------------------------------------------------------------

FakeWindow::FakeWindow(FakeBackend& backend, const DialogTemplate& t, WindowEvents& events,
                       FakeWindow* parent, bool child)
    : m_backend(backend),
      m_template(t),
      m_events(events),
      m_parent(parent),
      m_child(child && parent != nullptr),
      m_rect{0, 0, t.cx * 6 / 4, t.cy * 12 / 8},
      m_caption(t.caption)
{
    for (const ControlTemplate& ct : t.controls) {
        if (m_controls.count(ct.id) != 0) continue;
        FakeControl c;
        c.ct = &ct;
        c.text = CString(ct.text);
        c.enabled = !(ct.style & style::Disabled);
        m_controls.emplace(ct.id, std::move(c));
    }
    m_backend.m_windows.push_back(this);
}

FakeWindow::~FakeWindow()
{
    auto& w = m_backend.m_windows;
    w.erase(std::remove(w.begin(), w.end(), this), w.end());
}

FakeControl* FakeWindow::Control(int id)
{
    const auto it = m_controls.find(id);
    return it != m_controls.end() ? &it->second : nullptr;
}

const FakeControl* FakeWindow::Find(int id) const
{
    const auto it = m_controls.find(id);
    return it != m_controls.end() ? &it->second : nullptr;
}

void FakeWindow::UserClick(int id)
{
    const FakeControl* c = Find(id);
    if (c == nullptr || !c->enabled || !c->shown) return;
    if (c->ct->kind == Kind::CheckBox) Control(id)->check = c->check != 0 ? 0 : 1;
    m_events.OnNotify(Notify::Clicked, id);
}

void FakeWindow::UserSelect(int id, int index)
{
    FakeControl* c = Control(id);
    if (c == nullptr || !c->enabled || index < 0 || index >= static_cast<int>(c->rows.size()))
        return;
    c->sel = index;
    if (c->ct->kind == Kind::ComboBox) c->text = c->rows[static_cast<std::size_t>(index)][0];
    m_events.OnNotify(Notify::SelChange, id);
}

void FakeWindow::UserType(int id, const CString& text)
{
    FakeControl* c = Control(id);
    if (c == nullptr || !c->enabled) return;
    if (c->limitBytes != 0 && text.GetLength() > c->limitBytes) return;
    c->text = text;
    if (c->ct->kind == Kind::ComboBox) {
        c->sel = -1;  // typed text is no selection
        m_events.OnNotify(Notify::EditChange, id);
    }
}

bool FakeWindow::UserKey(Key key, unsigned modifiers)
{
    FakeWindow* top = this;
    while (top->m_child) top = top->m_parent;
    const NativeWindow target = Native(m_focus);
    return top->m_events.OnKey(key, modifiers, target ? target : Native(kSelf));
}

NativeWindow FakeWindow::Native(int id) const
{
    if (id == kSelf) return NativeWindow(const_cast<FakeWindow*>(this));
    return NativeWindow(const_cast<FakeControl*>(Find(id)));
}

int FakeWindow::ControlOf(NativeWindow w) const
{
    if (w.get() == this) return kSelf;
    for (const auto& [id, c] : m_controls)
        if (w.get() == &c) return id;
    return kNoControl;
}

void FakeWindow::UserClose()
{
    m_events.OnCloseRequest();
}

void FakeWindow::RunModal()
{
    ++m_backend.modalRuns;
    m_shown = true;
    m_running = true;
    m_events.OnFirstShow();
    if (!m_backend.m_scripts.empty()) {
        const std::function<void(FakeWindow&)> script = std::move(m_backend.m_scripts.front());
        m_backend.m_scripts.pop_front();
        script(*this);
    }
    if (m_running) {
        ++m_backend.leftOpen;
        m_events.OnCloseRequest();
    }
    m_running = false;
}

void FakeWindow::EndModal(int result)
{
    m_endResult = result;
    m_running = false;
}

unsigned FakeWindow::PopupMenu(const std::vector<MenuItem>& items, const CPoint*)
{
    lastMenu = items;
    return m_backend.menuChoice;
}

// ---- Any control ------------------------------------------------------------------------

void FakeWindow::SetEnabled(int id, bool enable)
{
    if (FakeControl* c = Control(id)) c->enabled = enable;
}

bool FakeWindow::IsEnabled(int id) const
{
    if (id == kSelf) return true;
    const FakeControl* c = Find(id);
    return c != nullptr && c->enabled;
}

void FakeWindow::SetVisible(int id, bool visible)
{
    if (id == kSelf)
        m_shown = visible;
    else if (FakeControl* c = Control(id))
        c->shown = visible;
}

bool FakeWindow::IsShown(int id) const
{
    if (id == kSelf) return m_shown;
    const FakeControl* c = Find(id);
    return c != nullptr && c->shown;
}

void FakeWindow::SetText(int id, const CString& text)
{
    if (id == kSelf)
        m_caption = text;
    else if (FakeControl* c = Control(id))
        c->text = text;
}

CString FakeWindow::GetText(int id) const
{
    if (id == kSelf) return m_caption;
    const FakeControl* c = Find(id);
    return c != nullptr ? c->text : CString();
}

void FakeWindow::SetFocus(int id, FocusReason)
{
    if (id == kSelf || Find(id) != nullptr) m_focus = id;
    // The focus is in one window at a time.
    for (FakeWindow* w : m_backend.m_windows)
        if (w != this) w->m_focus = kNoControl;
}

void FakeWindow::Click(int id)
{
    UserClick(id);
}

CRect FakeWindow::Rect(int id) const
{
    if (id == kSelf) return m_rect;
    const FakeControl* c = Find(id);
    if (c == nullptr) return {};
    const ControlTemplate& ct = *c->ct;
    return {ct.x * 6 / 4, ct.y * 12 / 8, (ct.x + ct.cx) * 6 / 4, (ct.y + ct.cy) * 12 / 8};
}

void FakeWindow::Move(int id, const CRect& rect)
{
    if (id == kSelf) m_rect = rect;
}

void FakeWindow::SetCheck(int id, int state)
{
    if (FakeControl* c = Control(id)) c->check = state;
}

int FakeWindow::GetCheck(int id) const
{
    const FakeControl* c = Find(id);
    return c != nullptr ? c->check : 0;
}

void FakeWindow::LimitText(int id, int maxChars)
{
    if (FakeControl* c = Control(id)) c->limitChars = maxChars > 0 ? std::size_t(maxChars) : 30000;
}

void FakeWindow::LimitBytes(int id, std::size_t maxBytes)
{
    if (FakeControl* c = Control(id)) c->limitBytes = maxBytes;
}

// ---- Rows -------------------------------------------------------------------------------

int FakeWindow::InsertItem(int id, int index, const CString& text)
{
    FakeControl* c = Control(id);
    if (c == nullptr || !IsList(c->ct)) return -1;
    const int n = static_cast<int>(c->rows.size());
    const int at = (index < 0 || index > n) ? n : index;
    c->rows.insert(c->rows.begin() + at, std::vector<CString>{text});
    c->selected.insert(c->selected.begin() + at, false);
    if (c->sel >= at) ++c->sel;
    return at;
}

bool FakeWindow::DeleteItem(int id, int index)
{
    FakeControl* c = Control(id);
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->rows.size())) return false;
    c->rows.erase(c->rows.begin() + index);
    c->selected.erase(c->selected.begin() + index);
    if (c->sel == index)
        c->sel = -1;
    else if (c->sel > index)
        --c->sel;
    return true;
}

void FakeWindow::DeleteAllItems(int id)
{
    if (FakeControl* c = Control(id)) {
        c->rows.clear();
        c->selected.clear();
        c->sel = -1;
        if (c->ct->kind == Kind::ComboBox) c->text = CString();
    }
}

int FakeWindow::ItemCount(int id) const
{
    const FakeControl* c = Find(id);
    return c != nullptr ? static_cast<int>(c->rows.size()) : 0;
}

CString FakeWindow::ItemText(int id, int index, int column) const
{
    const FakeControl* c = Find(id);
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->rows.size()) || column < 0)
        return {};
    const auto& row = c->rows[static_cast<std::size_t>(index)];
    return static_cast<std::size_t>(column) < row.size() ? row[static_cast<std::size_t>(column)]
                                                         : CString();
}

bool FakeWindow::SetItemText(int id, int index, int column, const CString& text)
{
    FakeControl* c = Control(id);
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->rows.size()) || column < 0 ||
        column >= static_cast<int>(c->columns.size()))
        return false;
    auto& row = c->rows[static_cast<std::size_t>(index)];
    if (row.size() <= static_cast<std::size_t>(column))
        row.resize(static_cast<std::size_t>(column) + 1);
    row[static_cast<std::size_t>(column)] = text;
    return true;
}

int FakeWindow::CurSel(int id) const
{
    const FakeControl* c = Find(id);
    if (c == nullptr) return -1;
    if (c->ct->kind == Kind::ListView) {
        const auto it = std::find(c->selected.begin(), c->selected.end(), true);
        return it == c->selected.end() ? -1 : static_cast<int>(it - c->selected.begin());
    }
    return c->sel;
}

int FakeWindow::SetCurSel(int id, int index)
{
    FakeControl* c = Control(id);
    if (c == nullptr) return -1;
    const bool valid = index >= 0 && index < static_cast<int>(c->rows.size());
    c->sel = valid ? index : -1;
    if (c->ct->kind == Kind::ComboBox)
        c->text = valid ? c->rows[static_cast<std::size_t>(index)][0] : CString();
    return c->sel;
}

// ---- List-view columns ------------------------------------------------------------------

void FakeWindow::SetExtendedStyle(int id, std::uint32_t style)
{
    if (FakeControl* c = Control(id)) c->extendedStyle = style;
}

int FakeWindow::InsertColumn(int id, int column, const CString& heading, int width)
{
    FakeControl* c = Control(id);
    if (c == nullptr || column < 0) return -1;
    const int at = std::min(column, static_cast<int>(c->columns.size()));
    c->columns.insert(c->columns.begin() + at, {heading, width});
    return at;
}

void FakeWindow::SetDateTime(int id, const DateTime& value)
{
    if (FakeControl* c = Control(id)) c->dateTime = value;
}

DateTime FakeWindow::GetDateTime(int id) const
{
    const FakeControl* c = Find(id);
    return c != nullptr ? c->dateTime : DateTime();
}

void FakeWindow::SetAccessibleName(int id, const CString& name)
{
    if (FakeControl* c = Control(id)) c->accessibleName = name;
}

void FakeWindow::SetEmptyText(int id, const CString& text)
{
    FakeControl* c = Control(id);
    if (c != nullptr && (c->ct->kind == Kind::ListBox || c->ct->kind == Kind::ListView))
        c->emptyText = text;
}

// ---- FakeBackend ------------------------------------------------------------------------

void FakeBackend::OnNextModal(std::function<void(FakeWindow&)> script)
{
    m_scripts.push_back(std::move(script));
}

std::unique_ptr<WindowDriver> FakeBackend::CreateWindowDriver(const DialogTemplate& t,
                                                              WindowEvents& events,
                                                              WindowDriver* parent, bool child)
{
    return std::make_unique<FakeWindow>(*this, t, events, dynamic_cast<FakeWindow*>(parent), child);
}

int FakeBackend::ShowMessageBox(NativeWindow, const MessageBoxRequest& request)
{
    boxes.push_back(request);
    return 1;  // IDOK
}

IconHandle FakeBackend::MakeIcon(const std::vector<Image>& sizes)
{
    auto image = std::make_shared<FakeImage>();
    for (const Image& i : sizes) image->sizes.emplace_back(i.width, i.height);
    return IconHandle(image);
}

BitmapHandle FakeBackend::MakeBitmap(const Image& i)
{
    auto image = std::make_shared<FakeImage>();
    image->sizes.emplace_back(i.width, i.height);
    return BitmapHandle(image);
}

}  // namespace ui::fake
