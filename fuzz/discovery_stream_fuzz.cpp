// Discovery fed a stream of arbitrary datagrams at arbitrary moments of its listening window.
#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StreamReader stream({data, size});
    std::size_t strict = 0, loose = 0;  // complete valid replies / any with cmd 0 and signature
    ScriptedSocketApi api;
    api.onSend = [&](std::span<const std::uint8_t>) {
        std::uint64_t at = 0;
        while (!stream.done()) {
            for (auto& item : stream.NextBatch(6)) {
                at += item.delay;
                const Raw raw(item.bytes);
                // Only what arrives by the last receive attempt (after 20 empty polls) counts.
                if (at <= 20 && raw.Cmd() == 0 && raw.P(0) == '0' && raw.P(1) == '1' &&
                    raw.P(2) == '0' && raw.P(3) == '1') {
                    ++loose;
                    if (raw.size() >= protocol::kHeaderSize + 38) ++strict;
                }
                api.Deliver(std::move(item.bytes), at);
            }
        }
    };
    RecordingDiscoveryView view;
    protocol::DiscoverDevices(api, view);
    CheckBalanced(api);
    Expect(api.sends == 1, "discovery sends one request");
    Expect(view.devices.size() >= strict && view.devices.size() <= loose,
           "records differ from the valid replies in the window");
    return 0;
}
