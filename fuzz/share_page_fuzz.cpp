// A share page reply answering every page request of a device that claims 45 shares.
#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const protocol::Datagram d(raw.bytes().data(), raw.size());
    const protocol::SharePage page = protocol::ReadSharePageReply(d);
    Expect(page.pageIndex == raw.P(0) && page.entryCount == raw.P(1), "page header");
    Expect(page.records.size() <= protocol::kSharesPerPage, "more than 20 records");
    Expect(page.records.size() <= page.entryCount, "more records than claimed");
    const std::size_t fit =
        raw.size() > protocol::kHeaderSize + 2 ? (raw.size() - protocol::kHeaderSize - 2) / 36 : 0;
    Expect(page.records.size() <= fit, "records past the datagram");
    for (std::size_t i = 0; i < page.records.size(); ++i) {
        Expect(raw.Same(page.records[i], 2 + 36 * i, 36), "record bytes");
    }

    const Bytes reply(data, data + size);
    RunStatusQuery(
        [&](ScriptedSocketApi& api, std::span<const std::uint8_t> req) {
            api.Deliver(RequestCmd(req) == protocol::CMD_GET_SHARE_LIST ? reply : CannedReply(req));
        },
        [&](const protocol::DeviceInfo& dev, const RecordingStatusView&) {
            // Only the page whose index it echoes can be kept.
            Expect(dev.shares->size() <= page.records.size(), "shares from a dropped page");
            if (raw.Cmd() != protocol::CMD_GET_SHARE_LIST || page.pageIndex > 2) {
                Expect(dev.shares->empty(), "shares from a mismatched page");
            }
        });
    return 0;
}
