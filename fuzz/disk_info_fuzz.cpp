// The disk-table reply, through the reader and through the status query's disk rows.
#include "fuzz/harness.h"
#include "tests/support/oracle.h"

using namespace fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Raw raw({data, size});
    const protocol::Datagram d(raw.bytes().data(), raw.size());
    const std::vector<protocol::DiskEntry> disks = protocol::ReadDiskInfoReply(d);
    Expect(disks.size() <= protocol::kMaxDiskEntries, "more than 14 disks");
    Expect(disks.size() <= raw.P(0), "more disks than claimed");
    const std::size_t fit =
        raw.size() > protocol::kHeaderSize + 1 ? (raw.size() - protocol::kHeaderSize - 1) / 68 : 0;
    Expect(disks.size() <= fit, "disk records past the datagram");
    for (std::size_t i = 0; i < disks.size(); ++i) {
        const std::size_t at = 1 + 68 * i;
        Expect(raw.Same(disks[i].shareName, at, 36) && raw.Same(disks[i].deviceId, at + 36, 16) &&
                   raw.Same(disks[i].fsType, at + 52, 10),
               "disk record texts");
    }

    const Bytes reply(data, data + size);
    RunStatusQuery(
        [&](ScriptedSocketApi& api, std::span<const std::uint8_t> req) {
            api.Deliver(RequestCmd(req) == protocol::CMD_GET_DISK_INFO ? reply : CannedReply(req));
        },
        [&](const protocol::DeviceInfo&, const RecordingStatusView& view) {
            if (raw.Cmd() != protocol::CMD_GET_DISK_INFO) {
                Expect(view.disks.empty(), "disk rows from another reply");
                return;
            }
            Expect(view.disks.size() == disks.size(), "one row per readable disk record");
            for (const auto& row : view.disks) {
                Expect(!row[4].empty() && row[4].back() == '%', "free space text");
            }
        });
    return 0;
}
