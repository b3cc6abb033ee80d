#include "app/quick_setup_app.h"

#include "app/main_dlg.h"
#include "protocol/exchange.h"
#include "res/resource.h"
#include "res/resources.h"
#include "ui/cdialog.h"

namespace app {

bool CQuickSetupApp::InitInstance()
{
    res::InstallResources();
    if (m_services.sockets.Startup(protocol::kLibraryVersion) != 0) {
        ui::AfxMessageBox(ui::LoadString(IDP_SOCKETS_INIT_FAILED));
        return false;
    }
    {
        CMainDlg dlg(m_services);
        m_ranMainWindow = true;
        dlg.DoModal();  // its result makes no difference
    }
    // The start-up holds the layer for the program's life; released at its end.
    m_services.sockets.Cleanup();
    return false;
}

}  // namespace app
