// dravmoor-sim's command line, parsed with CLI11; the values are read by our own rules.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdlib>
#include <functional>
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
  --rename                a system-settings write also sets the name it carries (without
                          it the adapters keep their names, as most do)

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

A lossy segment, for every adapter (the options above do not limit it):
  --loss PERCENT          each adapter misses this share of the requests it receives, and
                          this share of the datagrams it sends is lost (0-100)
  --loss-requests PERCENT only the requests (each adapter draws for its own copy)
  --loss-answers PERCENT  only the answers

Other:
  --spread MS             discovery replies leave at random moments within MS milliseconds
                          (default 0: all at once)
  --seed N                random seed for --drop, --spread and the loss (default 1, so
                          a run repeats exactly)
  --ready FILE            create FILE once the socket is bound
  --port N                UDP port to serve (default 1638)
  --lab-network           start outside a private network namespace too, to serve a
                          separate lab network that you own: the simulated adapters answer
                          every broadcast that reaches them there
  --help                  this text
)";
}

namespace {

// Declares every option on `app`, writing into `o` and `help` as they are parsed.
void Define(CLI::App& app, Options& o, bool& help)
{
    app.set_help_flag();  // the usage text lists every option
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_flag("-h,--help", help);

    // A valued option whose text `read` turns into o's fields; false is an invalid value.
    const auto valued = [&app](const char* name, std::function<bool(std::string_view)> read) {
        app.add_option_function<std::string>(name, [name, read](const std::string& v) {
            if (!read(v)) {
                throw CLI::ValidationError("invalid value for " + std::string(name) + ": " + v);
            }
        });
    };
    const auto number = [&valued](const char* name, long min, long max, auto store) {
        valued(name, [=](std::string_view v) {
            long n;
            if (!ParseInt(v, min, max, n)) return false;
            store(n);
            return true;
        });
    };
    number("--adapters", 0, 100000, [&o](long n) { o.adapters = static_cast<int>(n); });
    number("--first", 1, 1000000, [&o](long n) { o.first = static_cast<int>(n); });
    valued("--shares", [&o](std::string_view v) {
        o.shareCounts.clear();
        for (std::string_view part : SplitCommas(v)) {
            long n;
            if (!ParseInt(part, 0, 0xffff, n)) return false;
            o.shareCounts.push_back(static_cast<int>(n));
        }
        return true;
    });
    valued("--password-required", [&o](std::string_view v) {
        o.passwordRequiredGiven = true;
        o.passwordRequired.clear();
        o.passwordRequiredAll = v == "all";
        return v == "all" || v == "none" || ParseIndexList(v, o.passwordRequired);
    });
    app.add_option("--admin", o.adminUser);
    app.add_option("--admin-password", o.adminPassword);
    app.add_flag("--long-names", o.longNames);
    app.add_flag("--non-utf8", o.nonUtf8);
    app.add_flag("--rename", o.rename);
    valued("--faulty", [&o](std::string_view v) { return ParseIndexList(v, o.faults.faulty); });
    valued("--silent", [&o](std::string_view v) {
        if (v == "all") {
            o.faults.silentAll = true;
            return true;
        }
        for (std::string_view part : SplitCommas(v)) {
            std::uint16_t cmd;
            if (!ParseCommand(part, cmd)) return false;
            o.faults.silentCommands.insert(cmd);
        }
        return true;
    });
    number("--drop", 0, 100, [&o](long n) { o.faults.dropRate = static_cast<double>(n) / 100.0; });
    const auto share = [](long n) { return static_cast<double>(n) / 100.0; };
    number("--loss", 0, 100, [&o, share](long n) { o.loss.requests = o.loss.answers = share(n); });
    number("--loss-requests", 0, 100, [&o, share](long n) { o.loss.requests = share(n); });
    number("--loss-answers", 0, 100, [&o, share](long n) { o.loss.answers = share(n); });
    number("--delay", 0, 600000, [&o](long n) { o.faults.delayMs = static_cast<int>(n); });
    app.add_flag("--double", o.faults.doubleReplies);
    app.add_flag("--wrong-cmd-first", o.faults.wrongCmdFirst);
    app.add_flag("--bad-signature-first", o.faults.badSignatureFirst);
    number("--short", 0, 65507,
           [&o](long n) { o.faults.shortReplies = static_cast<std::size_t>(n); });
    app.add_flag("--refuse-network", o.faults.refuseNetwork);
    number("--spread", 0, 60000, [&o](long n) { o.spreadMs = static_cast<int>(n); });
    number("--seed", 0, 0xffffffffL, [&o](long n) { o.seed = static_cast<std::uint32_t>(n); });
    app.add_option("--ready", o.readyFile);
    app.add_flag("--lab-network", o.labNetwork);
    number("--port", 1, 0xffff, [&o](long n) { o.port = static_cast<std::uint16_t>(n); });
}

}  // namespace

std::vector<std::string> OptionNames()
{
    Options o;
    bool help = false;
    CLI::App app{"", "dravmoor-sim"};
    Define(app, o, help);
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& n : option->get_lnames()) names.push_back("--" + n);
    }
    return names;
}

std::optional<Options> ParseOptions(int argc, char** argv, std::string& error, bool& help)
{
    Options o;
    help = false;
    error.clear();
    CLI::App app{"", "dravmoor-sim"};
    Define(app, o, help);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (!help) {
            error = e.what();
            return std::nullopt;
        }
    }
    if (help) return std::nullopt;
    return o;
}

}  // namespace sim
