// dravmoor-setup: finds the storage adapters on the local segment and sets them up.
// It reads no command line, environment or configuration of its own.
#include <QApplication>
#include <memory>

#include "app/quick_setup_app.h"
#include "platform/netdrive/netdrive.h"
#include "platform/shell/qt_url_opener.h"
#include "platform/ui/busy_wait.h"
#include "platform/ui/cdialog.h"
#include "protocol/exchange.h"

int main(int, char** argv)
{
    // Qt would act on options of its own (-platform, -reverse, -stylesheet FILE, ...): it gets
    // the program's name only. The desktop's environment (display, platform plugin) still counts.
    int qtArgc = argv[0] != nullptr ? 1 : 0;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication qtApp(qtArgc, qtArgv);
    // Names the installed desktop entry: Wayland compositors take the window's icon and name
    // from it, as a Wayland window carries no icon of its own.
    QGuiApplication::setDesktopFileName(QStringLiteral("net.dravmoor.QuickSetup"));
    ui::SetupApplicationLook();

    // Ask again when nothing answers, as the command line does (lossy Wi-Fi, busy switches).
    protocol::SetResendPolicy(protocol::kFieldResends);
    std::unique_ptr<sockets::SocketApi> system = sockets::CreateSystemSocketApi();
    ui::UiSocketApi sockets(*system);
    std::unique_ptr<netdrive::NetDrive> drives = netdrive::CreateSystemNetDrive();
    shell::QtUrlOpener urls;
    app::Services services{sockets, *drives, urls};

    app::CQuickSetupApp theApp(services);
    theApp.InitInstance();
    return 0;
}
