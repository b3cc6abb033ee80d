// The Setup wizard command: verification rule, then the three-page wizard.
#include "wizard/launch_wizard.h"

#include "res/resource.h"
#include "verify/verification_rule.h"

namespace wizard {

SetupWizard::SetupWizard(sockets::SocketApi& api, protocol::DeviceInfo& device) : frame(api)
{
    frame.SetDevice(&device);
    frame.AddPage(&system, IDD_PAGE_SYSTEM);
    frame.AddPage(&network, IDD_PAGE_NETWORK);
    frame.AddPage(&finish, IDD_PAGE_FINISH);
}

SetupWizard::~SetupWizard()
{
    // Cancel leaves the page windows standing; take them down while their parent still exists.
    frame.DestroyPages();
}

int LaunchSetupWizard(sockets::SocketApi& api, protocol::DeviceInfo& device)
{
    if (!verify::ApplyVerificationRule(api, device)) return 0;
    SetupWizard wizard(api, device);
    return wizard.frame.DoModal();
}

}  // namespace wizard
