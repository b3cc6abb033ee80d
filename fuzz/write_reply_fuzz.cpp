// The answers to both wizard writes: the network write judges cmd and status, the system
// write takes any datagram as its answer.
#include "fuzz/harness.h"
#include "protocol/messages.h"
#include "protocol/settings.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const Bytes reply(data, data + size);
    ScriptedSocketApi api;
    api.onSend = [&](std::span<const std::uint8_t>) { api.Deliver(reply); };

    RecordingSink sink;
    protocol::NetworkSettings net;
    net.ipMode = 0;
    net.addresses = {"192.0.2.2", "255.255.255.0", "192.0.2.1", "192.0.2.53", "255.255.255.255"};
    const protocol::WriteOutcome n = protocol::WriteNetworkInfo(api, sink, kMac, net);
    CheckBalanced(api);
    Expect(n.sent, "network write not sent");
    if (n.refused) {
        Expect(raw.size() >= 4 && raw.Cmd() == protocol::CMD_SET_NETWORK_INFO && raw.Status() != 0,
               "refusal without cmd 19 and a non-zero status");
        Expect(sink.messages.size() == 1 && sink.messages[0] == protocol::text::kSetNetworkFailed,
               "refusal message");
    } else {
        Expect(sink.messages.empty(), "message without a refusal");
        Expect(
            !(raw.size() >= 4 && raw.Cmd() == protocol::CMD_SET_NETWORK_INFO && raw.Status() != 0),
            "refusal not reported");
    }

    sink.messages.clear();
    protocol::SystemSettings sys;
    sys.description = "Office storage";
    const protocol::WriteOutcome s = protocol::WriteSystemInfo(api, sink, kMac, sys);
    CheckBalanced(api);
    Expect(s.sent && !s.refused && sink.messages.empty(), "system write outcome");
    Expect(s.answered == n.answered, "both writes judge arrival alike");
    return 0;
}
