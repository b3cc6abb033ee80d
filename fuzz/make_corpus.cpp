// Writes the seed corpus: well-formed replies of every kind plus the boundary cases worth
// starting from (full-width texts, extreme counts, foreign commands).
//   fuzz_make_corpus DIR   -> DIR/<target>/<seed>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/harness.h"

using namespace fuzzing;
namespace fs = std::filesystem;

namespace {

fs::path g_root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes)
{
    const fs::path dir = g_root / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes WithCmd(Bytes b, std::uint16_t cmd)
{
    b[0] = static_cast<std::uint8_t>(cmd);
    b[1] = static_cast<std::uint8_t>(cmd >> 8);
    return b;
}

// A well-behaved adapter's answers to a whole status query, one per request.
Bytes StatusConversation(unsigned shares, unsigned disks)
{
    Bytes out;
    auto one = [&](const Bytes& b) { AppendBatch(out, {{0, b}}); };
    one(SystemInfoReply());
    one(NetworkInfoReply());
    one(ShareCountReply(shares));
    if (shares > 0) {
        for (unsigned p = 0; p < shares / 20 + 1; ++p) one(SharePageReply(p, shares));
    }
    one(DiskInfoReply(disks));
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    g_root = argv[1];

    Write("discovery_reply", "valid", DiscoveryReply());
    Write("discovery_reply", "full-fields",
          DiscoveryReply("ABCDEFGHIJKLMNOP", "255.255.255.255", 8080));
    Bytes badSig = DiscoveryReply();
    badSig[15] = '2';
    Write("discovery_reply", "signature-0102", badSig);
    Write("discovery_reply", "wrong-cmd", WithCmd(DiscoveryReply(), 1));

    Write("system_info", "valid", SystemInfoReply());
    Bytes fullSys = SystemInfoReply();
    for (std::size_t i = 0; i < 64; ++i) fullSys[12 + 25 + i] = static_cast<std::uint8_t>(0x80 + i);
    Write("system_info", "full-description-8bit", fullSys);
    Write("system_info", "wrong-cmd", WithCmd(SystemInfoReply(), 18));

    Write("network_info", "valid", NetworkInfoReply());
    Bytes dhcp = NetworkInfoReply();
    dhcp[12] = 1;
    Write("network_info", "dhcp", dhcp);
    dhcp[12] = 2;
    Write("network_info", "mode-2", dhcp);

    for (unsigned n : {0u, 20u, 45u, 5120u, 32768u, 65535u}) {
        Write("share_count", "count-" + std::to_string(n), ShareCountReply(n));
    }

    for (unsigned p = 0; p < 3; ++p) {
        Write("share_page", "page-" + std::to_string(p), SharePageReply(p, 45));
    }
    Bytes overfull = SharePageReply(0, 20);
    overfull[13] = 255;  // claims more records than the datagram holds
    Write("share_page", "entry-count-255", overfull);

    for (unsigned n : {0u, 2u, 14u})
        Write("disk_info", "disks-" + std::to_string(n), DiskInfoReply(n));
    Bytes lying = DiskInfoReply(1);
    lying[12] = 255;
    Write("disk_info", "disk-count-255", lying);

    Write("verify_reply", "accepted", StatusReply(protocol::CMD_VERIFY, 0));
    Write("verify_reply", "refused", StatusReply(protocol::CMD_VERIFY, 1));
    Write("verify_reply", "other-cmd", StatusReply(protocol::CMD_GET_NETWORK_INFO, 5));

    Write("write_reply", "accepted", StatusReply(protocol::CMD_SET_NETWORK_INFO, 0));
    Write("write_reply", "refused", StatusReply(protocol::CMD_SET_NETWORK_INFO, 1));
    Write("write_reply", "other-cmd", StatusReply(protocol::CMD_GET_NETWORK_INFO, 5));

    Bytes three;
    AppendBatch(three, {{0, DiscoveryReply("NAS-1")},
                        {3, DiscoveryReply("NAS-2")},
                        {17, DiscoveryReply("NAS-3")}});
    Write("discovery_stream", "three-adapters", three);
    Bytes junk;
    AppendBatch(junk, {{0, WithCmd(DiscoveryReply(), 16)}, {0, badSig}, {1, DiscoveryReply()}});
    Write("discovery_stream", "junk-then-valid", junk);

    Write("status_stream", "45-shares-2-disks", StatusConversation(45, 2));
    Write("status_stream", "no-shares", StatusConversation(0, 0));
    Bytes late;  // the system-info answer comes twice, so every later answer is one behind
    AppendBatch(late, {{0, SystemInfoReply()}, {0, SystemInfoReply()}});
    const Bytes rest = StatusConversation(20, 1);
    late.insert(late.end(), rest.begin(), rest.end());
    Write("status_stream", "doubled-reply", late);
    Bytes silent;
    AppendBatch(silent, {{0, SystemInfoReply()}});
    AppendBatch(silent, {});
    Write("status_stream", "network-info-unanswered", silent);
    return 0;
}
