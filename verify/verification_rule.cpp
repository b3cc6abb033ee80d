#include "verify/verification_rule.h"

#include "res/resource.h"
#include "verify/verify_dlg.h"

namespace verify {

bool ApplyVerificationRule(sockets::SocketApi& api, protocol::DeviceInfo& device,
                           ui::CDialog* parent)
{
    if (device.passwordRequired == 0) return true;
    // Asked every time: a successful verification is never remembered.
    CVerifyDlg dlg(api, parent);
    dlg.SetDevice(&device);
    return dlg.DoModal() == IDOK;
}

}  // namespace verify
