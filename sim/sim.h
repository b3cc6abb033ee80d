// dravmoor-sim: the adapter side of the management protocol, for tests and the demo.
// This header holds the simulated adapters' state, the options that shape them and their
// faults, and the request handler that turns one received datagram into the replies to send.
// Replies are encoded here, independently of protocol/, so a codec mistake on either side
// shows up as a disagreement instead of cancelling out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace sim {

using Mac = std::array<std::uint8_t, 6>;
using Bytes = std::vector<std::uint8_t>;

struct Disk {
    std::string shareName;  // 36 bytes on the wire
    std::string deviceId;   // 16
    std::string fsType;     // 10
    std::int32_t totalSizeMB = 0;
    std::int16_t freePercent = 0;
};

struct Adapter {
    int index = 0;  // 1-based, as in the options and the log
    Mac mac{};
    std::string name;  // texts are 8-bit bytes, cut to their field widths when sent
    std::uint16_t webPort = 80;
    std::string firmware;  // four characters
    std::string description;
    std::uint8_t passwordRequired = 0;
    std::string adminUser;
    std::string adminPassword;
    // The adapter's clock runs with the host's, shifted by what the last SET asked for.
    std::int64_t clockOffset = 0;
    std::uint8_t timezone = 0;
    std::uint8_t ipMode = 0;               // 0 static, 1 DHCP
    std::array<std::string, 5> addresses;  // ip, mask, gateway, dns1, dns2
    std::vector<std::string> shares;
    std::vector<Disk> disks;
};

// Fault switches; they apply to the adapters in `faulty` (all when empty).
struct Faults {
    std::set<int> faulty;
    std::set<std::uint16_t> silentCommands;  // no reply at all to these
    bool silentAll = false;
    double dropRate = 0.0;  // share of replies not sent, 0..1
    int delayMs = 0;        // every reply leaves this much later
    bool doubleReplies = false;
    bool wrongCmdFirst = false;               // a reply with another cmd goes out first
    bool badSignatureFirst = false;           // discovery/system replies: one with "0102" first
    std::optional<std::size_t> shortReplies;  // cut every reply to this many bytes
    bool refuseNetwork = false;               // SET_NETWORK_INFO answers status 1, changes nothing
};

// A lossy segment between the client and every adapter: each adapter misses a received
// request, and each datagram it sends is lost, at random with these shares (0..1).
struct Loss {
    double requests = 0.0;
    double answers = 0.0;
};

struct Options {
    int adapters = 3;
    // Number of the first adapter's MAC and address, so simulators on several networks
    // serve distinct adapters; options and the log still count the adapters from 1.
    int first = 1;
    std::vector<int> shareCounts;    // per adapter; the last one repeats; empty = defaults
    std::set<int> passwordRequired;  // 1-based indices
    bool passwordRequiredAll = false;
    bool passwordRequiredGiven = false;  // false: the built-in default (adapter 2)
    std::string adminUser = "admin";
    std::string adminPassword = "admin";
    bool longNames = false;  // every text fills its field
    bool nonUtf8 = false;    // texts with bytes of 128 and more (Latin-1)
    // CMD_SET_SYSTEM_INFO also sets the name it carries (by default the name is kept).
    bool rename = false;
    std::uint32_t seed = 1;
    std::string readyFile;  // written once the socket is bound
    std::uint16_t port = 1638;
    // Discovery replies leave at random moments within this window, as adapters that answer
    // at their own pace; 0 sends them all at once.
    int spreadMs = 0;
    bool labNetwork = false;  // may run outside a private network namespace
    Faults faults;
    Loss loss;
};

// Parses the command line. On error returns nullopt with `error` set; "--help" sets
// `help` and returns nullopt with an empty error.
std::optional<Options> ParseOptions(int argc, char** argv, std::string& error, bool& help);
const char* UsageText();
std::vector<std::string> OptionNames();  // every long option the parser knows

std::vector<Adapter> BuildAdapters(const Options& options);

// One datagram to send back to the requester, possibly after a delay.
struct Reply {
    Bytes bytes;
    int delayMs = 0;
};

struct Handled {
    std::vector<Reply> replies;
    std::string log;  // what happened, for the one log line of this request
};

// Turns a received request into replies, changing adapter state for SET commands.
// `hostNow` is the host's clock in seconds since the epoch (UTC).
class Simulator {
public:
    explicit Simulator(Options options);
    Handled Handle(const std::uint8_t* data, std::size_t length, std::int64_t hostNow);
    std::vector<Adapter>& adapters() { return m_adapters; }
    const Options& options() const { return m_options; }

private:
    Adapter* Find(const Mac& mac);
    bool Faulty(const Adapter& a) const;
    // Encodes the reply of `a` to a request, or nullopt when the adapter stays silent.
    std::optional<Bytes> Answer(Adapter& a, std::uint16_t cmd, const std::uint8_t* payload,
                                std::size_t payloadLength, std::int64_t hostNow, std::string& note);
    // Applies the reply faults and the loss, and appends what goes out; returns how many
    // datagrams the loss took.
    int Emit(const Adapter& a, Bytes reply, std::vector<Reply>& out, std::string& note);
    bool Lost(double share);  // a random draw against a share of Loss

    Options m_options;
    std::vector<Adapter> m_adapters;
    std::mt19937 m_random;
};

// Helpers shared with the tests.
std::string MacText(const Mac& mac);
std::string CommandName(std::uint16_t cmd);
// "YYYYMMDD" and "hhmmss" of a UTC time; parsing back gives nullopt for anything invalid.
void ClockTexts(std::int64_t t, std::string& date, std::string& time);
std::optional<std::int64_t> ParseClock(const std::string& date, const std::string& time);
bool IsDottedQuad(const std::string& text);

}  // namespace sim
