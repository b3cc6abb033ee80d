// One discovery over the system sockets, for the load measurements: prints how many adapters
// were listed, how many of them were distinct and how the collection ended. Run only inside
// scripts/netns.sh.
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "platform/sockets/private_network.h"
#include "platform/sockets/sockets.h"
#include "protocol/discovery.h"

namespace {

class Counter : public protocol::DiscoveryView {
public:
    protocol::DeviceList list;  // kept, as the main window keeps them
    std::set<protocol::Mac> macs;

    void ShowMessage(const std::string& text) override { std::fputs(text.c_str(), stderr); }
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> device) override
    {
        macs.insert(device->mac);
        list.Add(std::move(device));
    }
};

}  // namespace

int main()
{
    if (!sockets::RequirePrivateNetworkNamespace("reliability_load_client")) return 1;
    const std::unique_ptr<sockets::SocketApi> api = sockets::CreateSystemSocketApi();
    protocol::SetResendPolicy(protocol::kFieldResends);  // as the window and dravmoor ask
    Counter counter;
    const protocol::DiscoveryEnd end = protocol::DiscoverDevices(*api, counter);
    std::printf("listed %zu distinct %zu end %s\n", counter.list.GetSize(), counter.macs.size(),
                end == protocol::DiscoveryEnd::TimeBound     ? "time-bound"
                : end == protocol::DiscoveryEnd::RecordBound ? "record-bound"
                                                             : "complete");
    return 0;
}
