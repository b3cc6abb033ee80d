// dravmoor-sim's command line.
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "sim/sim.h"

namespace sim {
namespace {

bool ParseInt(std::string_view text, long min, long max, long& out)
{
    if (text.empty() || text.size() > 18) return false;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < min || value > max) return false;
    out = value;
    return true;
}

std::vector<std::string_view> SplitCommas(std::string_view text)
{
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return parts;
}

bool ParseIndexList(std::string_view text, std::set<int>& out)
{
    for (std::string_view part : SplitCommas(text)) {
        long n;
        if (!ParseInt(part, 1, 1000000, n)) return false;
        out.insert(static_cast<int>(n));
    }
    return true;
}

bool ParseCommand(std::string_view text, std::uint16_t& cmd)
{
    long n;
    if (ParseInt(text, 0, 0xffff, n)) {
        cmd = static_cast<std::uint16_t>(n);
        return true;
    }
    std::string wanted;
    for (char c : text) wanted.push_back(c == '-' ? '_' : static_cast<char>(std::toupper(c)));
    for (int n16 : {0, 16, 17, 18, 19, 20, 21, 32, 33}) {
        const auto code = static_cast<std::uint16_t>(n16);
        if (CommandName(code) == wanted) {
            cmd = code;
            return true;
        }
    }
    return false;
}

}  // namespace

const char* UsageText()
{
    return R"(Usage: dravmoor-sim [OPTIONS]
Serves simulated storage adapters on UDP port 1638 until SIGINT or SIGTERM. Run it only
inside a private network namespace (scripts/netns.sh): it refuses to start in the host's
own unless --lab-network is given. One log line per request on stderr.

Adapters:
  --adapters N            number of adapters (default 3)
  --first N               number in the first adapter's MAC and address (default 1), so
                          simulators on several networks serve distinct adapters
  --shares N[,N...]       share count per adapter, the last one repeats
                          (default 3, 2, 5 for the first three adapters, 2 after)
  --password-required L   adapters that demand the administrator's name and password:
                          numbers (1-based, comma-separated), "all" or "none" (default 2)
  --admin NAME            administrator name (default admin)
  --admin-password PW     administrator password (default admin)
  --long-names            every text fills its field (names 16, descriptions 64, ...)
  --non-utf8              names and descriptions with Latin-1 bytes (128 and more)

Faults, for the adapters listed in --faulty (all when not given):
  --faulty L              adapter numbers the faults apply to
  --silent CMDS           no reply to these commands: numbers or names such as
                          GET_SYSTEM_INFO or get-share-list, comma-separated, or "all"
  --drop PERCENT          leave this share of replies unsent (0-100)
  --delay MS              send every reply MS milliseconds later
  --double                send every reply twice
  --wrong-cmd-first       send a copy with another cmd before each reply
  --bad-signature-first   discovery and system-info replies: one with signature "0102" first
  --short BYTES           cut every reply to BYTES bytes
  --refuse-network        answer CMD_SET_NETWORK_INFO with status 1 and change nothing

Other:
  --spread MS             discovery replies leave at random moments within MS milliseconds
                          (default 0: all at once)
  --seed N                random seed for --drop and --spread (default 1)
  --ready FILE            create FILE once the socket is bound
  --port N                UDP port to serve (default 1638)
  --lab-network           start outside a private network namespace too, to serve a
                          separate lab network that you own: the simulated adapters answer
                          every broadcast that reaches them there
  --help                  this text
)";
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error, bool& help)
{
    Options o;
    help = false;
    error.clear();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view& out) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto bad = [&](std::string_view v) {
            error = "invalid value for " + std::string(arg) + ": " + std::string(v);
            return std::nullopt;
        };
        std::string_view v;
        long n;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        } else if (arg == "--adapters") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 0, 100000, n)) return bad(v);
            o.adapters = static_cast<int>(n);
        } else if (arg == "--first") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 1, 1000000, n)) return bad(v);
            o.first = static_cast<int>(n);
        } else if (arg == "--shares") {
            if (!value(v)) return std::nullopt;
            o.shareCounts.clear();
            for (std::string_view part : SplitCommas(v)) {
                if (!ParseInt(part, 0, 0xffff, n)) return bad(v);
                o.shareCounts.push_back(static_cast<int>(n));
            }
        } else if (arg == "--password-required") {
            if (!value(v)) return std::nullopt;
            o.passwordRequiredGiven = true;
            o.passwordRequired.clear();
            o.passwordRequiredAll = v == "all";
            if (v != "all" && v != "none" && !ParseIndexList(v, o.passwordRequired)) {
                return bad(v);
            }
        } else if (arg == "--admin") {
            if (!value(v)) return std::nullopt;
            o.adminUser = v;
        } else if (arg == "--admin-password") {
            if (!value(v)) return std::nullopt;
            o.adminPassword = v;
        } else if (arg == "--long-names") {
            o.longNames = true;
        } else if (arg == "--non-utf8") {
            o.nonUtf8 = true;
        } else if (arg == "--faulty") {
            if (!value(v)) return std::nullopt;
            if (!ParseIndexList(v, o.faults.faulty)) return bad(v);
        } else if (arg == "--silent") {
            if (!value(v)) return std::nullopt;
            if (v == "all") {
                o.faults.silentAll = true;
            } else {
                for (std::string_view part : SplitCommas(v)) {
                    std::uint16_t cmd;
                    if (!ParseCommand(part, cmd)) return bad(part);
                    o.faults.silentCommands.insert(cmd);
                }
            }
        } else if (arg == "--drop") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 0, 100, n)) return bad(v);
            o.faults.dropRate = static_cast<double>(n) / 100.0;
        } else if (arg == "--delay") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 0, 600000, n)) return bad(v);
            o.faults.delayMs = static_cast<int>(n);
        } else if (arg == "--double") {
            o.faults.doubleReplies = true;
        } else if (arg == "--wrong-cmd-first") {
            o.faults.wrongCmdFirst = true;
        } else if (arg == "--bad-signature-first") {
            o.faults.badSignatureFirst = true;
        } else if (arg == "--short") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 0, 65507, n)) return bad(v);
            o.faults.shortReplies = static_cast<std::size_t>(n);
        } else if (arg == "--refuse-network") {
            o.faults.refuseNetwork = true;
        } else if (arg == "--spread") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 0, 60000, n)) return bad(v);
            o.spreadMs = static_cast<int>(n);
        } else if (arg == "--seed") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 0, 0xffffffffL, n)) return bad(v);
            o.seed = static_cast<std::uint32_t>(n);
        } else if (arg == "--ready") {
            if (!value(v)) return std::nullopt;
            o.readyFile = v;
        } else if (arg == "--lab-network") {
            o.labNetwork = true;
        } else if (arg == "--port") {
            if (!value(v)) return std::nullopt;
            if (!ParseInt(v, 1, 0xffff, n)) return bad(v);
            o.port = static_cast<std::uint16_t>(n);
        } else {
            error = "unknown option " + std::string(arg);
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace sim
