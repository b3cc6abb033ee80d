// dravmoor verify: the administrator's name and password, checked by the adapter. The adapter
// is found first, so the password goes out only by the interface where it answers.
#include "cli/context.h"

namespace cli {

int Verify(Context& c, const protocol::Mac& mac)
{
    protocol::DeviceInfo device;
    device.mac = mac;
    StatusCollector view(c.io.err);
    const int code = c.Query(device, view);
    if (code != kExitOk) return code;  // not found: nothing secret was sent
    return c.VerifyAt(device, true);
}

}  // namespace cli
