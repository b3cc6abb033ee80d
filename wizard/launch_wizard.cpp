// The Setup wizard command: verification rule, then the three-page wizard.
#include "app/commands.h"
#include "res/resource.h"
#include "wizard/finish_page.h"
#include "wizard/network_page.h"
#include "wizard/system_page.h"
#include "wizard/verification_rule.h"
#include "wizard/wizard_dlg.h"

int app::LaunchSetupWizard(Services& services, protocol::DeviceInfo& device)
{
    if (!wizard::ApplyVerificationRule(services.sockets, device)) return 0;

    wizard::CWizardDlg wizard(services.sockets);
    wizard.SetDevice(&device);
    wizard::CSystemPage systemPage;
    wizard::CNetworkPage networkPage;
    wizard::CFinishPage finishPage;
    wizard.AddPage(&systemPage, IDD_PAGE_SYSTEM);
    wizard.AddPage(&networkPage, IDD_PAGE_NETWORK);
    wizard.AddPage(&finishPage, IDD_PAGE_FINISH);
    const int result = wizard.DoModal();
    // Cancel leaves the page windows standing; take them down while their parent still exists.
    wizard.DestroyPages();
    return result;
}
