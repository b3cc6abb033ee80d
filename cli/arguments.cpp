// The command line of dravmoor: CLI11 parses it, the commands run from what it found.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>

#include "cli/commands.h"
#include "cli/context.h"
#include "cli/many.h"
#include "cli/output.h"
#include "cli/text.h"
#include "protocol/exchange.h"
#include "protocol/limits.h"
#include "protocol/status_query.h"
#include "protocol/wire_text.h"

namespace cli {

namespace {

protocol::Mac Mac(const std::string& text)
{
    const std::optional<protocol::Mac> mac = ParseMac(text);
    if (!mac) throw UsageError{"'" + text + "' is not a MAC address (xx:xx:xx:xx:xx:xx)"};
    return *mac;
}

// The parser with the storage its options write to; built in place, as CLI11 keeps pointers.
class Parser {
public:
    Parser()
    {
        m_app.set_help_flag();  // our own usage text lists every command's options
        // Options are "--name" everywhere: on Windows too "/plans/x.csv" is a path, not an option.
        m_app.allow_windows_style_options(false);
        m_app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        m_app.fallthrough();  // --json and --help may also follow the command
        m_app.require_subcommand(1);
        m_app.add_flag("--json", json);
        m_app
            .add_option_function<std::string>(
                "--interface", [this](const std::string& name) { interfaces.push_back(name); })
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->trigger_on_parse();
        m_app.add_flag("-h,--help", help);
        m_app.add_flag("--version", version);
        m_app.add_option("--retries", retries)->check(CLI::Range(0, 10));
        discover = Command("discover", false);
        timezones = Command("timezones", false);
        helpCommand = Command("help", false);
        helpCommand->add_option("COMMAND", helpTopic);
        status = Command("status", true);
        verify = Command("verify", true);
        verify->add_option("--user", user);
        setSystem = Command("set-system", true);
        Add(setSystem, "--name", system.name);
        Add(setSystem, "--description", system.description);
        Add(setSystem, "--date", system.date);
        Add(setSystem, "--time", system.time);
        Add(setSystem, "--timezone", system.timezone);
        Add(setSystem, "--password-required", system.passwordRequired);
        setSystem->add_option("--user", user);
        setNetwork = Command("set-network", true);
        Add(setNetwork, "--mode", network.mode);
        const std::array<const char*, 5> addressNames{"--ip", "--mask", "--gateway", "--dns1",
                                                      "--dns2"};
        for (std::size_t i = 0; i < addressNames.size(); ++i)
            Add(setNetwork, addressNames[i], network.addresses[i]);
        setNetwork->add_option("--user", user);
        exportCommand = Command("export", false);
        exportCommand->add_option("--output", output);
        apply = Command("apply", false);
        apply->add_option("PLAN", applyOptions.plan)->required();
        apply->add_flag("--dry-run", applyOptions.dryRun);
        apply->add_flag("--force", applyOptions.force);
        apply->add_option("--user", user);
        watch = Command("watch", false);
        watch->add_option("--interval", watchOptions.interval)->check(CLI::Range(1, 3600));
        watch->add_option("--count", watchOptions.count)->check(CLI::Range(0, 1000000));
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Throws CLI::ParseError.
    void Parse(const std::vector<std::string>& args)
    {
        std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 pops the back
        m_app.parse(reversed);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        const auto collect = [&names](const CLI::App* app) {
            for (const CLI::Option* o : app->get_options()) {
                for (const std::string& n : o->get_lnames()) names.push_back("--" + n);
            }
        };
        collect(&m_app);
        for (const CLI::App* sub : m_app.get_subcommands({})) {
            names.push_back(sub->get_name());
            collect(sub);
        }
        return names;
    }

    // False when no command was recognised: the first word is then not one.
    bool Known(const std::vector<std::string>& args) const
    {
        return !m_app.get_subcommands().empty() ||
               std::all_of(args.begin(), args.end(),
                           [](const std::string& a) { return !a.empty() && a[0] == '-'; });
    }
    std::string UnknownCommand(const std::vector<std::string>& args) const
    {
        const auto word = std::find_if(args.begin(), args.end(), [](const std::string& a) {
            return a.empty() || a[0] != '-';
        });
        return "unknown command '" + *word + "'";
    }

    bool json = false, help = false, version = false;
    std::string helpTopic;
    int retries = protocol::kFieldResends.retries;
    std::string mac, user = "admin";
    protocol::Route interfaces;
    SystemOptions system;
    NetworkOptions network;
    std::string output;
    ApplyOptions applyOptions;
    WatchOptions watchOptions;
    CLI::App *discover = nullptr, *status = nullptr, *verify = nullptr, *setSystem = nullptr,
             *setNetwork = nullptr, *timezones = nullptr, *helpCommand = nullptr,
             *exportCommand = nullptr, *apply = nullptr, *watch = nullptr;

private:
    CLI::App* Command(const char* name, bool takesMac)
    {
        CLI::App* c = m_app.add_subcommand(name);
        c->fallthrough();
        if (takesMac) c->add_option("MAC", mac)->required();
        return c;
    }
    // Options given are set; the others stay empty (nullopt).
    static void Add(CLI::App* command, const char* name, std::optional<std::string>& to)
    {
        command->add_option_function<std::string>(name, [&to](const std::string& v) { to = v; });
    }

    CLI::App m_app{"", "dravmoor"};
};

// The resend policy and the waiting line for one run, restored when it ends.
class ResendScope {
public:
    ResendScope(int retries, std::FILE* err) : m_saved(protocol::CurrentResendPolicy())
    {
        protocol::SetResendPolicy({retries, protocol::kFieldResends.first});
        protocol::SetResendNotice(
            [this, err](std::uint16_t, const protocol::Mac& mac, bool askingAgain) {
                // Once a run is enough to know why it takes long; exchanges for several
                // adapters may tell it at the same moment.
                if (m_told.exchange(true)) return;
                std::fprintf(err, "dravmoor: no answer yet from %s, %s\n",
                             protocol::MacText(mac).c_str(),
                             askingAgain ? "asking again" : "still waiting");
            });
    }
    ~ResendScope()
    {
        protocol::SetResendPolicy(m_saved);
        protocol::SetResendNotice({});
    }
    ResendScope(const ResendScope&) = delete;
    ResendScope& operator=(const ResendScope&) = delete;

private:
    protocol::ResendPolicy m_saved;
    std::atomic<bool> m_told{false};
};

}  // namespace

const char* UsageText()
{
    return R"(Usage: dravmoor [--json] COMMAND [ARGUMENTS]
Finds and sets up the storage adapters on this network segment (UDP port 1638, broadcast).

Commands:
  discover                  list the adapters that answer (takes about 2 seconds)
  timezones                 the positions of the timezone list, with their texts
  help [COMMAND]            this text, or the lines about one command
  status MAC                firmware, addresses, shares and disks of one adapter
  verify MAC [--user NAME]  check the administrator's name (default "admin") and password;
                            the password is read from standard input, or asked for without
                            echo when standard input is a terminal
  set-system MAC [--name NAME] [--description TEXT] [--date YYYY-MM-DD] [--time hh:mm:ss]
                 [--timezone N] [--password-required yes|no] [--user NAME]
                            write the adapter's system settings
  set-network MAC [--mode static|dhcp] [--ip A] [--mask A] [--gateway A] [--dns1 A] [--dns2 A]
                  [--user NAME]
                            write the adapter's addressing
  export [--output FILE]    every adapter as a CSV row (with --json: a JSON array), in the
                            columns a plan of apply takes
  apply PLAN [--dry-run] [--force] [--user NAME]
                            set up the adapters a plan (CSV or JSON, as export writes it)
                            names: the whole plan is checked before anything is sent, only
                            what differs is written, and each adapter is read back;
                            --dry-run shows the differences and writes nothing, --force
                            accepts warnings (an address outside this computer's subnets)
  watch [--interval SECONDS] [--count N]
                            a discovery every SECONDS (default 5) until Ctrl+C (or N
                            discoveries): a line when an adapter appears, is gone (missed
                            two discoveries), or changes its name or address

A write sends every field: the fields not given keep the adapter's current values, read by
a status query first, which also finds the interface the adapter answers on; verification and
writes leave only there. When the adapter asks for the password, a write first checks the
administrator's name (--user, default "admin") and password, read as for verify. set-system also sends the adapter's name back unchanged; it is taken
from --name or, without it, from a discovery. MAC is written xx:xx:xx:xx:xx:xx. The
description allows 0-9 a-z A-Z space - _ (at most 63); the timezone is the position in the
setup wizard's timezone list (0 to 74), or a part of one entry's text that no other entry
holds (e.g. Beijing), case and surrounding spaces ignored; --mode ignores case.

Options:
  --json            print results as JSON on standard output
  --interface NAME  ask only by this network interface (repeatable); without it every
                    interface that can broadcast is asked, and an adapter found or answering
                    on one is then asked there only
  --retries N       ask again up to N times (0 to 10, default 4) when nothing answers within
                    a second, at a doubling interval; discovery asks up to 3 times in all.
                    0 sends every request once
  --help            this text
  --version         the program's version

Output is UTF-8. On a Windows console it is written as the console's Unicode instead;
redirected to a file or a pipe it stays UTF-8.

Exit status: 0 success, 1 network failure or unexpected answer, 2 bad arguments,
3 no answer (time-out), 4 refused by the adapter. Errors go to standard error, one line each,
starting with "dravmoor:"; with --json the last one also ends standard output as
{"error": TEXT, "exitStatus": N}.
)";
}

std::vector<std::string> OptionNames()
{
    return Parser().Names();
}

namespace {

// The usage lines about one command: from its line in the list to the next command's.
std::string CommandUsage(const std::string& command)
{
    const std::string text = UsageText();
    const std::string start = "\n  " + command + " ";
    const std::size_t at = text.find(start);
    if (at == std::string::npos) return {};
    std::size_t end = at + 1;
    for (;;) {
        end = text.find("\n  ", end + 1);
        if (end == std::string::npos || text.compare(end + 3, 1, " ") != 0) break;
    }
    return "Usage: dravmoor [--json] " + text.substr(at + 3, end - at - 2);
}

// The help text, laid out for the terminal (80 columns when its width is not known).
void PrintUsage(const std::string& text, const Io& io, std::FILE* to)
{
    // One column short of the width: a full line would wrap on its own on some consoles.
    const int columns = io.columns > 0 ? std::max(io.columns, 40) : 80;
    std::fputs(WrapText(text, static_cast<std::size_t>(columns - 1)).c_str(), to);
}

int RunParsed(Parser& p, const std::vector<std::string>& args, sockets::SocketApi& api,
              const Io& io)
{
    try {
        p.Parse(args);
    } catch (const CLI::ParseError& e) {
        if (!p.help && !p.version)
            throw UsageError{p.Known(args) ? e.what() : p.UnknownCommand(args)};
    }
    if (p.help) {
        PrintUsage(UsageText(), io, io.out);
        return kExitOk;
    }
    if (p.version) {
        std::fprintf(io.out, "dravmoor %s\n", DRAVMOOR_VERSION);
        return kExitOk;
    }
    if (p.helpCommand->parsed()) {
        if (p.helpTopic.empty()) {
            PrintUsage(UsageText(), io, io.out);
            return kExitOk;
        }
        const std::string usage = CommandUsage(p.helpTopic);
        if (usage.empty()) throw UsageError{"unknown command '" + p.helpTopic + "'"};
        PrintUsage(usage, io, io.out);
        return kExitOk;
    }
    // The choices hold for this run only: Run may be called again (tests).
    const ResendScope resends(p.retries, io.err);
    Context c(api, io, p.json, p.interfaces);
    if (p.discover->parsed()) return Discover(c);
    if (p.timezones->parsed()) return Timezones(c);
    if (p.exportCommand->parsed()) return Export(c, p.output);
    if (p.watch->parsed()) return Watch(c, p.watchOptions);
    if (p.apply->parsed()) {
        if (!protocol::FitsWire(p.user, protocol::kNameWidth))
            throw UsageError{"the name does not fit in the adapter's 16 bytes (UTF-8)"};
        c.user = p.user;
        return Apply(c, p.applyOptions);
    }
    const protocol::Mac mac = Mac(p.mac);
    if (!protocol::FitsWire(p.user, protocol::kNameWidth))
        throw UsageError{"the name does not fit in the adapter's 16 bytes (UTF-8)"};
    c.user = p.user;
    if (p.status->parsed()) return Status(c, mac);
    if (p.verify->parsed()) return Verify(c, mac);
    if (p.setSystem->parsed()) return SetSystem(c, mac, p.system);
    return SetNetwork(c, mac, p.network);
}

}  // namespace

int Run(const std::vector<std::string>& args, sockets::SocketApi& api, const Io& io)
{
    StderrSink::NewRun();
    TakeLastError();
    // Without a command there is nothing to do: the usage, as for any other wrong call.
    if (args.empty()) {
        ErrorLine(io.err, "no command given");
        PrintUsage(UsageText(), io, io.err);
        return kExitUsage;
    }
    Parser p;
    int code = kExitOk;
    try {
        code = RunParsed(p, args, api, io);
    } catch (const UsageError& e) {
        ErrorLine(io.err, e.text + " (see dravmoor --help)");
        code = kExitUsage;
    }
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    std::string error = TakeLastError();
    if (json && code != kExitOk) {
        if (error.empty()) error = "exit status " + std::to_string(code);
        PrintJson(io.out, {{"error", error}, {"exitStatus", code}});
    }
    return code;
}

}  // namespace cli
