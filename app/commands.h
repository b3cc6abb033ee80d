// The two device commands whose dialogs live outside app/: the main window calls these with
// the selected record. Each applies the verification rule first.
#pragma once

#include "app/services.h"
#include "protocol/device_info.h"

namespace app {

// Setup wizard (wizard/launch_wizard.cpp): returns the wizard's modal result, or 0 when the
// verification rule abandoned the command. The caller refreshes the list for non-zero.
int LaunchSetupWizard(Services& services, protocol::DeviceInfo& device);

// Share mapping (sharemap/launch_sharemap.cpp): nothing is refreshed afterwards.
void LaunchShareMapping(Services& services, protocol::DeviceInfo& device);

}  // namespace app
