#include "tests/integration/gui/window_reader.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "res/resource.h"

namespace probe {

namespace {

QWidget* Control(QWidget* window, int id)
{
    return window->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

}  // namespace

void Print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void ReadMainWindow(QWidget* window)
{
    auto* list = qobject_cast<QListWidget*>(Control(window, IDC_DEVICE_LIST));
    for (int i = 0; i < list->count(); ++i) Print(QStringLiteral("row ") + list->item(i)->text());
    if (list->count() > 0) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        for (int id : {IDC_FIRMWARE, IDC_DESCRIPTION, IDC_MAC, IDC_IPADDR, IDC_IPSTATUS}) {
            auto* l = qobject_cast<QLabel*>(Control(window, id));
            Print(QStringLiteral("panel %1 %2").arg(id).arg(l->text()));
        }
        auto* disks = qobject_cast<QTreeWidget*>(Control(window, IDC_DISK_LIST));
        for (int r = 0; r < disks->topLevelItemCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < 5; ++c) cells << disks->topLevelItem(r)->text(c);
            Print(QStringLiteral("disk ") + cells.join(QLatin1Char('|')));
        }
    }
    Print(QStringLiteral("buttons %1 %2 %3")
              .arg(Control(window, IDC_WEB)->isEnabled())
              .arg(Control(window, IDC_WIZARD)->isEnabled())
              .arg(Control(window, IDC_SHARE_MAPPING)->isEnabled()));
}

}  // namespace probe
