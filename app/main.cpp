// dravmoor-setup: finds the storage adapters on the local segment and sets them up.
// It reads no command line, environment or configuration of its own.
#include <memory>

#include "app/quick_setup_app.h"
#include "app/waiting_sockets.h"
#include "platform/dlls/dll_search.h"
#include "platform/netdrive/netdrive.h"
#include "platform/shell/shell.h"
#include "platform/sockets/sockets.h"
#include "protocol/exchange.h"
#include "ui/system.h"

int main(int, char** argv)
{
    // Before anything can load a DLL that Windows would first look for beside the program.
    dlls::LoadFromSystemFolderOnly();

    // The windowing system gets the program's name only: it would act on options of its own
    // (-platform, -reverse, -stylesheet FILE, ...). The desktop's environment (display,
    // platform plugin) still counts. The desktop entry's name gives Wayland compositors the
    // window's icon and name, as a Wayland window carries no icon of its own.
    const std::unique_ptr<ui::UiSystem> windows =
        ui::CreateSystemUi(argv[0], "net.dravmoor.QuickSetup");

    // Ask again when nothing answers, as the command line does (lossy Wi-Fi, busy switches).
    protocol::SetResendPolicy(protocol::kFieldResends);
    std::unique_ptr<sockets::SocketApi> system = sockets::CreateSystemSocketApi();
    app::WaitingSocketApi sockets(*system);
    std::unique_ptr<netdrive::NetDrive> drives = netdrive::CreateSystemNetDrive();
    std::unique_ptr<shell::UrlOpener> urls = shell::CreateSystemUrlOpener();
    app::Services services{sockets, *drives, *urls};

    app::CQuickSetupApp theApp(services);
    theApp.InitInstance();
    return 0;
}
