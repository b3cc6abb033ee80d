#include "ui/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDateTimeEdit>
#include <QFocusFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>

#include "ui/qt/widgets.h"
#include "ui/qt/window_driver.h"

namespace ui::qt {

namespace {

// Controls carry their template index; anything else (a page, a client edge) comes after them.
int OrderKey(const QWidget* w)
{
    const QVariant index = w->property("templateIndex");
    return index.isValid() ? index.toInt() : INT_MAX;
}

// A dialog window, or the widget holding its controls inside a client edge: children as the
// template lists them, as the dialog manager's tab order does.
class TemplateContainer final : public QAccessibleWidget {
public:
    TemplateContainer(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    int childCount() const override { return static_cast<int>(Children().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QWidgetList kids = Children();
        return (index >= 0 && index < kids.size())
                   ? QAccessible::queryAccessibleInterface(kids[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (child == nullptr || !child->object() || !child->object()->isWidgetType()) return -1;
        return static_cast<int>(Children().indexOf(static_cast<QWidget*>(child->object())));
    }

private:
    // The same children Qt itself exposes, in another order.
    QWidgetList Children() const
    {
        QWidgetList kids;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w == nullptr || w->isWindow() || qobject_cast<QFocusFrame*>(w) != nullptr ||
                qobject_cast<QMenu*>(w) != nullptr ||
                w->objectName() == QLatin1String("qt_rubberband"))
                continue;
            kids << w;
        }
        std::stable_sort(kids.begin(), kids.end(), [](const QWidget* a, const QWidget* b) {
            return OrderKey(a) < OrderKey(b);
        });
        return kids;
    }
};

// A picker: a spin box read by the text it shows, through a text interface over the edit inside
// it (Qt gives that edit no interface of its own). It offers no numeric value: a date has none.
class PickerAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit PickerAccessible(QDateTimeEdit* e) : QAccessibleWidget(e, QAccessible::SpinBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return Edit() != nullptr ? Edit()->text() : QString();
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        const QLineEdit* e = Edit();
        if (index == 0 && e != nullptr && e->hasSelectedText()) {
            *start = e->selectionStart();
            *end = *start + static_cast<int>(e->selectedText().size());
        }
    }
    int selectionCount() const override
    {
        return Edit() != nullptr && Edit()->hasSelectedText() ? 1 : 0;
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override
    {
        if (QLineEdit* e = Edit()) e->deselect();
    }
    void setSelection(int, int start, int end) override
    {
        if (QLineEdit* e = Edit()) e->setSelection(start, end - start);
    }
    int cursorPosition() const override { return Edit() != nullptr ? Edit()->cursorPosition() : 0; }
    void setCursorPosition(int position) override
    {
        if (QLineEdit* e = Edit()) e->setCursorPosition(position);
    }
    QString text(int start, int end) const override
    {
        const QString all = text(QAccessible::Value);
        return (start < 0 || end < start) ? QString() : all.mid(start, end - start);
    }
    int characterCount() const override
    {
        return static_cast<int>(text(QAccessible::Value).size());
    }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override
    {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QLineEdit* Edit() const { return widget()->findChild<QLineEdit*>(); }
};

class ListViewAccessible;

// A header or data cell of a list view. It holds a persistent index, so a cell whose row has
// gone reads as invalid rather than as another row's.
class ListViewCell final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    ListViewCell(QTreeWidget* view, int column)  // a column header
        : m_view(view), m_column(column), m_header(true)
    {
    }
    ListViewCell(QTreeWidget* view, const QModelIndex& index)
        : m_view(view), m_index(index), m_column(index.column())
    {
    }
    bool Matches(int row, int column) const
    {
        return m_index.isValid() && m_index.row() == row && m_index.column() == column;
    }

    bool isValid() const override
    {
        if (!m_view) return false;
        return m_header ? m_column < m_view->columnCount() : m_index.isValid();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value)) return {};
        if (m_header)
            return t == QAccessible::Name ? m_view->headerItem()->text(m_column) : QString();
        return m_index.data(Qt::DisplayRole).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid()) return {};
        if (m_header) {
            QHeaderView* h = m_view->header();
            const QRect r(h->sectionViewportPosition(m_column), 0, h->sectionSize(m_column),
                          h->height());
            return QRect(h->viewport()->mapToGlobal(r.topLeft()), r.size());
        }
        const QRect r = m_view->visualRect(m_index);
        return QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override
    {
        return m_header ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        if (!m_header) {
            s.selectable = true;
            s.selected = isSelected();
            const QRect visible = m_view->viewport()->rect();
            s.invisible = !visible.intersects(m_view->visualRect(m_index));
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override
    {
        return m_index.isValid() && m_view && m_view->selectionModel()->isSelected(m_index);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_index.isValid() ? m_index.row() : -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<QTreeWidget> m_view;
    QPersistentModelIndex m_index;
    int m_column = 0;
    bool m_header = false;
};

// A list view in report mode: a table whose first children are its column headers, then its
// cells row by row.
class ListViewAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListViewAccessible(QTreeWidget* v) : QAccessibleWidget(v, QAccessible::Table) {}
    ~ListViewAccessible() override { Forget(); }
    ListViewAccessible(const ListViewAccessible&) = delete;
    ListViewAccessible& operator=(const ListViewAccessible&) = delete;

    QTreeWidget* View() const { return static_cast<QTreeWidget*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return columnCount() * (1 + rowCount()); }
    QAccessibleInterface* child(int index) const override
    {
        const int columns = columnCount();
        if (index < 0 || columns == 0 || index >= childCount()) return nullptr;
        if (index < columns) return Header(index);
        return cellAt(index / columns - 1, index % columns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const QAccessibleTableCellInterface* cell =
            child != nullptr ? const_cast<QAccessibleInterface*>(child)->tableCellInterface()
                             : nullptr;
        if (cell == nullptr || child->parent() != this) return -1;
        return (cell->rowIndex() + 1) * columnCount() + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint p = View()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex i = View()->indexAt(p);
        return i.isValid() ? cellAt(i.row(), i.column()) : QAccessibleWidget::childAt(x, y);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
        const quint64 key = Key(row, column);
        if (const auto it = m_cells.find(key); it != m_cells.end()) {
            auto* cached = static_cast<ListViewCell*>(QAccessible::accessibleInterface(*it));
            if (cached != nullptr && cached->Matches(row, column)) return cached;
            if (cached != nullptr) QAccessible::deleteAccessibleInterface(*it);
            m_cells.erase(it);
        }
        auto* cell = new ListViewCell(View(), View()->model()->index(row, column));
        m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    int selectedCellCount() const override { return static_cast<int>(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> out;
        for (const QModelIndex& i : View()->selectionModel()->selectedIndexes())
            out << cellAt(i.row(), i.column());
        return out;
    }
    QString columnDescription(int column) const override
    {
        return (column >= 0 && column < columnCount()) ? View()->headerItem()->text(column)
                                                       : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return View()->columnCount(); }
    int rowCount() const override { return View()->topLevelItemCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (const QModelIndex& i : View()->selectionModel()->selectedRows()) rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    // Selection stays the user's and the program's: assistive technology reads it only.
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { Forget(); }

    QAccessibleInterface* Header(int column) const
    {
        const quint64 key = Key(-1, column);
        if (const auto it = m_cells.find(key); it != m_cells.end()) {
            if (QAccessibleInterface* cached = QAccessible::accessibleInterface(*it)) return cached;
            m_cells.erase(it);
        }
        auto* cell = new ListViewCell(View(), column);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }

private:
    static quint64 Key(int row, int column)
    {
        return (static_cast<quint64>(static_cast<quint32>(row + 1)) << 32) |
               static_cast<quint32>(column);
    }
    void Forget()
    {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }
    mutable QMap<quint64, QAccessible::Id> m_cells;
};

QList<QAccessibleInterface*> ListViewCell::columnHeaderCells() const
{
    auto* table =
        m_view
            ? static_cast<ListViewAccessible*>(QAccessible::queryAccessibleInterface(m_view.data()))
            : nullptr;
    if (table == nullptr || m_header) return {};
    return {table->Header(m_column)};
}

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (object == nullptr || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (auto* dw = qobject_cast<DialogWindow*>(w))
        return new TemplateContainer(dw, dw->isWindow() ? QAccessible::Dialog : QAccessible::Pane);
    // Decided by type alone: Qt may ask for an interface while a widget is being built, before
    // any property or name is set, and keeps the first answer. The client area inside a client
    // edge is the one plain widget on a dialog window; the program's only tree widgets and
    // date-time edits are template controls.
    if (w->metaObject() == &QWidget::staticMetaObject &&
        qobject_cast<DialogWindow*>(w->parentWidget()) != nullptr)
        return new TemplateContainer(w, QAccessible::Client);
    if (auto* v = qobject_cast<QTreeWidget*>(w)) return new ListViewAccessible(v);
    if (auto* e = qobject_cast<QDateTimeEdit*>(w)) return new PickerAccessible(e);
    if (qobject_cast<IpAddressEdit*>(w) != nullptr)
        return new QAccessibleWidget(w, QAccessible::Grouping);
    return nullptr;
}

}  // namespace

void EnsureAccessibility()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(Factory);
}

}  // namespace ui::qt
