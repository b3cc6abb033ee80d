#include "verify/verification_rule.h"

#include "protocol/verify.h"
#include "res/resource.h"
#include "ui/cdialog.h"
#include "verify/verify_dlg.h"

namespace verify {

bool ApplyVerificationRule(sockets::SocketApi& api, protocol::DeviceInfo& device,
                           ui::CDialog* parent)
{
    // Another host claims to be this adapter: its password, its settings and a share mapping
    // could all go to the wrong one.
    if (protocol::IsAmbiguous(device)) {
        ui::AfxMessageBox("This adapter answered from more than one network (" +
                          protocol::AnsweringInterfaces(device) +
                          "), differently: another device claims to be it. Nothing was sent "
                          "to it.\n\nDisconnect the network it is not on, then click Refresh "
                          "list.");
        return false;
    }
    return protocol::PassesVerificationRule(device, [&] {
        CVerifyDlg dlg(api, parent);
        dlg.SetDevice(&device);
        return dlg.DoModal() == IDOK;
    });
}

}  // namespace verify
