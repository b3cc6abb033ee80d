// Stand-ins for the device commands whose dialogs are not part of this build: they do nothing.
#include "app/commands.h"

namespace app {

#ifndef DRAVMOOR_HAVE_WIZARD
int LaunchSetupWizard(Services&, protocol::DeviceInfo&)
{
    return 0;
}
#endif
#ifndef DRAVMOOR_HAVE_SHAREMAP
void LaunchShareMapping(Services&, protocol::DeviceInfo&) {}
#endif

}  // namespace app
