// What tests read from the Qt backend's widgets past the framework's API, which the dialogs do
// not need: a list view's columns and extended style, a row selected as by the mouse, whether
// an address control's fields are all empty.
#pragma once

#include <QHeaderView>
#include <QString>
#include <QTreeWidget>
#include <QVariant>
#include <QWidget>
#include <cstdint>

#include "ui/qt/widgets.h"

namespace ui::qt::probe {

inline QTreeWidget* ListView(QWidget* w)
{
    return qobject_cast<QTreeWidget*>(w);
}

inline int ColumnCount(QWidget* w)
{
    return ListView(w) != nullptr ? ListView(w)->columnCount() : 0;
}

inline QString ColumnHeading(QWidget* w, int column)
{
    return column < ColumnCount(w) ? ListView(w)->headerItem()->text(column) : QString();
}

inline int ColumnWidth(QWidget* w, int column)
{
    return column < ColumnCount(w) ? ListView(w)->header()->sectionSize(column) : 0;
}

// The LVS_EX_ bits the list view was given.
inline std::uint32_t ExtendedStyle(QWidget* w)
{
    return w != nullptr ? w->property("extendedStyle").toUInt() : 0;
}

inline bool SelectRow(QWidget* w, int row, bool selected)
{
    QTreeWidgetItem* item = ListView(w) != nullptr ? ListView(w)->topLevelItem(row) : nullptr;
    if (item == nullptr) return false;
    item->setSelected(selected);
    return true;
}

inline bool AddressIsBlank(QWidget* w)
{
    auto* ip = qobject_cast<IpAddressEdit*>(w);
    return ip == nullptr || ip->isBlank();
}

}  // namespace ui::qt::probe
