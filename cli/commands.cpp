#include "cli/commands.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <map>
#include <memory>

#include "cli/hint.h"
#include "cli/text.h"
#include "protocol/device_info.h"
#include "protocol/discovery.h"
#include "protocol/settings.h"
#include "protocol/status_query.h"
#include "protocol/verify.h"

namespace cli {
namespace {

using protocol::DeviceInfo;
using protocol::FieldText;
using protocol::Mac;

// Thrown for bad arguments; Run turns it into the usage exit status.
struct UsageError {
    std::string text;
};

// The protocol layer's messages, exactly as it words them, one per line on stderr.
class StderrSink {
public:
    explicit StderrSink(std::FILE* err) : m_err(err) {}
    void Show(std::string text)
    {
        while (!text.empty() && text.back() == '\n') text.pop_back();
        std::fprintf(m_err, "%s\n", ForTerminal(DecodeWireText(text)).c_str());
        ++m_count;
    }
    int count() const { return m_count; }

private:
    std::FILE* m_err;
    int m_count = 0;
};

class Sink : public protocol::MessageSink {
public:
    explicit Sink(std::FILE* err) : m_messages(err) {}
    void ShowMessage(const std::string& text) override { m_messages.Show(text); }
    int count() const { return m_messages.count(); }

private:
    StderrSink m_messages;
};

class Discovery : public protocol::DiscoveryView {
public:
    explicit Discovery(std::FILE* err) : m_messages(err) {}
    void ShowMessage(const std::string& text) override { m_messages.Show(text); }
    void AddDevice(std::unique_ptr<DeviceInfo> device) override { m_list.Add(std::move(device)); }
    const protocol::DeviceList& list() const { return m_list; }
    int messages() const { return m_messages.count(); }

private:
    StderrSink m_messages;
    protocol::DeviceList m_list;
};

class Status : public protocol::StatusView {
public:
    explicit Status(std::FILE* err) : m_messages(err) {}
    void ShowMessage(const std::string& text) override { m_messages.Show(text); }
    void ClearDeviceInfo() override
    {
        m_panel.clear();
        m_disks.clear();
    }
    void SetPanelText(protocol::PanelField field, const std::string& text) override
    {
        m_panel[field] = text;
    }
    void ClearDiskRows() override { m_disks.clear(); }
    void AddDiskRow(const std::array<std::string, 5>& columns) override
    {
        m_disks.push_back(columns);
    }
    void EnableDeviceCommands() override {}

    std::string Panel(protocol::PanelField field) const
    {
        auto it = m_panel.find(field);
        return it == m_panel.end() ? std::string() : it->second;
    }
    const std::vector<std::array<std::string, 5>>& disks() const { return m_disks; }

private:
    StderrSink m_messages;
    std::map<protocol::PanelField, std::string> m_panel;
    std::vector<std::array<std::string, 5>> m_disks;
};

// --- Output helpers ----------------------------------------------------------------------

std::string Show(const std::string& wireBytes)
{
    return ForTerminal(DecodeWireText(wireBytes));
}
std::string Json(const std::string& wireBytes)
{
    return JsonString(DecodeWireText(wireBytes));
}

std::size_t Columns(const std::string& utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
    }));
}

// Prints rows as left-aligned columns separated by two spaces.
void PrintTable(std::FILE* out, const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Columns(row[i]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(widths[i] - Columns(row[i]) + 2, ' ');
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
}

int ParseNumber(const std::string& text)
{
    try {
        return std::stoi(text);
    } catch (...) {
        return 0;
    }
}

// --- Arguments -----------------------------------------------------------------------------

// Options of one command: "--name VALUE" pairs; flags are listed in `flags`.
class Arguments {
public:
    Arguments(const std::vector<std::string>& args, std::size_t from,
              const std::vector<std::string>& valued)
    {
        for (std::size_t i = from; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (std::find(valued.begin(), valued.end(), a) == valued.end()) {
                throw UsageError{"unknown option or argument '" + a + "'"};
            }
            if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
            m_values[a] = args[++i];
        }
    }
    const std::string* Get(const std::string& name) const
    {
        auto it = m_values.find(name);
        return it == m_values.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, std::string> m_values;
};

Mac RequireMac(const std::vector<std::string>& args, const char* command)
{
    if (args.size() < 2)
        throw UsageError{std::string(command) + " needs the adapter's MAC address"};
    const std::optional<Mac> mac = ParseMac(args[1]);
    if (!mac) throw UsageError{"'" + args[1] + "' is not a MAC address (xx:xx:xx:xx:xx:xx)"};
    return *mac;
}

// --- Commands ------------------------------------------------------------------------------

class Cli {
public:
    // `only`: the interfaces given with --interface (none: every one).
    Cli(sockets::SocketApi& api, const Io& io, bool json, protocol::Route only)
        : m_api(api), m_io(io), m_json(json), m_only(std::move(only))
    {
        CheckInterfaces();
    }

    int Discover()
    {
        Discovery view(m_io.err);
        protocol::DiscoverDevices(m_api, view, m_only);
        const protocol::DeviceList& list = view.list();
        if (m_json) {
            std::string s = "{\"devices\":[";
            for (std::size_t i = 0; i < list.GetSize(); ++i) {
                const DeviceInfo& d = *list.GetAt(i);
                if (i) s += ",";
                s += "{\"name\":" + Json(FieldText(d.name)) +
                     ",\"mac\":" + JsonString(protocol::MacText(d.mac)) +
                     ",\"ipAddress\":" + Json(FieldText(d.ipAddress)) +
                     ",\"webPort\":" + std::to_string(d.webPort) +
                     ",\"interface\":" + Json(d.interfaceName) + "}";
            }
            s += "]}";
            std::fprintf(m_io.out, "%s\n", s.c_str());
        } else {
            std::vector<std::vector<std::string>> rows = {
                {"NAME", "MAC", "IP ADDRESS", "WEB PORT", "INTERFACE"}};
            for (std::size_t i = 0; i < list.GetSize(); ++i) {
                const DeviceInfo& d = *list.GetAt(i);
                rows.push_back({Show(FieldText(d.name)), protocol::MacText(d.mac),
                                Show(FieldText(d.ipAddress)), std::to_string(d.webPort),
                                Show(d.interfaceName)});
            }
            PrintTable(m_io.out, rows);
            std::fprintf(m_io.out, "%zu adapter(s)\n", list.GetSize());
        }
        // Every message of discovery reports a failure of the socket layer; then that is
        // the reason, and nothing was asked.
        if (view.messages() != 0) return kExitFailed;
        if (list.GetSize() == 0) PrintNothingFoundHint(m_io.err);
        return kExitOk;
    }

    int StatusOf(const Mac& mac)
    {
        DeviceInfo device;
        device.mac = mac;
        Status view(m_io.err);
        const int code = Query(device, view);
        if (code != kExitOk) return code;
        PrintStatus(device, view);
        return kExitOk;
    }

    int Verify(const Mac& mac, const std::string& user)
    {
        if (user.size() > 16) throw UsageError{"the name has more than 16 characters"};
        if (!m_io.readPassword) throw UsageError{"no password source"};
        const std::optional<std::string> password = m_io.readPassword();
        if (!password) {
            Error("no password given");
            return kExitUsage;
        }
        if (password->size() > 8) throw UsageError{"the password has more than 8 characters"};
        Sink sink(m_io.err);
        switch (protocol::VerifyAdministrator(m_api, sink, mac, user, *password, Reach())) {
            case protocol::VerifyResult::Accepted:
                Result("verified", "the adapter accepted the name and password");
                return kExitOk;
            case protocol::VerifyResult::Refused:
                return kExitRefused;  // "Verify failed!"
            case protocol::VerifyResult::OtherReply:
                Error("the first answer was not a verification answer");
                return kExitFailed;
            case protocol::VerifyResult::TimedOut:
                return kExitTimedOut;
            case protocol::VerifyResult::NotSent:
                return kExitFailed;
        }
        return kExitFailed;
    }

    int SetSystem(const Mac& mac, const Arguments& a)
    {
        protocol::SystemSettings s;
        const std::string* description = a.Get("--description");
        if (description) {
            if (description->size() > protocol::kDescriptionSent) {
                throw UsageError{"the description has more than 63 characters"};
            }
            if (!protocol::IsValidDescription(*description)) {
                throw UsageError{
                    "the description is invalid; valid characters are 0-9, a-z, A-Z, space, '-' "
                    "and '_'"};
            }
        }
        std::optional<Date> date;
        std::optional<TimeOfDay> time;
        if (const std::string* v = a.Get("--date")) {
            date = ParseDate(*v);
            if (!date) throw UsageError{"'" + *v + "' is not a date (YYYY-MM-DD)"};
        }
        if (const std::string* v = a.Get("--time")) {
            time = ParseTime(*v);
            if (!time) throw UsageError{"'" + *v + "' is not a time (hh:mm:ss)"};
        }
        std::optional<int> timezone;
        if (const std::string* v = a.Get("--timezone")) {
            const int n = ParseNumber(*v);
            if (!IsDecimal(*v) || n < 0 || n > 74) {
                throw UsageError{"the timezone is a position in the timezone list, 0 to 74"};
            }
            timezone = n;
        }
        std::optional<bool> passwordRequired;
        if (const std::string* v = a.Get("--password-required")) {
            if (*v != "yes" && *v != "no") throw UsageError{"--password-required takes yes or no"};
            passwordRequired = *v == "yes";
        }
        const std::string* name = a.Get("--name");
        if (name && name->size() > 16) throw UsageError{"the name has more than 16 characters"};

        // The write replaces every field, so what is not given is the adapter's current value.
        DeviceInfo device;
        device.mac = mac;
        if (!description || !date || !time || !timezone || !passwordRequired) {
            Status view(m_io.err);
            const int code = Query(device, view);
            if (code != kExitOk) return code;
        }
        // The name travels back unchanged; only discovery reports it.
        if (name) {
            std::copy(name->begin(), name->end(), device.name.begin());
        } else {
            const int code = NameFromDiscovery(device);
            if (code != kExitOk) return code;
        }

        s.name = device.name;
        s.description = description ? *description : FieldText(device.description);
        s.passwordRequired = passwordRequired ? *passwordRequired : device.passwordRequired != 0;
        s.timezone = timezone ? static_cast<std::uint8_t>(*timezone) : device.timezone;
        const Date d = date ? *date : DeviceDate(device);
        const TimeOfDay t = time ? *time : DeviceTime(device);
        s.year = d.year;
        s.month = d.month;
        s.day = d.day;
        s.hour = t.hour;
        s.minute = t.minute;
        s.second = t.second;

        Sink sink(m_io.err);
        return WriteResult(protocol::WriteSystemInfo(m_api, sink, mac, s, Reach(&device)),
                           "system settings");
    }

    int SetNetwork(const Mac& mac, const Arguments& a)
    {
        static const std::array<const char*, 5> kAddressOptions = {"--ip", "--mask", "--gateway",
                                                                   "--dns1", "--dns2"};
        std::optional<std::uint8_t> mode;
        if (const std::string* v = a.Get("--mode")) {
            if (*v == "static") {
                mode = 0;
            } else if (*v == "dhcp") {
                mode = 1;
            } else {
                throw UsageError{"--mode takes static or dhcp"};
            }
        }
        bool allGiven = mode.has_value();
        for (const char* option : kAddressOptions) {
            const std::string* v = a.Get(option);
            if (v && !IsDottedQuad(*v)) {
                throw UsageError{"'" + *v + "' is not a dotted-quad address (" + option + ")"};
            }
            allGiven = allGiven && v;
        }

        DeviceInfo device;
        device.mac = mac;
        if (!allGiven) {
            Status view(m_io.err);
            const int code = Query(device, view);
            if (code != kExitOk) return code;
        }
        protocol::NetworkSettings s;
        s.ipMode = mode ? *mode : device.ipMode;
        const std::array<const std::array<char, 16>*, 5> current = {
            &device.ipAddress, &device.subnetMask, &device.gateway, &device.dns1, &device.dns2};
        for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
            const std::string* v = a.Get(kAddressOptions[i]);
            s.addresses[i] = v ? *v : FieldText(*current[i]);
        }
        Sink sink(m_io.err);
        return WriteResult(protocol::WriteNetworkInfo(m_api, sink, mac, s, Reach(&device)),
                           "network settings");
    }

private:
    static bool IsDecimal(const std::string& s)
    {
        return !s.empty() && s.size() < 6 &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    }

    // --- Interfaces: an adapter not found by a discovery of this run may be on any of them.

    void CheckInterfaces()
    {
        const protocol::Route all = protocol::EveryInterface(m_api);
        for (const std::string& name : m_only) {
            if (std::find(all.begin(), all.end(), name) == all.end()) {
                std::string known;
                for (const std::string& n : all) known += (known.empty() ? "" : ", ") + n;
                throw UsageError{"no broadcast interface '" + name +
                                 "' is up (this computer has: " + (known.empty() ? "none" : known) +
                                 ")"};
            }
        }
    }

    // Where requests to one adapter leave: the interface it answered on in this run, else
    // every interface allowed.
    protocol::Route Reach(const DeviceInfo* device = nullptr)
    {
        if (device && !device->interfaceName.empty()) return {device->interfaceName};
        return m_only.empty() ? protocol::EveryInterface(m_api) : m_only;
    }

    int Query(DeviceInfo& device, Status& view)
    {
        switch (protocol::QueryDeviceStatus(m_api, device, view, Reach(&device))) {
            case protocol::StatusResult::Completed:
                return kExitOk;
            case protocol::StatusResult::NotStarted:
                return kExitFailed;
            case protocol::StatusResult::TimedOut:
                return kExitTimedOut;  // message shown
        }
        return kExitFailed;
    }

    int NameFromDiscovery(DeviceInfo& device)
    {
        Discovery view(m_io.err);
        protocol::DiscoverDevices(m_api, view, m_only);
        for (std::size_t i = 0; i < view.list().GetSize(); ++i) {
            const DeviceInfo& found = *view.list().GetAt(i);
            if (found.mac == device.mac) {
                device.name = found.name;
                if (device.interfaceName.empty()) device.interfaceName = found.interfaceName;
                return kExitOk;
            }
        }
        Error("the adapter did not answer the discovery; give its name with --name");
        return view.messages() ? kExitFailed : kExitTimedOut;
    }

    // The adapter's own date and time; where they are not a valid date (never set, or a
    // reply that was not used), this computer's clock, as the wizard does.
    static struct tm Now()
    {
        const std::time_t now = std::time(nullptr);
        struct tm local {};
#ifdef _WIN32
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        return local;
    }
    static Date DeviceDate(const DeviceInfo& device)
    {
        if (auto d = ParseDate(FieldText(device.date))) return *d;
        const struct tm now = Now();
        return {now.tm_year + 1900, now.tm_mon + 1, now.tm_mday};
    }
    static TimeOfDay DeviceTime(const DeviceInfo& device)
    {
        if (ParseDate(FieldText(device.date))) {
            if (auto t = ParseTime(FieldText(device.time))) return *t;
        }
        const struct tm now = Now();
        return {now.tm_hour, now.tm_min, now.tm_sec};
    }

    int WriteResult(const protocol::WriteOutcome& outcome, const char* what)
    {
        if (!outcome.sent) return kExitFailed;     // the socket layer's message was shown
        if (outcome.refused) return kExitRefused;  // "Set network info failed!" was shown
        if (!outcome.answered) {
            Error(std::string("no answer to the ") + what);
            return kExitTimedOut;
        }
        Result("answered", std::string(what) + " sent; the adapter answered");
        return kExitOk;
    }

    void PrintStatus(const DeviceInfo& d, const Status& view)
    {
        using protocol::PanelField;
        std::vector<std::string> shares;
        if (d.shares) {
            for (const protocol::ShareEntry& e : *d.shares) shares.push_back(e.Name());
        }
        if (m_json) {
            std::string s = "{";
            s += "\"firmware\":" + Json(view.Panel(PanelField::Firmware));
            s += ",\"ipAddress\":" + Json(view.Panel(PanelField::IpAddress));
            s += ",\"mac\":" + Json(view.Panel(PanelField::Mac));
            s += ",\"description\":" + Json(view.Panel(PanelField::Description));
            s += ",\"ipStatus\":" + Json(view.Panel(PanelField::IpStatus));
            s += ",\"passwordRequired\":" + std::string(d.passwordRequired ? "true" : "false");
            s += ",\"date\":" + Json(FieldText(d.date));
            s += ",\"time\":" + Json(FieldText(d.time));
            s += ",\"timezone\":" + std::to_string(d.timezone);
            s += ",\"ipMode\":" + std::to_string(d.ipMode);
            s += ",\"subnetMask\":" + Json(FieldText(d.subnetMask));
            s += ",\"gateway\":" + Json(FieldText(d.gateway));
            s += ",\"dns1\":" + Json(FieldText(d.dns1));
            s += ",\"dns2\":" + Json(FieldText(d.dns2));
            s += ",\"shareCount\":" + std::to_string(d.shareCount);
            s += ",\"interface\":" + Json(d.interfaceName);
            s += ",\"shares\":[";
            for (std::size_t i = 0; i < shares.size(); ++i) s += (i ? "," : "") + Json(shares[i]);
            s += "],\"disks\":[";
            for (std::size_t i = 0; i < view.disks().size(); ++i) {
                const auto& c = view.disks()[i];
                s += (i ? "," : "") + std::string("{\"shareName\":") + Json(c[0]) +
                     ",\"deviceId\":" + Json(c[1]) + ",\"fsType\":" + Json(c[2]) +
                     ",\"totalSizeMB\":" + std::to_string(ParseNumber(c[3])) +
                     ",\"freePercent\":" + std::to_string(ParseNumber(c[4])) + "}";
            }
            s += "]}";
            std::fprintf(m_io.out, "%s\n", s.c_str());
            return;
        }
        std::string shareList;
        for (const std::string& share : shares)
            shareList += (shareList.empty() ? "" : ", ") + Show(share);
        PrintTable(m_io.out,
                   {
                       {"Firmware:", Show(view.Panel(PanelField::Firmware))},
                       {"IP address:", Show(view.Panel(PanelField::IpAddress))},
                       {"MAC:", Show(view.Panel(PanelField::Mac))},
                       {"Description:", Show(view.Panel(PanelField::Description))},
                       {"IP status:", Show(view.Panel(PanelField::IpStatus))},
                       {"Subnet mask:", Show(FieldText(d.subnetMask))},
                       {"Gateway:", Show(FieldText(d.gateway))},
                       {"DNS servers:", Show(FieldText(d.dns1)) + ", " + Show(FieldText(d.dns2))},
                       {"Date, time:", Show(FieldText(d.date)) + " " + Show(FieldText(d.time))},
                       {"Timezone:", std::to_string(d.timezone)},
                       {"Password:", d.passwordRequired ? "required" : "not required"},
                       {"Shares (" + std::to_string(shares.size()) + "):", shareList},
                   });
        std::fprintf(m_io.out, "\n");
        std::vector<std::vector<std::string>> rows = {
            {"Share Name", "Device Id", "FS Type", "Total Size(MB)", "Free Space"}};
        for (const auto& c : view.disks()) {
            rows.push_back({Show(c[0]), Show(c[1]), Show(c[2]), c[3], c[4]});
        }
        PrintTable(m_io.out, rows);
    }

    void Result(const char* json, const std::string& text)
    {
        if (m_json) {
            std::fprintf(m_io.out, "{\"result\":%s}\n", JsonString(json).c_str());
        } else {
            std::fprintf(m_io.out, "%s\n", text.c_str());
        }
    }

    void Error(const std::string& text)
    {
        std::fprintf(m_io.err, "dravmoor: %s\n", text.c_str());
    }

    sockets::SocketApi& m_api;
    const Io& m_io;
    bool m_json;
    protocol::Route m_only;
};

}  // namespace

const char* UsageText()
{
    return R"(Usage: dravmoor [--json] COMMAND [ARGUMENTS]
Finds and sets up the storage adapters on this network segment (UDP port 1638, broadcast).

Commands:
  discover                  list the adapters that answer (takes about 2 seconds)
  status MAC                firmware, addresses, shares and disks of one adapter
  verify MAC [--user NAME]  check the administrator's name (default "admin") and password;
                            the password is read from standard input, or asked for without
                            echo when standard input is a terminal
  set-system MAC [--name NAME] [--description TEXT] [--date YYYY-MM-DD] [--time hh:mm:ss]
                 [--timezone N] [--password-required yes|no]
                            write the adapter's system settings
  set-network MAC [--mode static|dhcp] [--ip A] [--mask A] [--gateway A] [--dns1 A] [--dns2 A]
                            write the adapter's addressing

A write sends every field: the fields not given keep the adapter's current values, read by
a status query first. set-system also sends the adapter's name back unchanged; it is taken
from --name or, without it, from a discovery. MAC is written xx:xx:xx:xx:xx:xx. The
description allows 0-9 a-z A-Z space - _ (at most 63); the timezone is the position in the
setup wizard's timezone list (0 to 74).

Options:
  --json            print results as JSON on standard output
  --interface NAME  ask only by this network interface (repeatable); without it every
                    interface that can broadcast is asked, and an adapter found or answering
                    on one is then asked there only
  --help            this text

Exit status: 0 success, 1 network failure or unexpected answer, 2 bad arguments,
3 no answer (time-out), 4 refused by the adapter. Errors go to standard error, one line each.
)";
}

int Run(const std::vector<std::string>& argsIn, sockets::SocketApi& api, const Io& io)
{
    bool json = false;
    protocol::Route only;
    std::vector<std::string> args;
    for (std::size_t i = 0; i < argsIn.size(); ++i) {
        const std::string& a = argsIn[i];
        if (a == "--interface") {
            if (i + 1 >= argsIn.size()) {
                std::fprintf(io.err, "dravmoor: --interface needs a value (see dravmoor --help)\n");
                return kExitUsage;
            }
            only.push_back(argsIn[++i]);
        } else if (a == "--json") {
            json = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(UsageText(), io.out);
            return kExitOk;
        } else {
            args.push_back(a);
        }
    }
    try {
        if (args.empty()) throw UsageError{"no command given"};
        Cli cli(api, io, json, only);
        const std::string& command = args[0];
        if (command == "discover") {
            if (args.size() > 1) throw UsageError{"discover takes no arguments"};
            return cli.Discover();
        }
        if (command == "status") {
            const Mac mac = RequireMac(args, "status");
            Arguments(args, 2, {});
            return cli.StatusOf(mac);
        }
        if (command == "verify") {
            const Mac mac = RequireMac(args, "verify");
            const Arguments a(args, 2, {"--user"});
            return cli.Verify(mac, a.Get("--user") ? *a.Get("--user") : "admin");
        }
        if (command == "set-system") {
            const Mac mac = RequireMac(args, "set-system");
            return cli.SetSystem(mac, Arguments(args, 2,
                                                {"--name", "--description", "--date", "--time",
                                                 "--timezone", "--password-required"}));
        }
        if (command == "set-network") {
            const Mac mac = RequireMac(args, "set-network");
            return cli.SetNetwork(
                mac,
                Arguments(args, 2, {"--mode", "--ip", "--mask", "--gateway", "--dns1", "--dns2"}));
        }
        throw UsageError{"unknown command '" + command + "'"};
    } catch (const UsageError& e) {
        std::fprintf(io.err, "dravmoor: %s (see dravmoor --help)\n", e.text.c_str());
        return kExitUsage;
    }
}

}  // namespace cli
