// One discovery reply, through the reader and through a whole discovery that receives it
// twice (the second time on the last receive attempt of the listening window).
#include <cstring>

#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const bool looksValid =
        raw.Cmd() == 0 && raw.P(0) == '0' && raw.P(1) == '1' && raw.P(2) == '0' && raw.P(3) == '1';
    const protocol::Datagram d(raw.bytes().data(), raw.size());
    const bool valid = protocol::IsValidDiscoveryReply(d);
    Expect(!valid || looksValid, "accepted a reply without cmd 0 and signature 0101");
    // Short replies may go either way; a complete valid one must be taken.
    Expect(valid || !looksValid || raw.size() < protocol::kHeaderSize + 38,
           "rejected a complete valid reply");
    if (valid) {
        const protocol::DiscoveryReply r = protocol::ReadDiscoveryReply(d);
        Expect(raw.Same(r.name, 4, 16) && raw.Same(r.ipAddress, 20, 15), "discovery fields");
        Expect(r.webPort == raw.U16(protocol::kHeaderSize + 36), "web port");
        for (std::size_t i = 0; i < 6; ++i) Expect(r.mac[i] == raw.At(6 + i), "mac");
        CheckRecord(*protocol::MakeDeviceInfo(r));
    }

    const Bytes reply(data, data + size);
    ScriptedSocketApi api;
    api.onSend = [&](std::span<const std::uint8_t> request) {
        Expect(request.size() == 12, "discovery request length");
        for (auto b : request) Expect(b == 0, "discovery request bytes");
        api.Deliver(reply);
        api.Deliver(reply, 20);
    };
    RecordingDiscoveryView view;
    protocol::DiscoverDevices(api, view);
    CheckBalanced(api);
    Expect(view.messages.empty(), "discovery showed a message");
    Expect(view.devices.size() == (valid ? 2u : 0u), "each valid reply becomes one record");
    for (const auto& dev : view.devices) {
        Expect(std::memcmp(dev->signature.data(), "0101", 4) == 0, "stored signature");
        Expect(raw.Same(dev->name, 4, protocol::FieldText(dev->name).size()), "stored name");
    }
    return 0;
}
