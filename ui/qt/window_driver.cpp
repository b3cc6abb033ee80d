// The Qt window of a dialog: built from its template, its controls addressed by id, and an
// application-wide key filter that hands keys to the framework's dialog manager before the
// focused widget sees them.
#include "ui/qt/window_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <memory>

#include "ui/accessible_names.h"
#include "ui/qt/accessibility.h"
#include "ui/qt/control_factory.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/widgets.h"

namespace ui::qt {

namespace {

QFont TemplateFont(const DialogTemplate& t)
{
    QFont f(FromUtf8(t.font));
    // Point size at 96 dpi, in pixels, so that layouts do not depend on the screen's DPI.
    f.setPixelSize(MulDiv(t.pointSize, 96, 72));
    f.setStyleStrategy(QFont::PreferDefault);
    return f;
}

DateTime Fields(const QDate& date, const QTime& time)
{
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

bool ShowsDate(const QDateTimeEdit* e)
{
    return (e->displayedSections() & QDateTimeEdit::DateSections_Mask) != 0;
}

// The key as the framework names it; false for keys it gives no meaning to.
bool MapKey(const QKeyEvent* event, Key& key, unsigned& modifiers)
{
    modifiers = 0;
    const Qt::KeyboardModifiers m = event->modifiers();
    if (m & Qt::ShiftModifier) modifiers |= keymod::Shift;
    if (m & Qt::ControlModifier) modifiers |= keymod::Control;
    if (m & Qt::AltModifier) modifiers |= keymod::Alt;
    if (m & Qt::MetaModifier) modifiers |= keymod::Meta;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            key = Key::Return;
            return true;
        case Qt::Key_Backtab:
            key = Key::Tab;
            modifiers |= keymod::Shift;
            return true;
        case Qt::Key_Tab:
            key = Key::Tab;
            return true;
        case Qt::Key_Escape:
            key = Key::Escape;
            return true;
        case Qt::Key_Space:
            key = Key::Space;
            return true;
        case Qt::Key_Backspace:
            key = Key::Backspace;
            return true;
        case Qt::Key_PageUp:
            key = Key::PageUp;
            return true;
        case Qt::Key_PageDown:
            key = Key::PageDown;
            return true;
        case Qt::Key_End:
            key = Key::End;
            return true;
        case Qt::Key_Home:
            key = Key::Home;
            return true;
        case Qt::Key_Left:
            key = Key::Left;
            return true;
        case Qt::Key_Up:
            key = Key::Up;
            return true;
        case Qt::Key_Right:
            key = Key::Right;
            return true;
        case Qt::Key_Down:
            key = Key::Down;
            return true;
        case Qt::Key_Insert:
            key = Key::Insert;
            return true;
        case Qt::Key_Delete:
            key = Key::Delete;
            return true;
        case Qt::Key_F4:
            key = Key::F4;
            return true;
        default:
            return false;
    }
}

// Application-wide key filter: the dialog around the focus gets each key first.
class KeyFilter : public QObject {
public:
    static void Ensure()
    {
        // Owned by the application object; a later application gets a filter of its own.
        static QPointer<KeyFilter> instance;
        if (instance == nullptr && qApp != nullptr) {
            instance = new KeyFilter(qApp);
            qApp->installEventFilter(instance);
        }
    }

protected:
    explicit KeyFilter(QObject* parent) : QObject(parent) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return QObject::eventFilter(watched, event);
        auto* w = static_cast<QWidget*>(watched);
        auto* top = qobject_cast<DialogWindow*>(w->window());
        if (top == nullptr || top->driver() == nullptr) return false;
        // Key events travel from the focus widget to its parents: act once, on the first one.
        // The window's own focus widget: the same as the application's while the window is
        // active, and still right when a key is sent to an inactive window (tests, automation).
        // A key sent to the window itself is taken there too; one that only reached the window
        // by propagation was declined on the way, so a second look changes nothing.
        if (w != top->focusWidget() && w != top) return false;
        Key key{};
        unsigned modifiers = 0;
        if (!MapKey(static_cast<QKeyEvent*>(event), key, modifiers)) return false;
        return top->driver()->events().OnKey(key, modifiers, NativeWindow(w));
    }
};

// Refuses any text whose UTF-8 form is longer than the limit: typing stops at what fits.
class ByteLimitValidator final : public QValidator {
public:
    ByteLimitValidator(std::size_t maxBytes, QObject* parent)
        : QValidator(parent), m_maxBytes(maxBytes)
    {
    }
    State validate(QString& input, int&) const override
    {
        return static_cast<std::size_t>(input.toUtf8().size()) <= m_maxBytes ? Acceptable : Invalid;
    }

private:
    std::size_t m_maxBytes;
};

// Runs a change of a combo's list while keeping the selection we want and the typed text.
template <class F>
void ChangeComboList(QComboBox* c, int keepSelection, F&& change)
{
    QSignalBlocker block(c);
    const QString text = c->currentText();
    change();
    c->setCurrentIndex(keepSelection);
    if (c->isEditable()) {
        c->setEditText(keepSelection >= 0 ? c->itemText(keepSelection) : text);
        c->lineEdit()->setCursorPosition(0);
    }
}

// The list opens at least as wide as its widest entry, not cut to the box's width.
void FitPopupWidth(QComboBox* c)
{
    QAbstractItemView* view = c->view();
    const QFontMetrics metrics(view->font());
    int widest = 0;
    for (int i = 0; i < c->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(c->itemText(i)));
    const int margins =
        2 * view->frameWidth() +
        view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view) +
        2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 8;
    view->setMinimumWidth(widest + margins);
}

// An empty list shows its placeholder text, and a reader gets it as the list's description.
void ShowEmptyText(QAbstractItemView* view, QLabel* label)
{
    const bool show = view->model()->rowCount() == 0 && !label->text().isEmpty();
    label->setVisible(show);
    view->setAccessibleDescription(show ? label->text() : QString());
}

int SelectedRow(const QListWidget* l)
{
    const QModelIndexList rows = l->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

}  // namespace

// ---- DialogWindow -----------------------------------------------------------------------

DialogWindow::DialogWindow(QtWindowDriver* driver, QWidget* parent)
    : QDialog(parent), m_driver(driver)
{
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (m_driver != nullptr) m_driver->events().OnCloseRequest();
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // On the dialog's background only: controls keep their own (or no) context menu.
    if (m_driver != nullptr && isWindow() && childAt(event->pos()) == nullptr &&
        m_driver->events().OnContextMenu({event->globalPos().x(), event->globalPos().y()})) {
        event->accept();
        return;
    }
    QDialog::contextMenuEvent(event);
}

void DialogWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_driver == nullptr || m_shownOnce || !isWindow()) return;
    m_shownOnce = true;
    // QDialog picks a default push button of its own when shown; the template decides here.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(b->property("templateDefault").toBool());
    }
    m_driver->events().OnFirstShow();
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
        if (m_driver != nullptr && m_driver->client() != nullptr && m_driver->client() != this)
            m_driver->client()->setGeometry(edge->contentsRect());
    }
}

// ---- Building the window ----------------------------------------------------------------

QtWindowDriver::QtWindowDriver(const DialogTemplate& t, WindowEvents& events,
                               QtWindowDriver* parent, bool child)
    : m_events(events)
{
    KeyFilter::Ensure();
    EnsureAccessibility();
    QWidget* parentWidget = nullptr;
    if (parent != nullptr) parentWidget = child ? parent->client() : parent->window();
    child = child && parentWidget != nullptr;
    auto* win = new DialogWindow(this, parentWidget);
    m_window = win;
    const QFont font = TemplateFont(t);
    win->setFont(font);
    const QFontMetrics fm(font);
    m_baseUnits.x = (fm.horizontalAdvance(
                         QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) /
                         26 +
                     1) /
                    2;
    m_baseUnits.y = fm.height();
    const auto dx = [this](int v) { return MulDiv(v, m_baseUnits.x, 4); };
    const auto dy = [this](int v) { return MulDiv(v, m_baseUnits.y, 8); };

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
        w->setProperty("dlgCtrlId", ct.id);
        // Readers take the children in this order; the stacking below reverses Qt's own.
        w->setProperty("templateIndex", static_cast<int>(m_controls.size()));
        w->setObjectName(QStringLiteral("ctl%1").arg(ct.id));
        if (!text.isEmpty()) w->setAccessibleName(StripMnemonic(text));
        // The first control of the template is on top (the original z-order); Qt stacks later
        // siblings above earlier ones.
        w->lower();
        if (IsPassive(ct)) {
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
    // Each label is related to the control it names (a reader's "labelled by"). A label with a
    // buddy would take a '&' in its text for a mnemonic, so those keep no relation.
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const int label = NamingLabel(t, i);
        if (label < 0) continue;
        auto* l = qobject_cast<QLabel*>(m_controls[static_cast<std::size_t>(label)].second.data());
        if (l != nullptr && !l->text().contains(QLatin1Char('&')))
            l->setBuddy(m_controls[i].second.data());
    }
}

// The driver owns its window unless Qt already took it down with a parent (a page's window
// goes with its frame); QPointer tells which.
QtWindowDriver::~QtWindowDriver()
{
    if (!m_window) return;
    m_window->Detach();
    m_window->hide();
    delete m_window.data();
}

void QtWindowDriver::ConnectNotifications(QWidget* w, const ControlTemplate& ct)
{
    const int id = ct.id;
    WindowEvents* events = &m_events;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        QObject::connect(b, &QAbstractButton::clicked, w,
                         [events, id] { events->OnNotify(Notify::Clicked, id); });
    } else if (auto* box = qobject_cast<ListBox*>(w)) {
        QObject::connect(box, &ListBox::selectionMade, w,
                         [events, id] { events->OnNotify(Notify::SelChange, id); });
        QObject::connect(box, &QListWidget::itemDoubleClicked, w,
                         [events, id] { events->OnNotify(Notify::DblClk, id); });
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        QObject::connect(c, &QComboBox::activated, w,
                         [events, id] { events->OnNotify(Notify::SelChange, id); });
        if (c->lineEdit() != nullptr)
            QObject::connect(c->lineEdit(), &QLineEdit::textEdited, w,
                             [events, id] { events->OnNotify(Notify::EditChange, id); });
    }
}

QWidget* QtWindowDriver::Widget(int id) const
{
    if (id == kSelf) return m_window.data();
    for (const auto& [ct, w] : m_controls)
        if (ct->id == id && w) return w.data();
    return nullptr;
}

int QtWindowDriver::ControlOf(const QWidget* w) const
{
    for (const QWidget* p = w; p != nullptr; p = p->parentWidget()) {
        if (p == m_window) return kSelf;
        if (qobject_cast<const DialogWindow*>(p) != nullptr) return kNoControl;  // a page's
        for (const auto& [ct, c] : m_controls)
            if (c == p) return ct->id;
    }
    return kNoControl;
}

// ---- The window -------------------------------------------------------------------------

void QtWindowDriver::RunModal()
{
    if (m_window) m_window->exec();
}

void QtWindowDriver::EndModal(int result)
{
    if (m_window) m_window->done(result);
}

void QtWindowDriver::Minimize()
{
    if (m_window) m_window->showMinimized();
}

void QtWindowDriver::SetIcon(const IconHandle& icon)
{
    if (m_window) m_window->setWindowIcon(ToQIcon(icon));
}

unsigned QtWindowDriver::PopupMenu(const std::vector<MenuItem>& items, const CPoint* at)
{
    if (!m_window) return 0;
    QMenu menu(m_window);
    for (const MenuItem& item : items) {
        if (item.command == 0)
            menu.addSeparator();
        else
            menu.addAction(ToQString(item.text))->setData(item.command);
    }
    const QPoint pos = at != nullptr ? QPoint(at->x, at->y) : m_window->mapToGlobal(QPoint(0, 0));
    QAction* chosen = menu.exec(pos);
    return chosen != nullptr ? chosen->data().toUInt() : 0;
}

void QtWindowDriver::FocusWindow()
{
    if (m_window) m_window->window()->setFocus(Qt::OtherFocusReason);
}

bool QtWindowDriver::FocusIsOnWindow() const
{
    if (!m_window) return false;
    QWidget* top = m_window->window();
    const QWidget* f = top->focusWidget();
    return f == nullptr || f == top;
}

int QtWindowDriver::FocusedControl() const
{
    if (!m_window) return kNoControl;
    const QWidget* f = m_window->window()->focusWidget();
    return f != nullptr ? ControlOf(f) : kNoControl;
}

// ---- Any control ------------------------------------------------------------------------

void QtWindowDriver::SetEnabled(int id, bool enable)
{
    if (QWidget* w = Widget(id)) w->setEnabled(enable);
}

bool QtWindowDriver::IsEnabled(int id) const
{
    const QWidget* w = Widget(id);
    return w != nullptr && w->isEnabled();
}

void QtWindowDriver::SetVisible(int id, bool visible)
{
    if (QWidget* w = Widget(id)) w->setVisible(visible);
}

bool QtWindowDriver::IsShown(int id) const
{
    const QWidget* w = Widget(id);
    if (w == nullptr) return false;
    if (id == kSelf) return !w->isHidden();
    return w->isVisibleTo(m_window);
}

void QtWindowDriver::SetText(int id, const CString& value)
{
    QWidget* w = Widget(id);
    if (w == nullptr) return;
    const QString text = ToQString(value);
    // Accessible names follow the texts, as readers name the control by what it shows; edits
    // and combo boxes show a long text from its start.
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
        l->setAccessibleName(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
        b->setAccessibleName(StripMnemonic(text));
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable()) {
            c->setEditText(text);
            c->lineEdit()->setCursorPosition(0);
        }
    } else if (auto* ip = qobject_cast<IpAddressEdit*>(w)) {
        ip->setAddressText(text);
    } else if (auto* g = qobject_cast<ClassicGroupBox*>(w)) {
        g->setTitle(text);
        g->setAccessibleName(text);
    } else if (w->isWindow()) {
        w->setWindowTitle(text);
    }
}

CString QtWindowDriver::GetText(int id) const
{
    QWidget* w = Widget(id);
    if (w == nullptr) return {};
    if (auto* l = qobject_cast<QLabel*>(w)) return FromQString(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return FromQString(b->text());
    if (auto* e = qobject_cast<QLineEdit*>(w)) return FromQString(e->text());
    if (auto* c = qobject_cast<QComboBox*>(w)) return FromQString(c->currentText());
    if (auto* ip = qobject_cast<IpAddressEdit*>(w)) return FromQString(ip->addressText());
    if (auto* g = qobject_cast<ClassicGroupBox*>(w)) return FromQString(g->title());
    if (auto* d = qobject_cast<QDateTimeEdit*>(w)) return FromQString(d->text());
    return FromQString(w->windowTitle());
}

void QtWindowDriver::SetFocus(int id, FocusReason reason)
{
    QWidget* w = Widget(id);
    if (w == nullptr) return;
    if (reason == FocusReason::Tab) {
        w->setFocus(Qt::TabFocusReason);
        // Tabbed into, a field's text is selected, an editable combo box's too.
        auto* le = qobject_cast<QLineEdit*>(w->focusProxy() ? w->focusProxy() : w);
        if (auto* c = qobject_cast<QComboBox*>(w); c != nullptr && le == nullptr)
            le = c->lineEdit();
        if (le != nullptr) le->selectAll();
    } else {
        w->setFocus(Qt::OtherFocusReason);
    }
}

void QtWindowDriver::Click(int id)
{
    if (auto* b = qobject_cast<QAbstractButton*>(Widget(id))) b->click();
}

void QtWindowDriver::Update(int id)
{
    QWidget* w = Widget(id);
    if (w == nullptr || !w->isVisible()) return;
    // Item views lay out new rows lazily; do it now so the repaint shows them.
    for (QAbstractItemView* v : w->findChildren<QAbstractItemView*>()) v->doItemsLayout();
    if (auto* v = qobject_cast<QAbstractItemView*>(w)) v->doItemsLayout();
    w->repaint();
}

CRect QtWindowDriver::Rect(int id) const
{
    const QWidget* w = Widget(id);
    return w != nullptr ? FromQRect(w->geometry()) : CRect();
}

void QtWindowDriver::Move(int id, const CRect& rect)
{
    if (QWidget* w = Widget(id)) w->setGeometry(ToQRect(rect));
}

// ---- Check boxes and edits --------------------------------------------------------------

void QtWindowDriver::SetCheck(int id, int state)
{
    if (auto* b = qobject_cast<QAbstractButton*>(Widget(id))) {
        QSignalBlocker block(b);
        b->setChecked(state != 0);
    }
}

int QtWindowDriver::GetCheck(int id) const
{
    auto* b = qobject_cast<QAbstractButton*>(Widget(id));
    return (b != nullptr && b->isChecked()) ? 1 : 0;
}

void QtWindowDriver::LimitText(int id, int maxChars)
{
    if (auto* e = qobject_cast<QLineEdit*>(Widget(id)))
        e->setMaxLength(maxChars > 0 ? maxChars : 30000);
}

void QtWindowDriver::LimitBytes(int id, std::size_t maxBytes)
{
    auto* e = qobject_cast<QLineEdit*>(Widget(id));
    if (e == nullptr) return;
    e->setMaxLength(30000);
    e->setValidator(new ByteLimitValidator(maxBytes, e));
}

// ---- Rows -------------------------------------------------------------------------------

int QtWindowDriver::InsertItem(int id, int index, const CString& value)
{
    QWidget* w = Widget(id);
    const QString text = ToQString(value);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        const int at = (index < 0 || index > c->count()) ? c->count() : index;
        const int sel = c->currentIndex();
        ChangeComboList(c, (sel >= at) ? sel + 1 : sel, [&] { c->insertItem(at, text); });
        FitPopupWidth(c);
        return at;
    }
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        QSignalBlocker block(l);
        const int at = (index < 0 || index > l->count()) ? l->count() : index;
        l->insertItem(at, text);
        return at;
    }
    if (auto* v = qobject_cast<QTreeWidget*>(w)) {
        const int n = v->topLevelItemCount();
        const int at = (index < 0 || index > n) ? n : index;
        auto item = std::make_unique<QTreeWidgetItem>();
        item->setText(0, text);
        v->insertTopLevelItem(at, item.release());  // the view owns its rows
        return at;
    }
    return -1;
}

bool QtWindowDriver::DeleteItem(int id, int index)
{
    QWidget* w = Widget(id);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (index < 0 || index >= c->count()) return false;
        const int sel = c->currentIndex();
        const int keep = sel == index ? -1 : (sel > index ? sel - 1 : sel);
        ChangeComboList(c, keep, [&] { c->removeItem(index); });
        return true;
    }
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        if (index < 0 || index >= l->count()) return false;
        QSignalBlocker block(l);
        QSignalBlocker blockSel(l->selectionModel());
        const bool wasSelected = SelectedRow(l) == index;
        const std::unique_ptr<QListWidgetItem> removed(l->takeItem(index));
        // The selection goes with its row; Qt would move it to a neighbour.
        if (wasSelected) l->clearSelection();
        return true;
    }
    if (auto* v = qobject_cast<QTreeWidget*>(w)) {
        if (index < 0 || index >= v->topLevelItemCount()) return false;
        const std::unique_ptr<QTreeWidgetItem> removed(v->takeTopLevelItem(index));
        return true;
    }
    return false;
}

void QtWindowDriver::DeleteAllItems(int id)
{
    QWidget* w = Widget(id);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        QSignalBlocker block(c);
        c->clear();
        c->setCurrentIndex(-1);
        if (c->isEditable()) c->setEditText(QString());
    } else if (auto* l = qobject_cast<QListWidget*>(w)) {
        QSignalBlocker block(l);
        QSignalBlocker blockSel(l->selectionModel());
        l->clear();
    } else if (auto* v = qobject_cast<QTreeWidget*>(w)) {
        v->clear();
    }
}

int QtWindowDriver::ItemCount(int id) const
{
    QWidget* w = Widget(id);
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->count();
    if (auto* l = qobject_cast<QListWidget*>(w)) return l->count();
    if (auto* v = qobject_cast<QTreeWidget*>(w)) return v->topLevelItemCount();
    return 0;
}

CString QtWindowDriver::ItemText(int id, int index, int column) const
{
    QWidget* w = Widget(id);
    if (auto* c = qobject_cast<QComboBox*>(w))
        return (index >= 0 && index < c->count()) ? FromQString(c->itemText(index)) : CString();
    if (auto* l = qobject_cast<QListWidget*>(w))
        return (index >= 0 && index < l->count()) ? FromQString(l->item(index)->text()) : CString();
    if (auto* v = qobject_cast<QTreeWidget*>(w)) {
        QTreeWidgetItem* item = v->topLevelItem(index);
        return item != nullptr ? FromQString(item->text(column)) : CString();
    }
    return {};
}

bool QtWindowDriver::SetItemText(int id, int index, int column, const CString& text)
{
    auto* v = qobject_cast<QTreeWidget*>(Widget(id));
    if (v == nullptr || column < 0 || column >= v->columnCount()) return false;
    QTreeWidgetItem* item = v->topLevelItem(index);
    if (item == nullptr) return false;
    item->setText(column, ToQString(text));
    return true;
}

int QtWindowDriver::CurSel(int id) const
{
    QWidget* w = Widget(id);
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
    if (auto* l = qobject_cast<QListWidget*>(w)) return SelectedRow(l);
    if (auto* v = qobject_cast<QTreeWidget*>(w)) {
        for (int i = 0; i < v->topLevelItemCount(); ++i)
            if (v->topLevelItem(i)->isSelected()) return i;
    }
    return -1;
}

int QtWindowDriver::SetCurSel(int id, int index)
{
    QWidget* w = Widget(id);
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        QSignalBlocker block(c);
        if (index < 0 || index >= c->count()) {
            c->setCurrentIndex(-1);
            if (c->isEditable()) c->setEditText(QString());
            return -1;
        }
        c->setCurrentIndex(index);
        if (auto* le = c->lineEdit()) le->setCursorPosition(0);  // long entries show their start
        return index;
    }
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        QSignalBlocker block(l);
        QSignalBlocker blockSel(l->selectionModel());
        l->clearSelection();
        if (index < 0 || index >= l->count()) return -1;
        l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        l->viewport()->update();
        return index;
    }
    if (auto* v = qobject_cast<QTreeWidget*>(w)) {
        v->clearSelection();
        QTreeWidgetItem* item = v->topLevelItem(index);
        if (item == nullptr) return -1;
        item->setSelected(true);
        return index;
    }
    return -1;
}

// ---- List-view columns ------------------------------------------------------------------

void QtWindowDriver::SetExtendedStyle(int id, std::uint32_t style)
{
    auto* v = qobject_cast<QTreeWidget*>(Widget(id));
    if (v == nullptr) return;
    v->setProperty("extendedStyle", style);
    const bool fullRow = (style & 0x20u) != 0;  // LVS_EX_FULLROWSELECT
    v->setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                    : QAbstractItemView::SelectItems);
    v->setAllColumnsShowFocus(fullRow);
}

int QtWindowDriver::InsertColumn(int id, int column, const CString& heading, int width)
{
    auto* v = qobject_cast<QTreeWidget*>(Widget(id));
    if (v == nullptr || column < 0) return -1;
    const int n = v->columnCount();
    const int at = std::min(column, n);
    QStringList headings;
    for (int i = 0; i < n; ++i) headings << v->headerItem()->text(i);
    std::vector<int> widths;
    for (int i = 0; i < n; ++i) widths.push_back(v->header()->sectionSize(i));
    headings.insert(at, ToQString(heading));
    widths.insert(widths.begin() + at, width);
    if (at < n) v->model()->insertColumn(at);
    v->setColumnCount(n + 1);
    v->setHeaderLabels(headings);
    for (int i = 0; i <= n; ++i) {
        v->header()->resizeSection(i, widths[static_cast<std::size_t>(i)]);
        v->headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
    }
    return at;
}

// ---- Pickers, address controls ----------------------------------------------------------

// A picker takes the part of the value it shows. Plain fields, not a zoned time: a time-only
// editor handed a whole local time would move it across a daylight-saving change (its date is
// one fixed day).
void QtWindowDriver::SetDateTime(int id, const DateTime& value)
{
    auto* e = qobject_cast<QDateTimeEdit*>(Widget(id));
    const QDate date(value.year, value.month, value.day);
    const QTime time(value.hour, value.minute, value.second);
    if (e == nullptr || !date.isValid() || !time.isValid()) return;
    QSignalBlocker block(e);
    if (ShowsDate(e))
        e->setDate(date);
    else
        e->setTime(time);
}

DateTime QtWindowDriver::GetDateTime(int id) const
{
    auto* e = qobject_cast<QDateTimeEdit*>(Widget(id));
    if (e == nullptr) return {};
    // Digits typed into the picker are committed only when it loses the focus or sees Return
    // itself; a key filter may take Return first. Commit them, so what it shows is what it gives.
    e->interpretText();
    // The part not shown: the date and time the picker was made at.
    const QDateTime created = e->property("pickerValue").toDateTime();
    DateTime value = Fields(created.date(), created.time());
    if (ShowsDate(e)) {
        const QDate d = e->date();
        value.year = d.year();
        value.month = d.month();
        value.day = d.day();
    } else {
        const QTime t = e->time();
        value.hour = t.hour();
        value.minute = t.minute();
        value.second = t.second();
    }
    return value;
}

void QtWindowDriver::SetDateTimeRange(int id, const DateTime& first, const DateTime& last)
{
    auto* e = qobject_cast<QDateTimeEdit*>(Widget(id));
    if (e != nullptr && ShowsDate(e))
        e->setDateRange(QDate(first.year, first.month, first.day),
                        QDate(last.year, last.month, last.day));
}

// ---- Assistive technology, list placeholders -------------------------------------------

void QtWindowDriver::SetAccessibleName(int id, const CString& value)
{
    QWidget* w = Widget(id);
    if (w == nullptr) return;
    const QString name = ToQString(value);
    w->setAccessibleName(name);
    if (auto* ip = qobject_cast<IpAddressEdit*>(w)) {
        for (int i = 0; i < 4; ++i)
            ip->field(i)->setAccessibleName(ToQString(AddressPartName(value, i)));
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->lineEdit() != nullptr) c->lineEdit()->setAccessibleName(name);
    }
}

// A label over the empty list's viewport: drawn inside the list, never one of its rows, and
// transparent to the mouse. While it shows, it is also the list's accessible description.
void QtWindowDriver::SetEmptyText(int id, const CString& value)
{
    auto* view = qobject_cast<QAbstractItemView*>(Widget(id));
    if (view == nullptr || (qobject_cast<QListWidget*>(view) == nullptr &&
                            qobject_cast<QTreeWidget*>(view) == nullptr))
        return;
    QWidget* port = view->viewport();
    auto* label = port->findChild<QLabel*>(QStringLiteral("emptyText"), Qt::FindDirectChildrenOnly);
    if (label == nullptr) {
        label = new QLabel(port);
        label->setObjectName(QStringLiteral("emptyText"));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setFocusPolicy(Qt::NoFocus);
        label->setForegroundRole(QPalette::PlaceholderText);
        auto* layout = new QVBoxLayout(port);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(label);
        QAbstractItemModel* model = view->model();
        const auto follow = [view, label] { ShowEmptyText(view, label); };
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            QObject::connect(model, signal, label, follow);
        QObject::connect(model, &QAbstractItemModel::modelReset, label, follow);
        QObject::connect(model, &QAbstractItemModel::layoutChanged, label, follow);
    }
    label->setText(ToQString(value));
    ShowEmptyText(view, label);
}

}  // namespace ui::qt
