// The system-information reply, through the reader and through the status query.
#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const protocol::Datagram d(raw.bytes().data(), raw.size());
    const protocol::SystemInfoReply r = protocol::ReadSystemInfoReply(d);
    Expect(raw.Same(r.signature, 0, 4) && raw.Same(r.firmware, 4, 4) &&
               r.passwordRequired == raw.P(8) && raw.Same(r.name, 9, 16) &&
               raw.Same(r.description, 25, 64) && raw.Same(r.date, 89, 8) &&
               raw.Same(r.time, 97, 6) && r.timezone == raw.P(103),
           "system info fields");

    const Bytes reply(data, data + size);
    RunStatusQuery(
        [&](ScriptedSocketApi& api, std::span<const std::uint8_t> req) {
            api.Deliver(RequestCmd(req) == protocol::CMD_GET_SYSTEM_INFO ? reply
                                                                         : CannedReply(req));
        },
        [&](const protocol::DeviceInfo& dev, const RecordingStatusView&) {
            if (raw.Cmd() != protocol::CMD_GET_SYSTEM_INFO) return;
            if (raw.size() < protocol::kHeaderSize + 104) return;  // short: reader's choice
            Expect(raw.Same(dev.description, 25, 64) && raw.Same(dev.firmware, 4, 4) &&
                       raw.Same(dev.date, 89, 8) && raw.Same(dev.time, 97, 6),
                   "stored system info");
        });
    return 0;
}
