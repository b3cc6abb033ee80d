// setup-probe: the program's own start-up, main window and real sockets, with a test driver
// that reads what the window shows. It stands beside dravmoor-setup (which has no such hook):
// once the main window is up it prints the device rows, clicks the first one, prints the
// information panel and the disk rows, and closes the window. Output lines:
//   row <text>   panel <id> <text>   disk <c0>|<c1>|<c2>|<c3>|<c4>   buttons <web> <wizard> <share>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "app/quick_setup_app.h"
#include "platform/netdrive/fake_netdrive.h"
#include "platform/shell/qt_url_opener.h"
#include "platform/sockets/private_network.h"
#include "platform/ui/busy_wait.h"
#include "platform/ui/cdialog.h"
#include "res/resource.h"

namespace {

void Print(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
}

QWidget* Control(QWidget* window, int id)
{
    return window->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

void Drive(QWidget* window)
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
    std::fflush(stdout);
    window->close();
}

}  // namespace

int main(int argc, char** argv)
{
    if (!sockets::RequirePrivateNetworkNamespace("setup-probe")) return 1;
    QApplication qtApp(argc, argv);
    ui::SetupApplicationLook();
    std::unique_ptr<sockets::SocketApi> system = sockets::CreateSystemSocketApi();
    ui::UiSocketApi sockets(*system);
    netdrive::FakeNetDrive drives;
    shell::RecordingUrlOpener urls;
    app::Services services{sockets, drives, urls};

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || w->windowTitle() != QStringLiteral("Quick setup wizard for Dravmoor"))
            return;
        poll.stop();
        Drive(w);
    });
    poll.start(50);
    app::CQuickSetupApp theApp(services);
    theApp.InitInstance();
    return theApp.ranMainWindow() ? 0 : 1;
}
