// The control wrappers: the few operations the dialogs use, over the widgets CDialog built.
// Changes made through a wrapper never send notifications (only the user's actions do).
#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QValidator>
#include <memory>

#include "platform/ui/cdialog.h"
#include "platform/ui/control_factory.h"
#include "platform/ui/widgets.h"

namespace ui {

// ---- CWnd -------------------------------------------------------------------------------

void CWnd::Attach(QWidget* widget, int id)
{
    m_widget = widget;
    m_id = id;
}

namespace {
constexpr char kFocusParked[] = "focusParked";
}

void CWnd::EnableWindow(bool enable)
{
    QWidget* w = m_widget.data();
    if (w == nullptr) return;
    QWidget* window = w->window();
    if (!enable && qobject_cast<QPushButton*>(w) != nullptr && window->focusWidget() == w) {
        // Qt would hand the focus on to the next control, often another button that the next
        // Return or Space then presses. It waits on the window until this button is back.
        window->setFocus(Qt::OtherFocusReason);
        w->setProperty(kFocusParked, true);
    }
    w->setEnabled(enable);
    if (enable && w->property(kFocusParked).toBool()) {
        w->setProperty(kFocusParked, false);
        QWidget* now = window->focusWidget();
        if (now == nullptr || now == window) w->setFocus(Qt::OtherFocusReason);
    }
}

bool CWnd::IsWindowEnabled() const
{
    return m_widget && m_widget->isEnabled();
}

void CWnd::ShowWindow(bool show)
{
    if (m_widget) m_widget->setVisible(show);
}

bool CWnd::IsWindowVisible() const
{
    return m_widget && m_widget->isVisible();
}

void CWnd::SetWindowText(const QString& text)
{
    QWidget* w = m_widget.data();
    if (w == nullptr) return;
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

QString CWnd::GetWindowText() const
{
    QWidget* w = m_widget.data();
    if (w == nullptr) return {};
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* ip = qobject_cast<IpAddressEdit*>(w)) return ip->addressText();
    if (auto* g = qobject_cast<ClassicGroupBox*>(w)) return g->title();
    if (auto* d = qobject_cast<QDateTimeEdit*>(w)) return d->text();
    return w->windowTitle();
}

void CWnd::SetFocus()
{
    if (m_widget) m_widget->setFocus(Qt::OtherFocusReason);
}

void CWnd::UpdateWindow()
{
    QWidget* w = m_widget.data();
    if (w == nullptr || !w->isVisible()) return;
    // Item views lay out new rows lazily; do it now so the repaint shows them.
    for (QAbstractItemView* v : w->findChildren<QAbstractItemView*>()) v->doItemsLayout();
    if (auto* v = qobject_cast<QAbstractItemView*>(w)) v->doItemsLayout();
    w->repaint();
}

// ---- CButton, CEdit ---------------------------------------------------------------------

void CButton::SetCheck(int state)
{
    if (auto* b = qobject_cast<QAbstractButton*>(m_widget.data())) {
        QSignalBlocker block(b);
        b->setChecked(state != 0);
    }
}

int CButton::GetCheck() const
{
    auto* b = qobject_cast<QAbstractButton*>(m_widget.data());
    return (b != nullptr && b->isChecked()) ? 1 : 0;
}

void CEdit::LimitText(int maxChars)
{
    if (auto* e = qobject_cast<QLineEdit*>(m_widget.data()))
        e->setMaxLength(maxChars > 0 ? maxChars : 30000);
}

namespace {
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
}  // namespace

void CEdit::SetLimitBytes(std::size_t maxBytes)
{
    auto* e = qobject_cast<QLineEdit*>(m_widget.data());
    if (e == nullptr) return;
    e->setMaxLength(30000);
    e->setValidator(new ByteLimitValidator(maxBytes, e));
}

// ---- CComboBox --------------------------------------------------------------------------

namespace {
QComboBox* Combo(const QPointer<QWidget>& w)
{
    return qobject_cast<QComboBox*>(w.data());
}

// Runs a change of the list while keeping the selection we want and the typed text.
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
}  // namespace

int CComboBox::AddString(const QString& text)
{
    QComboBox* c = Combo(m_widget);
    if (c == nullptr) return -1;
    ChangeComboList(c, c->currentIndex(), [&] { c->addItem(text); });
    return c->count() - 1;
}

int CComboBox::DeleteString(int index)
{
    QComboBox* c = Combo(m_widget);
    if (c == nullptr || index < 0 || index >= c->count()) return -1;
    const int sel = c->currentIndex();
    const int keep = sel == index ? -1 : (sel > index ? sel - 1 : sel);
    ChangeComboList(c, keep, [&] { c->removeItem(index); });
    return c->count();
}

void CComboBox::ResetContent()
{
    QComboBox* c = Combo(m_widget);
    if (c == nullptr) return;
    QSignalBlocker block(c);
    c->clear();
    c->setCurrentIndex(-1);
    if (c->isEditable()) c->setEditText(QString());
}

int CComboBox::GetCount() const
{
    QComboBox* c = Combo(m_widget);
    return c != nullptr ? c->count() : 0;
}

int CComboBox::GetCurSel() const
{
    QComboBox* c = Combo(m_widget);
    return c != nullptr ? c->currentIndex() : -1;
}

int CComboBox::SetCurSel(int index)
{
    QComboBox* c = Combo(m_widget);
    if (c == nullptr) return -1;
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

QString CComboBox::GetLBText(int index) const
{
    QComboBox* c = Combo(m_widget);
    return (c != nullptr && index >= 0 && index < c->count()) ? c->itemText(index) : QString();
}

// ---- CListBox ---------------------------------------------------------------------------

namespace {
QListWidget* List(const QPointer<QWidget>& w)
{
    return qobject_cast<QListWidget*>(w.data());
}
}  // namespace

int CListBox::AddString(const QString& text)
{
    QListWidget* l = List(m_widget);
    if (l == nullptr) return -1;
    QSignalBlocker block(l);
    l->addItem(text);
    return l->count() - 1;
}

int CListBox::DeleteString(int index)
{
    QListWidget* l = List(m_widget);
    if (l == nullptr || index < 0 || index >= l->count()) return -1;
    QSignalBlocker block(l);
    QSignalBlocker blockSel(l->selectionModel());
    const bool wasSelected = GetCurSel() == index;
    const std::unique_ptr<QListWidgetItem> removed(l->takeItem(index));
    // The selection goes with its row; Qt would move it to a neighbour.
    if (wasSelected) l->clearSelection();
    return l->count();
}

void CListBox::ResetContent()
{
    QListWidget* l = List(m_widget);
    if (l == nullptr) return;
    QSignalBlocker block(l);
    QSignalBlocker blockSel(l->selectionModel());
    l->clear();
}

int CListBox::GetCount() const
{
    QListWidget* l = List(m_widget);
    return l != nullptr ? l->count() : 0;
}

int CListBox::GetCurSel() const
{
    QListWidget* l = List(m_widget);
    if (l == nullptr) return -1;
    const QModelIndexList rows = l->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

int CListBox::SetCurSel(int index)
{
    QListWidget* l = List(m_widget);
    if (l == nullptr) return -1;
    QSignalBlocker block(l);
    QSignalBlocker blockSel(l->selectionModel());
    l->clearSelection();
    if (index < 0 || index >= l->count()) return -1;
    l->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    l->viewport()->update();
    return index;
}

QString CListBox::GetText(int index) const
{
    QListWidget* l = List(m_widget);
    if (l == nullptr || index < 0 || index >= l->count()) return {};
    return l->item(index)->text();
}

// ---- CListCtrl --------------------------------------------------------------------------

namespace {
QTreeWidget* Tree(const QPointer<QWidget>& w)
{
    return qobject_cast<QTreeWidget*>(w.data());
}
}  // namespace

void CListCtrl::SetExtendedStyle(std::uint32_t style)
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr) return;
    v->setProperty("extendedStyle", style);
    const bool fullRow = (style & LVS_EX_FULLROWSELECT) != 0;
    v->setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows
                                    : QAbstractItemView::SelectItems);
    v->setAllColumnsShowFocus(fullRow);
}

std::uint32_t CListCtrl::GetExtendedStyle() const
{
    QTreeWidget* v = Tree(m_widget);
    return v != nullptr ? v->property("extendedStyle").toUInt() : 0;
}

int CListCtrl::InsertColumn(int column, const QString& heading, int widthPixels)
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr || column < 0) return -1;
    const int n = v->columnCount();
    const int at = std::min(column, n);
    QStringList headings;
    for (int i = 0; i < n; ++i) headings << v->headerItem()->text(i);
    std::vector<int> widths;
    for (int i = 0; i < n; ++i) widths.push_back(v->header()->sectionSize(i));
    headings.insert(at, heading);
    widths.insert(widths.begin() + at, widthPixels);
    if (at < n) v->model()->insertColumn(at);
    v->setColumnCount(n + 1);
    v->setHeaderLabels(headings);
    for (int i = 0; i <= n; ++i) {
        v->header()->resizeSection(i, widths[static_cast<std::size_t>(i)]);
        v->headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
    }
    return at;
}

int CListCtrl::GetColumnCount() const
{
    QTreeWidget* v = Tree(m_widget);
    return v != nullptr ? v->columnCount() : 0;
}

QString CListCtrl::GetColumnHeading(int column) const
{
    QTreeWidget* v = Tree(m_widget);
    return (v != nullptr && column >= 0 && column < v->columnCount())
               ? v->headerItem()->text(column)
               : QString();
}

int CListCtrl::InsertItem(int row, const QString& text)
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr || row < 0) return -1;
    const int at = std::min(row, v->topLevelItemCount());
    auto item = std::make_unique<QTreeWidgetItem>();
    item->setText(0, text);
    v->insertTopLevelItem(at, item.release());  // the view owns its rows
    return at;
}

bool CListCtrl::SetItemText(int row, int column, const QString& text)
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr || column < 0 || column >= v->columnCount()) return false;
    QTreeWidgetItem* item = v->topLevelItem(row);
    if (item == nullptr) return false;
    item->setText(column, text);
    return true;
}

QString CListCtrl::GetItemText(int row, int column) const
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr) return {};
    QTreeWidgetItem* item = v->topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

bool CListCtrl::DeleteItem(int row)
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr || row < 0 || row >= v->topLevelItemCount()) return false;
    const std::unique_ptr<QTreeWidgetItem> removed(v->takeTopLevelItem(row));
    return true;
}

bool CListCtrl::DeleteAllItems()
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr) return false;
    v->clear();
    return true;
}

int CListCtrl::GetItemCount() const
{
    QTreeWidget* v = Tree(m_widget);
    return v != nullptr ? v->topLevelItemCount() : 0;
}

int CListCtrl::GetFirstSelectedItem() const
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr) return -1;
    for (int i = 0; i < v->topLevelItemCount(); ++i)
        if (v->topLevelItem(i)->isSelected()) return i;
    return -1;
}

bool CListCtrl::SetItemState(int row, bool selected)
{
    QTreeWidget* v = Tree(m_widget);
    if (v == nullptr) return false;
    QTreeWidgetItem* item = v->topLevelItem(row);
    if (item == nullptr) return false;
    item->setSelected(selected);
    return true;
}

int CListCtrl::GetColumnWidth(int column) const
{
    QTreeWidget* v = Tree(m_widget);
    return (v != nullptr && column >= 0 && column < v->columnCount())
               ? v->header()->sectionSize(column)
               : 0;
}

// ---- CDateTimeCtrl, CIPAddressCtrl ------------------------------------------------------

// Both pickers hold a whole date and time and show one part of it. The part not shown is kept
// aside: handing the whole value to a time-only editor would move it across a daylight-saving
// change (its date range is one fixed day).
void CDateTimeCtrl::SetTime(const QDateTime& time)
{
    auto* e = qobject_cast<QDateTimeEdit*>(m_widget.data());
    if (e == nullptr || !time.isValid()) return;
    QSignalBlocker block(e);
    e->setProperty("pickerValue", time);
    if (e->displayedSections() & QDateTimeEdit::DateSections_Mask)
        e->setDate(time.date());
    else
        e->setTime(time.time());
}

QDateTime CDateTimeCtrl::GetTime() const
{
    auto* e = qobject_cast<QDateTimeEdit*>(m_widget.data());
    if (e == nullptr) return {};
    // Digits typed into the picker are committed only when it loses the focus or sees Return
    // itself; a key filter may take Return first. Commit them, so what it shows is what it gives.
    e->interpretText();
    QDateTime value = e->property("pickerValue").toDateTime();
    if (!value.isValid()) value = QDateTime::currentDateTime();
    if (e->displayedSections() & QDateTimeEdit::DateSections_Mask)
        value.setDate(e->date());
    else
        value.setTime(e->time());
    return value;
}

void CIPAddressCtrl::SetAddressText(const QString& dotted)
{
    if (auto* ip = qobject_cast<IpAddressEdit*>(m_widget.data())) ip->setAddressText(dotted);
}

QString CIPAddressCtrl::GetAddressText() const
{
    auto* ip = qobject_cast<IpAddressEdit*>(m_widget.data());
    return ip != nullptr ? ip->addressText() : QString();
}

bool CIPAddressCtrl::IsBlank() const
{
    auto* ip = qobject_cast<IpAddressEdit*>(m_widget.data());
    return ip == nullptr || ip->isBlank();
}

}  // namespace ui
