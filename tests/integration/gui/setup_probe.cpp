// setup-probe: the program's own start-up, main window and real sockets, with a test driver
// that reads what the window shows. It stands beside dravmoor-setup (which has no such hook):
// once the main window is up it prints the device rows, clicks the first one, prints the
// information panel and the disk rows, and closes the window. Output lines:
//   row <text>   panel <id> <text>   disk <c0>|<c1>|<c2>|<c3>|<c4>   buttons <web> <wizard> <share>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/quick_setup_app.h"
#include "app/waiting_sockets.h"
#include "platform/netdrive/fake_netdrive.h"
#include "platform/shell/recording_url_opener.h"
#include "platform/sockets/private_network.h"
#include "tests/integration/gui/window_reader.h"
#include "ui/cdialog.h"
#include "ui/qt/qt_backend.h"

int main(int argc, char** argv)
{
    if (!sockets::RequirePrivateNetworkNamespace("setup-probe")) return 1;
    QApplication qtApp(argc, argv);
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    std::unique_ptr<sockets::SocketApi> system = sockets::CreateSystemSocketApi();
    app::WaitingSocketApi sockets(*system);
    netdrive::FakeNetDrive drives;
    shell::RecordingUrlOpener urls;
    app::Services services{sockets, drives, urls};

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || w->windowTitle() != probe::kMainTitle) return;
        poll.stop();
        probe::ReadMainWindow(w);
        w->close();
    });
    poll.start(50);
    app::CQuickSetupApp theApp(services);
    theApp.InitInstance();
    return theApp.ranMainWindow() ? 0 : 1;
}
