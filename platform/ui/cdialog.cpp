// CDialog: building a window from its template, the message map, modal runs, data exchange.
// The dialog manager (keys, tab order) is dialog_manager.cpp, the window dialog_window.cpp,
// the controls' widgets control_factory.cpp.
#include "platform/ui/cdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/ui/control_factory.h"
#include "platform/ui/dialog_manager.h"
#include "platform/ui/ids.h"
#include "platform/ui/widgets.h"

namespace ui {

namespace {

constexpr char kIdProperty[] = "dlgCtrlId";

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

}  // namespace

CDialog::CDialog(int templateId, CDialog* parent)
    : m_templateId(templateId), m_parent(parent), m_template(FindTemplate(templateId))
{
}

CDialog::~CDialog()
{
    UnlinkChildren();
    ReleaseWindow();
}

// The dialog owns its window unless Qt already took it down with a parent (a page's window
// goes with its frame); QPointer tells which.
void CDialog::ReleaseWindow()
{
    if (!m_window) return;
    m_window->Detach();
    m_window->hide();
    delete m_window.data();
    m_window = nullptr;
}

bool CDialog::BuildWindow(QWidget* parentWidget, bool child)
{
    if (m_template == nullptr) return false;
    ReleaseWindow();
    m_controls.clear();
    EnsureDialogManager();
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
        const QString text = FromUtf8(ct.text);
        QRect geo(dx(ct.x), dy(ct.y), dx(ct.cx), dy(ct.cy));
        QWidget* w = CreateControl(ct, text, m_client, font, geo);
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
    } else if (auto* box = qobject_cast<ListBox*>(w)) {
        QObject::connect(box, &ListBox::selectionMade, w,
                         [this, id] { Dispatch(Notify::SelChange, id); });
        QObject::connect(box, &QListWidget::itemDoubleClicked, w,
                         [this, id] { Dispatch(Notify::DblClk, id); });
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
    ReleaseWindow();
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
    MoveDialogFocus(top, focus, true);
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
