// The Share mapping command: verification rule, then the share mapping dialog. Nothing in the
// main window is refreshed afterwards.
#include "app/commands.h"
#include "sharemap/share_map_dlg.h"
#include "wizard/verification_rule.h"

void app::LaunchShareMapping(Services& services, protocol::DeviceInfo& device)
{
    if (!wizard::ApplyVerificationRule(services.sockets, device)) return;
    sharemap::CShareMapDlg dlg(services.drives);
    dlg.SetDevice(&device);
    dlg.DoModal();
}
