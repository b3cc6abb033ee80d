// The Share mapping command: verification rule, then the share mapping dialog. Nothing in the
// main window is refreshed afterwards.
#include "sharemap/launch_sharemap.h"

#include "sharemap/share_map_dlg.h"
#include "verify/verification_rule.h"

void sharemap::LaunchShareMapping(sockets::SocketApi& api, netdrive::NetDrive& drives,
                                  protocol::DeviceInfo& device)
{
    if (!verify::ApplyVerificationRule(api, device)) return;
    CShareMapDlg dlg(drives);
    dlg.SetDevice(&device);
    dlg.DoModal();
}
