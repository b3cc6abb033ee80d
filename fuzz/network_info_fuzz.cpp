// The network-information reply, through the reader and through the status query.
#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const protocol::Datagram d(raw.bytes().data(), raw.size());
    const protocol::NetworkInfo r = protocol::ReadNetworkInfoReply(d);
    Expect(r.ipMode == raw.P(0), "ipMode");
    for (std::size_t i = 0; i < 5; ++i) Expect(raw.Same(r.addresses[i], 1 + 15 * i, 15), "address");

    const Bytes reply(data, data + size);
    RunStatusQuery(
        [&](ScriptedSocketApi& api, std::span<const std::uint8_t> req) {
            api.Deliver(RequestCmd(req) == protocol::CMD_GET_NETWORK_INFO ? reply
                                                                          : CannedReply(req));
        },
        [&](const protocol::DeviceInfo& dev, const RecordingStatusView& view) {
            const std::string status = view.panel[static_cast<int>(protocol::PanelField::IpStatus)];
            Expect(status.empty() || status == "Static ip" || status == "DHCP", "ip status text");
            if (raw.Cmd() != protocol::CMD_GET_NETWORK_INFO) return;
            if (raw.size() < protocol::kHeaderSize + 76) return;
            Expect(dev.ipMode == raw.P(0) && raw.Same(dev.ipAddress, 1, 15) &&
                       raw.Same(dev.dns2, 61, 15),
                   "stored network info");
        });
    return 0;
}
