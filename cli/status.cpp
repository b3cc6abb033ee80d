// dravmoor status: what the main window's panel and disk list show for one adapter, plus the
// settings the status query stored, as a table or JSON.
#include "cli/context.h"
#include "cli/output.h"
#include "protocol/display.h"
#include "protocol/settings.h"

namespace cli {

namespace {

// As --date and --time take it: "2026-12-09 08:26:40", read with the setup page's carry rule;
// the bytes as they came when they are no date.
std::string DateTimeText(const protocol::DeviceInfo& d)
{
    const std::optional<protocol::CalendarTime> t = protocol::DeviceCalendarTime(d);
    if (!t) return Show(protocol::FieldText(d.date)) + " " + Show(protocol::FieldText(d.time));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t->year, t->month, t->day,
                  t->hour, t->minute, t->second);
    return buf;
}

void PrintJsonStatus(std::FILE* out, const protocol::DeviceInfo& d,
                     const std::vector<protocol::Disk>& disks,
                     const std::vector<std::string>& missing)
{
    using protocol::DisplayText;
    const std::array<std::string, 5> panel = protocol::PanelTexts(d);
    Json shares = Json::array();
    if (d.shares) {
        for (const protocol::ShareEntry& e : *d.shares)
            shares.push_back(protocol::DecodeWireText(e.Name()));
    }
    Json diskList = Json::array();
    for (const protocol::Disk& disk : disks) {
        diskList.push_back({{"shareName", protocol::DecodeWireText(disk.shareName)},
                            {"deviceId", protocol::DecodeWireText(disk.deviceId)},
                            {"fsType", protocol::DecodeWireText(disk.fsType)},
                            {"totalSizeMB", disk.totalSizeMB},
                            {"freePercent", disk.freePercent}});
    }
    Json result = {{"firmware", panel[0]},
                   {"ipAddress", panel[1]},
                   {"mac", panel[2]},
                   {"description", panel[3]},
                   {"ipStatus", panel[4]},
                   {"passwordRequired", d.passwordRequired != 0},
                   {"date", DisplayText(d.date)},
                   {"time", DisplayText(d.time)},
                   {"dateTime", DateTimeText(d)},
                   {"timezone", d.timezone},
                   {"timezoneText", TimezoneText(d.timezone)},
                   {"ipMode", d.ipMode},
                   {"subnetMask", DisplayText(d.subnetMask)},
                   {"gateway", DisplayText(d.gateway)},
                   {"dns1", DisplayText(d.dns1)},
                   {"dns2", DisplayText(d.dns2)},
                   {"shareCount", d.shareCount},
                   {"interface", d.interfaceName},
                   {"shares", shares},
                   {"disks", diskList},
                   {"missing", missing}};
    if (protocol::IsAmbiguous(d)) result["alsoAnsweredOn"] = d.alsoAnsweredOn;
    PrintJson(out, result);
}

void PrintTextStatus(std::FILE* out, const protocol::DeviceInfo& d,
                     const std::vector<protocol::Disk>& disks,
                     const std::vector<std::string>& missing)
{
    using protocol::FieldText;
    std::array<std::string, 5> panel = protocol::PanelTexts(d);
    for (std::string& text : panel) text = ForTerminal(text);
    std::string shareList;
    std::size_t shareCount = 0;
    if (d.shares) {
        for (const protocol::ShareEntry& e : *d.shares) {
            shareList += (shareList.empty() ? "" : ", ") + Show(e.Name());
            ++shareCount;
        }
    }
    PrintTable(out, {
                        {"Firmware:", panel[0]},
                        {"IP address:", panel[1]},
                        {"MAC:", panel[2]},
                        {"Description:", panel[3]},
                        {"IP status:", panel[4]},
                        {"Subnet mask:", Show(FieldText(d.subnetMask))},
                        {"Gateway:", Show(FieldText(d.gateway))},
                        {"DNS servers:", Show(FieldText(d.dns1)) + ", " + Show(FieldText(d.dns2))},
                        {"Date, time:", DateTimeText(d)},
                        {"Timezone:", std::to_string(d.timezone) + " " + TimezoneText(d.timezone)},
                        {"Password:", d.passwordRequired ? "required" : "not required"},
                        {"Shares (" + std::to_string(shareCount) + "):", shareList},
                    });
    std::fprintf(out, "\n");
    std::vector<std::vector<std::string>> rows = {
        {"Share Name", "Device Id", "FS Type", "Total Size(MB)", "Free Space"}};
    for (const protocol::Disk& disk : disks) {
        std::array<std::string, 5> texts = protocol::DiskTexts(disk);
        rows.push_back({ForTerminal(texts[0]), ForTerminal(texts[1]), ForTerminal(texts[2]),
                        texts[3], texts[4]});
    }
    PrintTable(out, rows);
    if (!missing.empty()) {
        std::string list;
        for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
        std::fprintf(out, "\nNot received: %s\n", list.c_str());
    }
}

}  // namespace

int Status(Context& c, const protocol::Mac& mac)
{
    protocol::DeviceInfo device;
    device.mac = mac;
    StatusCollector view(c.io.err);
    protocol::ReceivedParts parts;
    const int code = c.Query(device, view, &parts);
    if (code == kExitTimedOut && !parts.systemInfo && !parts.networkInfo) {
        // Most often a MAC typed wrong or an adapter on another network.
        std::fprintf(c.io.err,
                     "Is the MAC right? \"dravmoor discover\" lists the adapters that "
                     "answer.\n");
    }
    if (code != kExitOk) return code;
    // An exchange ended by an answer of another kind leaves its fields blank: say which, so
    // a blank is never read as the adapter's value.
    std::vector<std::string> missing;
    if (!parts.systemInfo) missing.push_back("systemInfo");
    if (!parts.networkInfo) missing.push_back("networkInfo");
    if (!parts.shareCount) missing.push_back("shareCount");
    if (!parts.sharePages) missing.push_back("shares");
    if (!parts.diskInfo) missing.push_back("disks");
    if (c.json) {
        PrintJsonStatus(c.io.out, device, view.disks(), missing);
    } else {
        PrintTextStatus(c.io.out, device, view.disks(), missing);
    }
    if (protocol::IsAmbiguous(device)) {
        c.Error(AmbiguityText(device) + " Shown is the answer by " + device.interfaceName +
                "; name the adapter's network with --interface");
        return kExitFailed;
    }
    if (missing.empty()) return kExitOk;
    std::string list;
    for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
    c.Error("not received (another answer came instead): " + list);
    return kExitFailed;
}

}  // namespace cli
