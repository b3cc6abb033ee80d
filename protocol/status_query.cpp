#include "protocol/status_query.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "protocol/messages.h"

namespace protocol {

namespace {

// Page indices travel as one byte, so at most 256 pages can be asked for and echoed.
constexpr unsigned kMaxSharePages = 256;

template <std::size_t N>
std::string WireText(const std::array<std::uint8_t, N>& field)
{
    auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

void CopySystemInfo(const SystemInfoReply& r, DeviceInfo& device)
{
    StoreField(device.signature, r.signature);
    StoreField(device.firmware, r.firmware);
    device.passwordRequired = r.passwordRequired;
    StoreField(device.description, r.description);
    StoreField(device.date, r.date);
    StoreField(device.time, r.time);
    device.timezone = r.timezone;
}

void CopyNetworkInfo(const NetworkInfo& r, DeviceInfo& device)
{
    device.ipMode = r.ipMode;
    StoreField(device.ipAddress, r.addresses[0]);
    StoreField(device.subnetMask, r.addresses[1]);
    StoreField(device.gateway, r.addresses[2]);
    StoreField(device.dns1, r.addresses[3]);
    StoreField(device.dns2, r.addresses[4]);
}

std::vector<Disk> Disks(const std::vector<DiskEntry>& entries)
{
    std::vector<Disk> disks;
    disks.reserve(entries.size());
    for (const DiskEntry& e : entries) {
        disks.push_back({WireText(e.shareName), WireText(e.deviceId), WireText(e.fsType),
                         e.totalSizeMB, e.freePercent});
    }
    return disks;
}

StatusResult TimeOut(Session& session, StatusView& view, const char* text)
{
    // The message first, then the socket and library go; the caller refreshes the list.
    view.ShowMessage(text);
    session.Release();
    return StatusResult::TimedOut;
}

}  // namespace

std::string FirmwareText(const DeviceInfo& device)
{
    const auto& f = device.firmware;
    std::string text{'V', f[0], f[1], 'R', f[2], f[3]};
    // A zero firmware byte ends the text where it stands, as a C string would.
    return text.substr(0, text.find('\0'));
}

std::string MacText(const Mac& mac)
{
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return buf;
}

std::string IpStatusText(std::uint8_t ipMode)
{
    if (ipMode == 0) return "Static ip";
    if (ipMode == 1) return "DHCP";
    return {};
}

std::array<std::string, 5> PanelBytes(const DeviceInfo& device)
{
    return {FirmwareText(device), FieldText(device.ipAddress), MacText(device.mac),
            FieldText(device.description), IpStatusText(device.ipMode)};
}

std::array<std::string, 5> DiskColumns(const Disk& disk)
{
    return {disk.shareName, disk.deviceId, disk.fsType, std::to_string(disk.totalSizeMB),
            std::to_string(disk.freePercent) + "%"};
}

unsigned SharePageCount(std::uint16_t shareCount)
{
    if (shareCount == 0) return 0;
    return std::min(unsigned{shareCount} / unsigned{kSharesPerPage} + 1, kMaxSharePages);
}

StatusResult QueryDeviceStatus(sockets::SocketApi& api, DeviceInfo& device, StatusView& view)
{
    return QueryDeviceStatus(api, device, view, RouteTo(device));
}

StatusResult QueryDeviceStatus(sockets::SocketApi& api, DeviceInfo& device, StatusView& view,
                               const Route& route, ReceivedParts* received)
{
    // Kept up to date as answers come, so a time-out still tells what did arrive.
    ReceivedParts unused;
    ReceivedParts& parts = received ? *received : unused;
    parts = {};
    view.ClearDeviceInfo();
    Session session(api, view, kLibraryVersion);
    if (!session.ok()) return StatusResult::NotStarted;
    session.SetRoute(route);
    const Mac mac = device.mac;

    // The answers had so far, by cmd (share pages by index too): a later datagram of one of
    // these is a copy of it, arriving late or twice, and never the answer of another exchange.
    std::set<std::uint16_t> answered;
    std::set<unsigned> pagesAnswered;
    const Session::LateCopy isLateCopy = [&](const Datagram& d) {
        const std::uint16_t cmd = d.Header().cmd;
        if (cmd == CMD_GET_SHARE_LIST) return pagesAnswered.count(d.U8(kHeaderSize)) > 0;
        return answered.count(cmd) > 0;
    };
    const auto ask = [&](std::uint16_t cmd, std::span<const std::uint8_t> payload = {}) {
        return session.Exchange(cmd, mac, payload, kStatusWait, isLateCopy);
    };

    auto system = ask(CMD_GET_SYSTEM_INFO);
    if (!system) return TimeOut(session, view, text::kTimeoutSystemInfo);
    if (device.interfaceName.empty()) device.interfaceName = session.ArrivedOn();
    for (const std::string& other : session.AnsweredDifferently())
        AddAnsweredElsewhere(device, other);
    if (system->Header().cmd == CMD_GET_SYSTEM_INFO) {
        CopySystemInfo(ReadSystemInfoReply(*system), device);
        answered.insert(CMD_GET_SYSTEM_INFO);
        parts.systemInfo = true;
    }

    auto network = ask(CMD_GET_NETWORK_INFO);
    if (!network) return TimeOut(session, view, text::kTimeoutNetworkInfo);
    if (network->Header().cmd == CMD_GET_NETWORK_INFO) {
        CopyNetworkInfo(ReadNetworkInfoReply(*network), device);
        answered.insert(CMD_GET_NETWORK_INFO);
        parts.networkInfo = true;
    }

    view.ShowPanel(device);

    auto count = ask(CMD_GET_SHARE_COUNT);
    if (!count) return TimeOut(session, view, text::kTimeoutShareNumber);
    if (count->Header().cmd == CMD_GET_SHARE_COUNT) {
        device.shareCount = ReadShareCountReply(*count);
        answered.insert(CMD_GET_SHARE_COUNT);
        parts.shareCount = true;
    }

    if (device.shares)
        device.shares->clear();
    else
        device.shares.emplace();

    // Fixed before the first request: a page that is dropped is not asked for again.
    const unsigned pages = SharePageCount(device.shareCount);
    parts.sharePages = true;
    for (unsigned p = 0; p < pages; ++p) {
        auto page = ask(CMD_GET_SHARE_LIST, SharePagePayload(p));
        if (!page) return TimeOut(session, view, text::kTimeoutShareList);
        SharePage records;
        if (page->Header().cmd == CMD_GET_SHARE_LIST) records = ReadSharePageReply(*page);
        if (page->Header().cmd != CMD_GET_SHARE_LIST || records.pageIndex != p) {
            parts.sharePages = false;
            continue;
        }
        pagesAnswered.insert(p);
        for (const auto& r : records.records) device.shares->push_back(ShareEntry{r});
    }

    auto disks = ask(CMD_GET_DISK_INFO);
    // The disk table shares the share-count text.
    if (!disks) return TimeOut(session, view, text::kTimeoutShareNumber);
    if (disks->Header().cmd == CMD_GET_DISK_INFO) {
        view.ShowDisks(Disks(ReadDiskInfoReply(*disks)));
        parts.diskInfo = true;
    }

    view.EnableDeviceCommands();
    session.Release();
    return StatusResult::Completed;
}

}  // namespace protocol
