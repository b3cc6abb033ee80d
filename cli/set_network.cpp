// dravmoor set-network: the adapter's addressing. What is not given is what the setup wizard
// would send for an unchanged page.
#include "cli/context.h"
#include "cli/text.h"

#include <cctype>

namespace cli {

namespace {

bool IsContiguousMask(const std::string& dotted)
{
    std::uint32_t bits = 0;
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = dotted.find('.', at);
        bits = (bits << 8) | static_cast<std::uint32_t>(std::stoul(dotted.substr(at, dot - at)));
        at = dot + 1;
    }
    const std::uint32_t zeros = ~bits;
    return (zeros & (zeros + 1)) == 0;  // the zeros are the low bits only
}

}  // namespace

int SetNetwork(Context& c, const protocol::Mac& mac, const NetworkOptions& o)
{
    static const std::array<const char*, 5> kAddressOptions = {"--ip", "--mask", "--gateway",
                                                               "--dns1", "--dns2"};
    std::optional<std::uint8_t> mode;
    if (o.mode) {
        std::string given = *o.mode;
        for (char& ch : given) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (given == "static") {
            mode = 0;
        } else if (given == "dhcp") {
            mode = 1;
        } else {
            throw UsageError{"--mode takes static or dhcp"};
        }
    }
    bool allGiven = mode.has_value();
    for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
        const std::optional<std::string>& v = o.addresses[i];
        if (v && !IsDottedQuad(*v)) {
            throw UsageError{"'" + *v + "' is not a dotted-quad address (" + kAddressOptions[i] +
                             ")"};
        }
        allGiven = allGiven && v;
    }
    // A mask is ones then zeros; anything else no adapter can use.
    if (o.addresses[1] && !IsContiguousMask(protocol::NormalizedAddress(*o.addresses[1]))) {
        throw UsageError{"'" + *o.addresses[1] +
                         "' is not a subnet mask (ones, then zeros: e.g. 255.255.255.0)"};
    }

    protocol::DeviceInfo device;
    device.mac = mac;
    if (const int code = c.PrepareWrite(device, !allGiven); code != kExitOk) return code;
    protocol::NetworkSettings s = protocol::CurrentNetworkSettings(device);
    if (mode) s.ipMode = *mode;
    // As the window's address control sends them: "010.001.001.001" goes out as 10.1.1.1, so
    // an adapter that reads a leading zero as octal cannot store another address.
    for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
        if (o.addresses[i]) s.addresses[i] = protocol::NormalizedAddress(*o.addresses[i]);
    }
    StderrSink sink(c.io.err);
    return c.WriteResult(protocol::WriteNetworkInfo(c.api, sink, mac, s, c.Reach(&device)),
                         "network settings");
}

}  // namespace cli
