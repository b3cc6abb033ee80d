// CDialog: building a window from its template, the message map, modal runs, and the dialog
// manager (keyboard rules, tab order, system menu).
#include "platform/ui/cdialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/ui/widgets.h"
#include "res/resource.h"

namespace ui {

namespace {

constexpr char kIdProperty[] = "dlgCtrlId";

// MulDiv as the dialog manager uses it: rounds to nearest.
int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

QString FromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Statics without SS_NOPREFIX treat '&' as a mnemonic marker: "&&" shows one '&', a single '&'
// is dropped.
QString StripMnemonic(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

QFont TemplateFont(const DialogTemplate& t)
{
    QFont f(FromUtf8(t.font));
    // Point size at 96 dpi, in pixels, so that layouts do not depend on the screen's DPI.
    f.setPixelSize(MulDiv(t.pointSize, 96, 72));
    f.setStyleStrategy(QFont::PreferDefault);
    return f;
}

bool IsPushButton(const QWidget* w)
{
    const auto* b = qobject_cast<const QPushButton*>(w);
    return b != nullptr;
}

DialogWindow* TopDialogWindow(QWidget* w)
{
    if (w == nullptr) return nullptr;
    return qobject_cast<DialogWindow*>(w->window());
}

}  // namespace

// ---- Dialog manager ---------------------------------------------------------------------

// Application-wide key filter: runs PreTranslateKey of the dialogs around the focus and then
// the dialog manager's rules, before the focused widget sees the key.
class DialogManager : public QObject {
public:
    static void Ensure()
    {
        static DialogManager* instance = nullptr;
        if (instance == nullptr && qApp != nullptr) {
            instance = new DialogManager(qApp);
            qApp->installEventFilter(instance);
        }
    }

protected:
    explicit DialogManager(QObject* parent) : QObject(parent) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return QObject::eventFilter(watched, event);
        auto* w = static_cast<QWidget*>(watched);
        DialogWindow* top = TopDialogWindow(w);
        if (top == nullptr || top->owner() == nullptr) return false;
        // Key events travel from the focus widget to its parents: act once, on the first one.
        // The window's own focus widget: the same as the application's while the window is
        // active, and still right when a key is sent to an inactive window (tests, automation).
        // A key sent to the window itself is taken there too; one that only reached the window
        // by propagation was declined on the way, so a second look changes nothing.
        QWidget* focus = top->focusWidget();
        const bool first = (w == focus) || (w == top);
        if (!first) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        return Handle(top, w, key);
    }

private:
    static bool Handle(DialogWindow* top, QWidget* target, QKeyEvent* key)
    {
        const int k = key->key();
        // Child dialogs (pages) first, then the top-level dialog.
        std::vector<CDialog*> chain;
        for (QWidget* p = target; p != nullptr; p = p->parentWidget()) {
            if (auto* dw = qobject_cast<DialogWindow*>(p); dw && dw->owner())
                chain.push_back(dw->owner());
            if (p == top) break;
        }
        for (CDialog* d : chain)
            if (d->PreTranslateKey(k)) return true;

        CDialog* dlg = top->owner();
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((k == Qt::Key_Return || k == Qt::Key_Enter) && mods == Qt::NoModifier) {
            if (IsPushButton(target) && target->isEnabled()) {
                static_cast<QPushButton*>(target)->click();
                return true;
            }
            dlg->SendCommand(dlg->DefaultButtonId());
            return true;
        }
        if (k == Qt::Key_Escape && mods == Qt::NoModifier) {
            dlg->SendCommand(IDCANCEL);
            return true;
        }
        if ((k == Qt::Key_Tab || k == Qt::Key_Backtab) &&
            (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
            MoveFocus(dlg, target, !(k == Qt::Key_Backtab || mods == Qt::ShiftModifier));
            return true;
        }
        if (k == Qt::Key_Space && mods == Qt::AltModifier) {
            if (dlg->m_template && (dlg->m_template->style & dstyle::SysMenu))
                dlg->ShowSystemMenu(top->mapToGlobal(QPoint(0, 0)));
            return true;
        }
        return false;
    }

public:
    static void MoveFocus(CDialog* dlg, QWidget* from, bool forward)
    {
        std::vector<QWidget*> stops;
        dlg->CollectTabStops(stops);
        if (stops.empty()) return;
        int at = -1;
        for (std::size_t i = 0; i < stops.size(); ++i)
            if (from != nullptr && (stops[i] == from || stops[i]->isAncestorOf(from)))
                at = static_cast<int>(i);
        const int n = static_cast<int>(stops.size());
        const int next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
        QWidget* w = stops[static_cast<std::size_t>(next)];
        w->setFocus(Qt::TabFocusReason);
        if (auto* le = qobject_cast<QLineEdit*>(w->focusProxy() ? w->focusProxy() : w))
            le->selectAll();
    }
};

// ---- DialogWindow -----------------------------------------------------------------------

DialogWindow::DialogWindow(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The close box and Alt+F4 become the dialog's close request; the dialog decides.
    event->ignore();
    if (m_owner != nullptr && !m_owner->m_ended) m_owner->OnClose();
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // On the dialog's background only: controls keep their own (or no) context menu.
    if (m_owner != nullptr && isWindow() && childAt(event->pos()) == nullptr &&
        m_owner->m_template && (m_owner->m_template->style & dstyle::SysMenu)) {
        m_owner->ShowSystemMenu(event->globalPos());
        event->accept();
        return;
    }
    QDialog::contextMenuEvent(event);
}

void DialogWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_owner == nullptr || m_shownOnce || !isWindow()) return;
    m_shownOnce = true;
    // QDialog picks a default push button of its own when shown; the template decides here.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(b->property("templateDefault").toBool());
    }
    m_owner->ApplyInitialFocus();
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape were handled by the dialog manager; nothing else falls back to QDialog's
    // own default-button and reject() handling.
    event->ignore();
}

void DialogWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // A client edge: the controls live in an inner widget at the frame's contents rectangle.
    if (auto* edge = findChild<QFrame*>(QStringLiteral("clientEdge"), Qt::FindDirectChildrenOnly)) {
        edge->setGeometry(rect());
        if (m_owner != nullptr && m_owner->m_client != nullptr && m_owner->m_client != this)
            m_owner->m_client->setGeometry(edge->contentsRect());
    }
}

// ---- CDialog ----------------------------------------------------------------------------

CDialog::CDialog(int templateId, CDialog* parent)
    : m_templateId(templateId), m_parent(parent), m_template(FindTemplate(templateId))
{
}

CDialog::~CDialog()
{
    UnlinkChildren();
    if (m_window) {
        m_window->Detach();
        delete m_window.data();
    }
}

bool CDialog::BuildWindow(QWidget* parentWidget, bool child)
{
    if (m_template == nullptr) return false;
    if (m_window) {
        m_window->Detach();
        delete m_window.data();
    }
    m_controls.clear();
    DialogManager::Ensure();
    const DialogTemplate& t = *m_template;
    auto* win = new DialogWindow(this, parentWidget);
    m_window = win;
    m_widget = win;
    m_id = t.id;
    const QFont font = TemplateFont(t);
    win->setFont(font);
    const QFontMetrics fm(font);
    m_baseX = (fm.horizontalAdvance(
                   QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) /
                   26 +
               1) /
              2;
    m_baseY = fm.height();
    const auto dx = [this](int v) { return MulDiv(v, m_baseX, 4); };
    const auto dy = [this](int v) { return MulDiv(v, m_baseY, 8); };

    if (child) {
        win->setWindowFlags(Qt::Widget);
        win->setAutoFillBackground(true);
    } else {
        Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
        if (t.style & dstyle::Caption) flags |= Qt::WindowTitleHint;
        if (t.style & dstyle::SysMenu)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (t.style & dstyle::MinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
        win->setWindowFlags(flags);
        win->setWindowTitle(FromUtf8(t.caption));
        win->setWindowModality(Qt::ApplicationModal);
    }
    win->setSizeGripEnabled(false);

    m_client = win;
    if (t.style & dstyle::ClientEdge) {
        auto* edge = new QFrame(win);
        edge->setObjectName(QStringLiteral("clientEdge"));
        edge->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
        edge->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_client = new QWidget(win);
        m_client->setObjectName(QStringLiteral("client"));
    }
    const QSize clientSize(dx(t.cx), dy(t.cy));
    const int edgeWidth = (t.style & dstyle::ClientEdge) ? 2 : 0;
    const QSize outer = clientSize + QSize(2 * edgeWidth, 2 * edgeWidth);
    if (child)
        win->resize(outer);
    else
        win->setFixedSize(outer);
    if (m_client != win) {
        win->findChild<QFrame*>(QStringLiteral("clientEdge"))
            ->setGeometry(QRect(QPoint(0, 0), outer));
        m_client->setGeometry(edgeWidth, edgeWidth, clientSize.width(), clientSize.height());
    }

    for (const ControlTemplate& ct : t.controls) {
        QWidget* w = nullptr;
        const QString text = FromUtf8(ct.text);
        QRect geo(dx(ct.x), dy(ct.y), dx(ct.cx), dy(ct.cy));
        switch (ct.kind) {
            case Kind::PushButton: {
                auto* b = new QPushButton(text, m_client);
                b->setAutoDefault(false);
                b->setProperty("templateDefault", (ct.style & style::DefPushButton) != 0);
                b->setDefault((ct.style & style::DefPushButton) != 0);
                w = b;
                break;
            }
            case Kind::CheckBox:
                w = new QCheckBox(text, m_client);
                break;
            case Kind::GroupBox:
                w = new ClassicGroupBox(StripMnemonic(text), m_client);
                break;
            case Kind::Static: {
                auto* l = new QLabel(m_client);
                l->setTextFormat(Qt::PlainText);
                l->setText((ct.style & style::NoPrefix) ? text : StripMnemonic(text));
                Qt::Alignment a = Qt::AlignLeft;
                if (ct.style & style::Right) a = Qt::AlignRight;
                if (ct.style & style::Center) a = Qt::AlignHCenter;
                a |= (ct.style & style::CenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
                l->setAlignment(a);
                l->setWordWrap(!(ct.style & (style::NoWordWrap | style::CenterImage)));
                if (ct.style & style::Sunken) {
                    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                    l->setLineWidth(1);
                    l->setIndent(1);
                }
                w = l;
                break;
            }
            case Kind::Icon:
            case Kind::Bitmap: {
                auto* l = new QLabel(m_client);
                const QPixmap pm = ct.kind == Kind::Icon ? LoadIcon(ct.resource).pixmap(32, 32)
                                                         : LoadBitmap(ct.resource);
                l->setPixmap(pm);
                // Image statics take the image's size, whatever the template says.
                if (!pm.isNull()) geo.setSize(pm.deviceIndependentSize().toSize());
                w = l;
                break;
            }
            case Kind::EtchedHorz: {
                auto* f = new QFrame(m_client);
                f->setFrameStyle(QFrame::HLine | QFrame::Sunken);
                f->setLineWidth(1);
                geo.setHeight(2);
                w = f;
                break;
            }
            case Kind::EtchedFrame: {
                auto* f = new QFrame(m_client);
                f->setFrameStyle(QFrame::Box | QFrame::Sunken);
                f->setLineWidth(1);
                w = f;
                break;
            }
            case Kind::Edit: {
                auto* e = new QLineEdit(m_client);
                e->setFrame((ct.style & style::Border) != 0);
                if (ct.style & style::Password) e->setEchoMode(QLineEdit::Password);
                if (ct.style & style::Right) e->setAlignment(Qt::AlignRight);
                // The original control holds 30000 characters unless limited.
                e->setMaxLength(30000);
                w = e;
                break;
            }
            case Kind::ComboBox: {
                auto* c = new QComboBox(m_client);
                const bool editable = !(ct.style & style::DropDownList);
                c->setEditable(editable);
                if (editable) {
                    c->setInsertPolicy(QComboBox::NoInsert);
                    c->setCompleter(nullptr);
                }
                c->setFont(font);
                // The template height is the dropped list's; the closed box is one line high.
                const int closed = std::max(c->sizeHint().height(), fm.height() + 6);
                const int listHeight = geo.height() - closed;
                c->setMaxVisibleItems(std::max(1, listHeight / std::max(1, fm.height())));
                geo.setHeight(closed);
                w = c;
                break;
            }
            case Kind::ListBox: {
                auto* l = new ListBox(m_client);
                l->setSelectionMode(QAbstractItemView::SingleSelection);
                l->setFrameStyle((ct.style & style::Border) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                            : QFrame::NoFrame);
                l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                l->setVerticalScrollBarPolicy((ct.style & style::VScroll) ? Qt::ScrollBarAsNeeded
                                                                          : Qt::ScrollBarAlwaysOff);
                l->setUniformItemSizes(true);
                l->setSortingEnabled((ct.style & style::Sort) != 0);
                w = l;
                break;
            }
            case Kind::ListView: {
                auto* v = new QTreeWidget(m_client);
                v->setColumnCount(0);
                v->setRootIsDecorated(false);
                v->setItemsExpandable(false);
                v->setUniformRowHeights(true);
                v->setAllColumnsShowFocus(false);
                v->setSelectionMode((ct.style & style::SingleSel)
                                        ? QAbstractItemView::SingleSelection
                                        : QAbstractItemView::ExtendedSelection);
                v->setSelectionBehavior(QAbstractItemView::SelectItems);
                v->header()->setStretchLastSection(false);
                v->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                v->header()->setSectionsMovable(false);
                v->header()->setSectionResizeMode(QHeaderView::Interactive);
                v->setFrameStyle((ct.style & style::Border) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                            : QFrame::NoFrame);
                v->setProperty("extendedStyle", 0u);
                w = v;
                break;
            }
            case Kind::DatePicker:
            case Kind::TimePicker: {
                QDateTimeEdit* e = nullptr;
                if (ct.kind == Kind::DatePicker) {
                    auto* d = new QDateEdit(QDate::currentDate(), m_client);
                    d->setCalendarPopup(!(ct.style & style::UpDown));
                    // Year first, zero-padded: reads the same to every user and matches the
                    // digits the adapter stores.
                    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
                    e = d;
                } else {
                    auto* tm = new QTimeEdit(QTime::currentTime(), m_client);
                    tm->setDisplayFormat(QStringLiteral("HH:mm:ss"));
                    e = tm;
                }
                // A fixed locale: month names, digits and calendar layout do not follow the
                // environment, which the program does not read.
                e->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
                // With no empty state: the PC's date and time when the dialog is created.
                const QDateTime now = QDateTime::currentDateTime();
                e->setProperty("pickerValue", now);
                if (ct.kind == Kind::DatePicker)
                    e->setDate(now.date());
                else
                    e->setTime(now.time());
                e->setKeyboardTracking(false);
                w = e;
                break;
            }
            case Kind::IpAddress:
                w = new IpAddressEdit(m_client);
                break;
        }
        w->setFont(font);
        w->setGeometry(geo);
        w->setProperty(kIdProperty, ct.id);
        w->setObjectName(QStringLiteral("ctl%1").arg(ct.id));
        if (!text.isEmpty()) w->setAccessibleName(StripMnemonic(text));
        // The first control of the template is on top (the original z-order); Qt stacks later
        // siblings above earlier ones.
        w->lower();
        const bool passive =
            ct.kind == Kind::GroupBox || ct.kind == Kind::EtchedFrame ||
            ct.kind == Kind::EtchedHorz ||
            ((ct.kind == Kind::Static || ct.kind == Kind::Icon || ct.kind == Kind::Bitmap) &&
             !(ct.style & style::Notify));
        if (passive) {
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
            w->setFocusPolicy(Qt::NoFocus);
        } else if (ct.style & style::TabStop) {
            w->setFocusPolicy(Qt::StrongFocus);
        } else {
            w->setFocusPolicy(Qt::ClickFocus);
        }
        if (ct.style & style::Disabled) w->setEnabled(false);
        m_controls.emplace_back(&ct, w);
        ConnectNotifications(w, ct);
    }
    // Initial combo-box data, in order; no entry is selected.
    for (const auto& [id, entries] : t.comboData) {
        if (auto* c = qobject_cast<QComboBox*>(GetDlgItem(id))) {
            QSignalBlocker block(c);
            for (std::string_view e : entries) c->addItem(FromUtf8(e));
            c->setCurrentIndex(-1);
            if (c->isEditable()) c->setEditText(QString());
        }
    }
    return true;
}

void CDialog::ConnectNotifications(QWidget* w, const ControlTemplate& ct)
{
    const int id = ct.id;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        QObject::connect(b, &QAbstractButton::clicked, w,
                         [this, id] { Dispatch(Notify::Clicked, id); });
    } else if (auto* l = qobject_cast<QListWidget*>(w)) {
        QObject::connect(l, &QListWidget::itemSelectionChanged, w,
                         [this, id] { Dispatch(Notify::SelChange, id); });
        QObject::connect(l, &QListWidget::itemDoubleClicked, w,
                         [this, id] { Dispatch(Notify::DblClk, id); });
        if (auto* box = qobject_cast<ListBox*>(l))
            QObject::connect(box, &ListBox::rowClickedAgain, w,
                             [this, id] { Dispatch(Notify::SelChange, id); });
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        QObject::connect(c, &QComboBox::activated, w,
                         [this, id] { Dispatch(Notify::SelChange, id); });
        if (c->lineEdit() != nullptr)
            QObject::connect(c->lineEdit(), &QLineEdit::textEdited, w,
                             [this, id] { Dispatch(Notify::EditChange, id); });
    }
}

int CDialog::DoModal()
{
    QWidget* parentWidget = m_parent != nullptr ? m_parent->widget() : nullptr;
    if (!BuildWindow(parentWidget, false)) return -1;
    m_ended = false;
    m_result = IDCANCEL;
    m_focusDefault = OnInitDialog();
    if (!m_ended) {
        m_running = true;
        m_window->exec();
        m_running = false;
    }
    const int result = m_result;
    DestroyWindow();
    return result;
}

bool CDialog::Create(CDialog* parent)
{
    QWidget* parentWidget = parent != nullptr ? parent->m_client : nullptr;
    if (!BuildWindow(parentWidget, parentWidget != nullptr)) return false;
    if (parent != nullptr) parent->m_children.push_back(this);
    m_createdOn = parent;
    m_ended = false;
    m_window->hide();
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
    if (m_window) {
        m_window->Detach();
        m_window->hide();
        delete m_window.data();
    }
    m_window = nullptr;
    m_widget = nullptr;
    m_client = nullptr;
    m_controls.clear();
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (m_window && m_running) m_window->done(result);
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return true;
}

QWidget* CDialog::GetDlgItem(int id) const
{
    for (const auto& [ct, w] : m_controls)
        if (ct->id == id && w) return w.data();
    return nullptr;
}

QRect CDialog::GetDlgItemRectInParent(int id) const
{
    QWidget* w = GetDlgItem(id);
    return w != nullptr ? w->geometry() : QRect();
}

void CDialog::MoveWindow(const QRect& rect)
{
    if (m_window) m_window->setGeometry(rect);
}

void CDialog::NextDlgCtrl()
{
    CDialog* top = this;
    while (top->m_createdOn != nullptr && top->m_window && !top->m_window->isWindow())
        top = top->m_createdOn;
    QWidget* focus = top->m_window ? top->m_window->focusWidget() : nullptr;
    DialogManager::MoveFocus(top, focus, true);
}

void CDialog::CollectTabStops(std::vector<QWidget*>& out) const
{
    for (const auto& [ct, w] : m_controls) {
        if (!w || !(ct->style & style::TabStop)) continue;
        if (w->isVisibleTo(m_window) && w->isEnabled() && w->focusPolicy() != Qt::NoFocus)
            out.push_back(w.data());
    }
    for (const CDialog* c : m_children)
        if (c->m_window && c->m_window->isVisibleTo(m_window)) c->CollectTabStops(out);
}

int CDialog::DefaultButtonId() const
{
    if (m_template != nullptr)
        for (const ControlTemplate& ct : m_template->controls)
            if (ct.kind == Kind::PushButton && (ct.style & style::DefPushButton)) return ct.id;
    return IDOK;
}

void CDialog::ApplyInitialFocus()
{
    if (!m_focusDefault) return;
    std::vector<QWidget*> stops;
    CollectTabStops(stops);
    if (!stops.empty()) stops.front()->setFocus(Qt::OtherFocusReason);
}

void CDialog::SendCommand(int id)
{
    // A command for a push button behaves as a click on it: nothing when it is disabled.
    if (QWidget* w = GetDlgItem(id); w != nullptr && IsPushButton(w)) {
        if (w->isEnabled()) static_cast<QPushButton*>(w)->click();
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
            if (m_window) m_window->showMinimized();
            break;
        default:
            break;
    }
}

bool CDialog::PreTranslateKey(int)
{
    return false;
}

void CDialog::AppendSystemMenuItem(unsigned commandId, const QString& text)
{
    m_sysMenu.emplace_back(0u, QString());
    m_sysMenu.emplace_back(commandId, text);
}

void CDialog::SetIcon(const QIcon& icon)
{
    if (m_window) m_window->setWindowIcon(icon);
}

void CDialog::ShowSystemMenu(const QPoint& globalPos)
{
    if (!m_window) return;
    QMenu menu(m_window);
    if (m_template && (m_template->style & dstyle::MinimizeBox))
        menu.addAction(QStringLiteral("Mi&nimize"))->setData(SC_MINIMIZE);
    menu.addAction(QStringLiteral("&Close\tAlt+F4"))->setData(SC_CLOSE);
    for (const auto& [id, text] : m_sysMenu) {
        if (id == 0)
            menu.addSeparator();
        else
            menu.addAction(text)->setData(id);
    }
    QPointer<DialogWindow> guard = m_window;
    if (QAction* chosen = menu.exec(globalPos); chosen != nullptr && guard)
        OnSysCommand(chosen->data().toUInt());
}

// ---- Data exchange ------------------------------------------------------------------------

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.widget() != nullptr) return;
    QWidget* w = dx->dialog()->GetDlgItem(id);
    if (w == nullptr) {
        std::fprintf(stderr, "DDX_Control: template %d has no control %d\n",
                     dx->dialog()->templateId(), id);
        std::abort();
    }
    control.Attach(w, id);
}

}  // namespace ui
