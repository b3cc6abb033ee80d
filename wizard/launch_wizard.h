// The Setup wizard command and the wizard it runs: the frame with its three pages in order.
#pragma once

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "wizard/finish_page.h"
#include "wizard/network_page.h"
#include "wizard/system_page.h"
#include "wizard/wizard_dlg.h"

namespace wizard {

// The wizard as the command assembles it, for the command itself and for whoever drives it
// (tests, tools). The pages' windows go before the frame's.
struct SetupWizard {
    SetupWizard(sockets::SocketApi& api, protocol::DeviceInfo& device);
    ~SetupWizard();
    SetupWizard(const SetupWizard&) = delete;
    SetupWizard& operator=(const SetupWizard&) = delete;

    CWizardDlg frame;
    CSystemPage system;
    CNetworkPage network;
    CFinishPage finish;
};

// The verification rule, then the wizard: returns the wizard's modal result, or 0 when the
// rule abandoned the command. The caller refreshes the device list for non-zero.
int LaunchSetupWizard(sockets::SocketApi& api, protocol::DeviceInfo& device);

}  // namespace wizard
