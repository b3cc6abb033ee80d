// The share-count reply: any count, up to 65,535, must lead to a bounded number of pages and
// never to more shares than were sent.
#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const protocol::Datagram d(raw.bytes().data(), raw.size());
    const std::uint16_t count = protocol::ReadShareCountReply(d);
    Expect(count == raw.U16(protocol::kHeaderSize), "share count field");
    const unsigned pages = protocol::SharePageCount(count);
    Expect(count == 0 ? pages == 0 : pages >= 1 && pages <= 256, "page count bounds");

    const Bytes reply(data, data + size);
    unsigned pagesAsked = 0;
    RunStatusQuery(
        [&](ScriptedSocketApi& api, std::span<const std::uint8_t> req) {
            const std::uint16_t cmd = RequestCmd(req);
            if (cmd == protocol::CMD_GET_SHARE_LIST) ++pagesAsked;
            api.Deliver(cmd == protocol::CMD_GET_SHARE_COUNT ? reply : CannedReply(req, count));
        },
        [&](const protocol::DeviceInfo& dev, const RecordingStatusView&) {
            Expect(pagesAsked <= 256, "more than 256 pages asked");
            pagesAsked = 0;
            if (raw.Cmd() != protocol::CMD_GET_SHARE_COUNT) return;
            if (raw.size() < protocol::kHeaderSize + 2) return;
            const std::size_t expected = count < 5120 ? count : 5120;
            Expect(dev.shares->size() == expected, "shares stored for the count");
        });
    return 0;
}
