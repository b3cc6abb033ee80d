#include "cli/plan.h"

// The reader copies its error texts with strncpy, which GCC's -O3 flags once inlined here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-truncation"
#endif
#include <libfccp/csv.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "protocol/device_time.h"
#include "protocol/display.h"
#include "protocol/limits.h"
#include "protocol/status_query.h"
#include "protocol/timezones.h"

namespace cli {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool FormulaStart(char c)
{
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The header's cells, split as the reader will split it (quotes honoured).
std::vector<std::string> HeaderCells(std::string_view line, char separator)
{
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                cells.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    for (std::string& cell : cells) cell = Trimmed(cell);
    return cells;
}

int ColumnIndex(const std::string& name)
{
    const auto& names = ColumnNames();
    for (int i = 0; i < kColumnCount; ++i)
        if (name == names[static_cast<std::size_t>(i)]) return i;
    return -1;
}

// The cell as a plan value: names and descriptions exactly as written, other values without
// surrounding blanks; the apostrophe export put before a formula-like text taken off.
std::optional<std::string> CellValue(int column, std::string cell)
{
    if (cell.size() > 1 && cell[0] == '\'' && FormulaStart(cell[1])) cell.erase(0, 1);
    if (column != kColName && column != kColDescription) cell = Trimmed(cell);
    if (cell.empty()) return std::nullopt;
    return cell;
}

template <char Separator>
void ReadCsvRows(const std::string& text, std::vector<PlanRow>& rows,
                 std::vector<Problem>& problems)
{
    const auto& n = ColumnNames();
    io::CSVReader<kColumnCount, io::trim_chars<>, io::double_quote_escape<Separator, '"'>,
                  io::throw_on_overflow, io::empty_line_comment>
        in("plan", text.data(), text.data() + text.size());
    in.read_header(io::ignore_extra_column | io::ignore_missing_column, n[0], n[1], n[2], n[3],
                   n[4], n[5], n[6], n[7], n[8], n[9], n[10], n[11], n[12], n[13], n[14], n[15]);
    for (;;) {
        std::array<std::string, kColumnCount> c;
        try {
            if (!in.read_row(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10],
                             c[11], c[12], c[13], c[14], c[15]))
                break;
        } catch (const io::error::base& e) {
            // The message names the line itself ("Too few columns in line 4 ...").
            problems.push_back({static_cast<int>(in.get_file_line()), e.what()});
            continue;
        }
        PlanRow row;
        row.line = static_cast<int>(in.get_file_line());
        bool any = false;
        for (int i = 0; i < kColumnCount; ++i) {
            row.cells[static_cast<std::size_t>(i)] =
                CellValue(i, std::move(c[static_cast<std::size_t>(i)]));
            any = any || row.cells[static_cast<std::size_t>(i)];
        }
        if (any) rows.push_back(std::move(row));  // a line of separators only is no row
    }
}

std::vector<PlanRow> ReadCsv(const std::string& text, std::vector<Problem>& problems)
{
    const std::string_view first(text.data(), std::min(text.find('\n'), text.size()));
    // The separator the header line uses: a spreadsheet in a locale with the decimal comma
    // writes ';'.
    const char separator =
        std::count(first.begin(), first.end(), ';') > std::count(first.begin(), first.end(), ',')
            ? ';'
            : ',';
    std::vector<std::string> header = HeaderCells(first, separator);
    std::set<int> seen;
    bool bad = false;
    for (const std::string& name : header) {
        const int column = ColumnIndex(name);
        if (column < 0) {
            problems.push_back(
                {1, name.empty() ? "a column without a name" : "unknown column '" + name + "'"});
            bad = true;
        } else if (!seen.insert(column).second) {
            problems.push_back({1, "column '" + name + "' twice"});
            bad = true;
        }
    }
    if (!seen.count(kColMac)) {
        problems.push_back({1, "no 'mac' column"});
        bad = true;
    }
    if (bad) return {};
    std::vector<PlanRow> rows;
    try {
        if (separator == ';') {
            ReadCsvRows<';'>(text, rows, problems);
        } else {
            ReadCsvRows<','>(text, rows, problems);
        }
    } catch (const io::error::base& e) {
        problems.push_back({0, e.what()});
    }
    return rows;
}

std::vector<PlanRow> ReadJson(const std::string& text, std::vector<Problem>& problems)
{
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        problems.push_back({0, std::string("not valid JSON: ") + e.what()});
        return {};
    }
    if (!document.is_array()) {
        problems.push_back({0, "a JSON plan is an array of objects"});
        return {};
    }
    std::vector<PlanRow> rows;
    int entry = 0;
    for (const nlohmann::json& item : document) {
        PlanRow row;
        row.line = ++entry;
        if (!item.is_object()) {
            problems.push_back({entry, "not an object"});
            continue;
        }
        for (const auto& [key, value] : item.items()) {
            const int column = ColumnIndex(key);
            if (column < 0) {
                problems.push_back({entry, "unknown key '" + key + "'"});
                continue;
            }
            std::optional<std::string> cell;
            if (value.is_string()) {
                cell = value.get<std::string>();
            } else if (value.is_number_integer()) {
                cell = std::to_string(value.get<long long>());
            } else if (value.is_boolean()) {
                cell = value.get<bool>() ? "yes" : "no";
            } else if (!value.is_null()) {
                problems.push_back({entry, "'" + key + "' is neither text, number nor yes/no"});
                continue;
            }
            if (cell) row.cells[static_cast<std::size_t>(column)] = CellValue(column, *cell);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Local calendar fields of a time value of MakeLocalTime's scale; the date and time fields of
// a SystemSettings.
protocol::CalendarTime Fields(const protocol::SystemSettings& s)
{
    return {s.year, s.month, s.day, s.hour, s.minute, s.second};
}

std::optional<ClockValue> Value(const protocol::CalendarTime& t)
{
    return protocol::MakeLocalTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string DateText(const protocol::CalendarTime& t)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

std::string TimeText(const protocol::CalendarTime& t)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

// The calendar fields at `utcSeconds` shifted by a timezone's offset.
protocol::CalendarTime ZoneFields(std::int64_t utcSeconds)
{
    using namespace std::chrono;
    const sys_seconds at{seconds{utcSeconds}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> clock{at - day};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(clock.hours().count()),
            static_cast<int>(clock.minutes().count()),
            static_cast<int>(clock.seconds().count())};
}

std::string ModeText(std::uint8_t mode)
{
    return mode == 0 ? "static" : "dhcp";
}

constexpr std::array<const char*, 5> kAddressColumns = {"ip", "mask", "gateway", "dns1", "dns2"};

bool InSubnet(std::uint32_t a, std::uint32_t b, std::uint32_t mask)
{
    return (a & mask) == (b & mask);
}

}  // namespace

const std::array<const char*, kColumnCount>& ColumnNames()
{
    static const std::array<const char*, kColumnCount> names = {
        "mac",  "name",     "description",  "date",
        "time", "timezone", "timezoneText", "passwordRequired",
        "mode", "ip",       "mask",         "gateway",
        "dns1", "dns2",     "interface",    "firmware"};
    return names;
}

std::array<std::string, kColumnCount> ExportCells(const protocol::DeviceInfo& d)
{
    using protocol::DisplayText;
    std::array<std::string, kColumnCount> c;
    c[kColMac] = protocol::MacText(d.mac);
    c[kColName] = DisplayText(d.name);
    c[kColDescription] = DisplayText(d.description);
    c[kColTimezone] = std::to_string(d.timezone);
    c[kColTimezoneText] = TimezoneText(d.timezone);
    c[kColPasswordRequired] = d.passwordRequired ? "yes" : "no";
    c[kColMode] = ModeText(d.ipMode);
    c[kColIp] = DisplayText(d.ipAddress);
    c[kColMask] = DisplayText(d.subnetMask);
    c[kColGateway] = DisplayText(d.gateway);
    c[kColDns1] = DisplayText(d.dns1);
    c[kColDns2] = DisplayText(d.dns2);
    c[kColInterface] = d.interfaceName;
    c[kColFirmware] = protocol::DecodeWireText(protocol::FirmwareText(d));
    return c;
}

std::string CsvLine(const std::array<std::string, kColumnCount>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::string cell = cells[i];
        if (!cell.empty() && FormulaStart(cell[0])) cell = "'" + cell;
        if (cell.find_first_of(",;\"\r\n") != std::string::npos) {
            std::string quoted = "\"";
            for (char c : cell) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
            cell = quoted + "\"";
        }
        line += (i ? "," : "") + cell;
    }
    return line + "\n";
}

std::vector<PlanRow> ReadPlan(const std::string& input, std::vector<Problem>& problems)
{
    std::string text = input;
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        problems.push_back({0, "the plan is empty"});
        return {};
    }
    if (text[first] == '[') return ReadJson(text, problems);
    return ReadCsv(text, problems);
}

std::optional<protocol::Mac> RowMac(const PlanRow& row, std::vector<Problem>& problems)
{
    const std::optional<std::string>& cell = row.cells[kColMac];
    if (!cell) {
        problems.push_back({row.line, "no MAC"});
        return std::nullopt;
    }
    const std::optional<protocol::Mac> mac = ParseMac(*cell);
    if (!mac) problems.push_back({row.line, "'" + *cell + "' is not a MAC address"});
    return mac;
}

RowPlan CheckRow(const PlanRow& row, const protocol::Mac& mac, const protocol::DeviceInfo* held,
                 std::vector<Problem>& problems)
{
    RowPlan plan;
    plan.line = row.line;
    plan.mac = mac;
    std::array<std::optional<std::string>, kColumnCount> cells = row.cells;
    // What export wrote for this adapter is no change.
    if (held) {
        const std::array<std::string, kColumnCount> exported = ExportCells(*held);
        for (int i = kColName; i < kColInterface; ++i) {
            auto& cell = cells[static_cast<std::size_t>(i)];
            if (cell && *cell == exported[static_cast<std::size_t>(i)]) cell.reset();
        }
        if (cells[kColMode] && Lower(*cells[kColMode]) == exported[kColMode])
            cells[kColMode].reset();
    }
    const auto refused = [&](auto check) {
        try {
            check();
        } catch (const UsageError& e) {
            problems.push_back({row.line, e.text});
        }
    };
    // One value at a time, so every refused cell of the row is listed.
    const auto system = [&](std::optional<std::string> SystemOptions::*field, int column) {
        if (!cells[static_cast<std::size_t>(column)]) return;
        SystemOptions o;
        o.*field = cells[static_cast<std::size_t>(column)];
        refused([&] {
            const SystemChanges c = CheckSystemOptions(o, Naming::Columns);
            if (c.name) plan.system.name = c.name;
            if (c.description) plan.system.description = c.description;
            if (c.date) plan.system.date = c.date;
            if (c.time) plan.system.time = c.time;
            if (c.timezone) plan.system.timezone = c.timezone;
            if (c.passwordRequired) plan.system.passwordRequired = c.passwordRequired;
        });
    };
    system(&SystemOptions::name, kColName);
    system(&SystemOptions::description, kColDescription);
    if (cells[kColDate] && Lower(*cells[kColDate]) == "now") {
        plan.dateNow = true;
    } else {
        system(&SystemOptions::date, kColDate);
    }
    if (cells[kColTime] && Lower(*cells[kColTime]) == "now") {
        plan.timeNow = true;
    } else {
        system(&SystemOptions::time, kColTime);
    }
    system(&SystemOptions::timezone, kColTimezone);
    system(&SystemOptions::passwordRequired, kColPasswordRequired);
    if (const auto& text = cells[kColTimezoneText]) {
        // The entry's own text first: a whole entry may also be part of another.
        std::optional<int> entry;
        for (int i = 0; i < protocol::kTimezoneCount && !entry; ++i)
            if (TimezoneText(i) == Trimmed(*text)) entry = i;
        if (!entry) entry = protocol::FindTimezone(*text);
        if (!entry) {
            problems.push_back({row.line, "timezoneText '" + *text +
                                              "' names no single entry of the timezone list "
                                              "(see dravmoor timezones)"});
        } else if (plan.system.timezone && *plan.system.timezone != *entry) {
            problems.push_back({row.line, "timezone " + std::to_string(*plan.system.timezone) +
                                              " and timezoneText '" + *text +
                                              "' name different entries"});
        } else {
            plan.system.timezone = entry;
        }
    }
    refused([&] {
        NetworkOptions o;
        o.mode = cells[kColMode];
        for (std::size_t i = 0; i < 5; ++i) o.addresses[i] = cells[kColIp + i];
        plan.network = CheckNetworkOptions(o, Naming::Columns);
    });
    return plan;
}

std::optional<int> TimezoneOffsetMinutes(int position)
{
    if (position < 0 || position >= protocol::kTimezoneCount) return std::nullopt;
    const std::string_view text = protocol::TimezoneTexts()[static_cast<std::size_t>(position)];
    // "(GMT)" or "(GMT+05:45)"
    if (text.size() < 11 || text.substr(0, 4) != "(GMT" || text[4] == ')') return 0;
    const int sign = text[4] == '-' ? -1 : 1;
    const int hours = (text[5] - '0') * 10 + (text[6] - '0');
    const int minutes = (text[8] - '0') * 10 + (text[9] - '0');
    return sign * (hours * 60 + minutes);
}

Difference Diff(const protocol::DeviceInfo& held, const RowPlan& plan, std::int64_t utcNow,
                std::int64_t heldAge)
{
    using protocol::DisplayText;
    Difference d;
    const SystemChanges& p = plan.system;
    protocol::SystemSettings s = protocol::CurrentSystemSettings(held, protocol::LocalNow());
    bool system = false;
    const auto change = [&d](const char* field, std::string from, std::string to) {
        d.changes.push_back({field, std::move(from), std::move(to)});
    };
    if (p.name && *p.name != DisplayText(held.name)) {
        change("name", DisplayText(held.name), *p.name);
        s.name.fill('\0');
        std::copy(p.name->begin(), p.name->end(), s.name.begin());
        system = true;
    }
    if (p.description && *p.description != DisplayText(held.description)) {
        change("description", DisplayText(held.description), *p.description);
        s.description = *p.description;
        system = true;
    }
    if (p.passwordRequired && *p.passwordRequired != s.passwordRequired) {
        change("passwordRequired", s.passwordRequired ? "yes" : "no",
               *p.passwordRequired ? "yes" : "no");
        s.passwordRequired = *p.passwordRequired;
        system = true;
    }
    if (p.timezone && *p.timezone != held.timezone) {
        change("timezone", std::to_string(held.timezone), std::to_string(*p.timezone));
        s.timezone = static_cast<std::uint8_t>(*p.timezone);
        system = true;
    }
    const bool clockPlanned = p.date || p.time || plan.dateNow || plan.timeNow;
    const protocol::CalendarTime heldClock = Fields(s);
    if (clockPlanned) {
        protocol::CalendarTime now{};
        if (plan.dateNow || plan.timeNow) {
            const std::optional<int> offset = TimezoneOffsetMinutes(s.timezone);
            if (!offset) {
                d.problem = "'now' is the time in the adapter's timezone, and " +
                            std::to_string(s.timezone) + " is not in the list; give a timezone too";
                return d;
            }
            now = ZoneFields(utcNow + std::int64_t{*offset} * 60);
        }
        protocol::CalendarTime t = heldClock;
        if (p.date) t.year = p.date->year, t.month = p.date->month, t.day = p.date->day;
        if (plan.dateNow) t.year = now.year, t.month = now.month, t.day = now.day;
        if (p.time) t.hour = p.time->hour, t.minute = p.time->minute, t.second = p.time->second;
        if (plan.timeNow) t.hour = now.hour, t.minute = now.minute, t.second = now.second;
        const std::optional<ClockValue> planned = Value(t), was = Value(heldClock);
        if (!planned) {
            d.problem = "the date and time planned give no time the adapter can hold";
            return d;
        }
        // `now` is no change for a clock that is right to within two seconds.
        const ClockValue tolerance = plan.dateNow || plan.timeNow ? 2 : 0;
        if (!was || std::llabs(*planned - *was) > tolerance) {
            if (DateText(t) != DateText(heldClock))
                change("date", DateText(heldClock), DateText(t));
            if (TimeText(t) != TimeText(heldClock))
                change("time", TimeText(heldClock), TimeText(t));
            protocol::SetDateTime(s, t);
            d.clock = planned;
            system = true;
        }
    }
    if (system) {
        // The wizard refuses to send a description it cannot check, also an unchanged one.
        if (!protocol::IsValidDescription(s.description)) {
            d.problem =
                "the adapter's description has characters it does not accept back; give a "
                "description";
            return d;
        }
        // An unplanned clock goes back as it runs now, not as it was read.
        if (!d.clock && protocol::DeviceCalendarTime(held)) {
            if (const std::optional<ClockValue> was = Value(heldClock))
                protocol::SetDateTime(s, protocol::LocalCalendarTime(*was + heldAge));
        }
        d.system = s;
    }

    const protocol::NetworkSettings current = protocol::CurrentNetworkSettings(held);
    protocol::NetworkSettings n = current;
    if (plan.network.mode) n.ipMode = *plan.network.mode;
    for (std::size_t i = 0; i < n.addresses.size(); ++i)
        if (plan.network.addresses[i]) n.addresses[i] = *plan.network.addresses[i];
    bool network = false;
    if (n.ipMode != current.ipMode) {
        change("mode", ModeText(current.ipMode), ModeText(n.ipMode));
        network = true;
    }
    for (std::size_t i = 0; i < n.addresses.size(); ++i) {
        if (n.addresses[i] == current.addresses[i]) continue;
        change(kAddressColumns[i], current.addresses[i], n.addresses[i]);
        network = true;
    }
    if (network) d.network = n;
    return d;
}

std::vector<FieldChange> ReadBack(const protocol::DeviceInfo& after, const RowPlan& plan,
                                  const Difference& sent, std::optional<ClockWindow> clock)
{
    RowPlan fields = plan;
    fields.system.date.reset();
    fields.system.time.reset();
    fields.dateNow = fields.timeNow = false;
    std::vector<FieldChange> differ = Diff(after, fields, 0).changes;
    if (sent.clock && clock) {
        const std::optional<std::int64_t> now =
            protocol::DeviceTimeValue(std::string_view(after.date.data(), after.date.size() - 1),
                                      std::string_view(after.time.data(), after.time.size() - 1));
        // The adapter's clock ticks on, and both ends count whole seconds.
        if (!now || *now < clock->low - 2 || *now > clock->high + 2) {
            const auto text = [](std::optional<std::int64_t> v) {
                if (!v) return std::string("no valid time");
                const protocol::CalendarTime t = protocol::LocalCalendarTime(*v);
                return DateText(t) + " " + TimeText(t);
            };
            differ.push_back({"clock", text(now), text(clock->high)});
        }
    }
    return differ;
}

void CheckSegment(const std::vector<SegmentAdapter>& adapters,
                  const std::vector<sockets::NetworkInterface>& interfaces,
                  std::vector<Problem>& problems)
{
    std::multimap<std::string, const SegmentAdapter*> byAddress;
    for (const SegmentAdapter& a : adapters) {
        if (a.address.empty() || a.address == "0.0.0.0") continue;
        if (a.planned && a.mode != 0) continue;  // DHCP gives it another one
        byAddress.emplace(a.address, &a);
    }
    for (const SegmentAdapter& a : adapters) {
        if (!a.planned || a.mode != 0) continue;
        const auto [from, to] = byAddress.equal_range(a.address);
        for (auto it = from; it != to; ++it) {
            const SegmentAdapter& other = *it->second;
            if (other.mac == a.mac) continue;
            const std::string who = other.name + " (" + protocol::MacText(other.mac) + ")";
            if (other.planned) {
                problems.push_back({a.line, "ip " + a.address + " is also planned for " + who +
                                                " on line " + std::to_string(other.line)});
            } else {
                problems.push_back(
                    {a.line, "ip " + a.address + " is held by " + who + ", which keeps it"});
            }
        }
        const std::uint32_t ip = AddressValue(a.address), mask = AddressValue(a.mask);
        // A /31 or /32 has no network and broadcast address of its own.
        if ((~mask & 0xFFFFFFFEu) != 0) {
            if ((ip & ~mask) == 0) {
                problems.push_back(
                    {a.line, "ip " + a.address + " is the network address of its subnet"});
            } else if ((ip & ~mask) == ~mask) {
                problems.push_back(
                    {a.line, "ip " + a.address + " is the broadcast address of its subnet"});
            }
        }
        if (a.gateway != "0.0.0.0" && !InSubnet(ip, AddressValue(a.gateway), mask)) {
            problems.push_back({a.line, "gateway " + a.gateway + " is outside the subnet of " +
                                            a.address + "/" + a.mask});
        }
        const auto where = std::find_if(interfaces.begin(), interfaces.end(),
                                        [&](const auto& i) { return i.name == a.interfaceName; });
        if (where != interfaces.end() && !where->subnets.empty() &&
            std::none_of(where->subnets.begin(), where->subnets.end(),
                         [&](const auto& s) { return InSubnet(ip, s.address, s.mask); })) {
            problems.push_back({a.line,
                                "ip " + a.address + " is outside every subnet of " +
                                    a.interfaceName +
                                    ", where the adapter answers: its web page and shares "
                                    "would be out of this computer's reach",
                                true});
        }
    }
}

}  // namespace cli
