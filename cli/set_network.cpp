// dravmoor set-network: the adapter's addressing. What is not given is what the setup wizard
// would send for an unchanged page.
#include "cli/changes.h"
#include "cli/context.h"

namespace cli {

int SetNetwork(Context& c, const protocol::Mac& mac, const NetworkOptions& o)
{
    const NetworkChanges changes = CheckNetworkOptions(o);
    bool allGiven = changes.mode.has_value();
    for (const auto& address : changes.addresses) allGiven = allGiven && address;

    protocol::DeviceInfo device;
    device.mac = mac;
    if (const int code = c.PrepareWrite(device, !allGiven); code != kExitOk) return code;
    protocol::NetworkSettings s = protocol::CurrentNetworkSettings(device);
    if (changes.mode) s.ipMode = *changes.mode;
    for (std::size_t i = 0; i < s.addresses.size(); ++i) {
        if (changes.addresses[i]) s.addresses[i] = *changes.addresses[i];
    }
    StderrSink sink(c.io.err);
    return c.WriteResult(protocol::WriteNetworkInfo(c.api, sink, mac, s, c.Reach(&device)),
                         "network settings");
}

}  // namespace cli
