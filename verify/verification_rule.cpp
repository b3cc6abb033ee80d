#include "verify/verification_rule.h"

#include "protocol/verify.h"
#include "res/resource.h"
#include "verify/verify_dlg.h"

namespace verify {

bool ApplyVerificationRule(sockets::SocketApi& api, protocol::DeviceInfo& device,
                           ui::CDialog* parent)
{
    return protocol::PassesVerificationRule(device, [&] {
        CVerifyDlg dlg(api, parent);
        dlg.SetDevice(&device);
        return dlg.DoModal() == IDOK;
    });
}

}  // namespace verify
