#include "protocol/status_query.h"

#include <algorithm>
#include <cstdio>

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

void ShowPanel(const DeviceInfo& device, StatusView& view)
{
    view.SetPanelText(PanelField::Firmware, FirmwareText(device));
    view.SetPanelText(PanelField::IpAddress, FieldText(device.ipAddress));
    view.SetPanelText(PanelField::Mac, MacText(device.mac));
    view.SetPanelText(PanelField::Description, FieldText(device.description));
    view.SetPanelText(PanelField::IpStatus, IpStatusText(device.ipMode));
}

void ShowDisks(const std::vector<DiskEntry>& disks, StatusView& view)
{
    view.ClearDiskRows();
    for (const DiskEntry& e : disks) {
        view.AddDiskRow({WireText(e.shareName), WireText(e.deviceId), WireText(e.fsType),
                         std::to_string(e.totalSizeMB), std::to_string(e.freePercent) + "%"});
    }
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
                               const Route& route)
{
    view.ClearDeviceInfo();
    Session session(api, view, kLibraryVersion);
    if (!session.ok()) return StatusResult::NotStarted;
    session.SetRoute(route);
    const Mac mac = device.mac;

    auto system = session.Exchange(CMD_GET_SYSTEM_INFO, mac, {}, kStatusWait);
    if (!system) return TimeOut(session, view, text::kTimeoutSystemInfo);
    if (device.interfaceName.empty()) device.interfaceName = session.ArrivedOn();
    if (system->Header().cmd == CMD_GET_SYSTEM_INFO)
        CopySystemInfo(ReadSystemInfoReply(*system), device);

    auto network = session.Exchange(CMD_GET_NETWORK_INFO, mac, {}, kStatusWait);
    if (!network) return TimeOut(session, view, text::kTimeoutNetworkInfo);
    if (network->Header().cmd == CMD_GET_NETWORK_INFO)
        CopyNetworkInfo(ReadNetworkInfoReply(*network), device);

    ShowPanel(device, view);

    auto count = session.Exchange(CMD_GET_SHARE_COUNT, mac, {}, kStatusWait);
    if (!count) return TimeOut(session, view, text::kTimeoutShareNumber);
    if (count->Header().cmd == CMD_GET_SHARE_COUNT) device.shareCount = ReadShareCountReply(*count);

    if (device.shares)
        device.shares->clear();
    else
        device.shares.emplace();

    // Fixed before the first request: a page that is dropped is not asked for again.
    const unsigned pages = SharePageCount(device.shareCount);
    for (unsigned p = 0; p < pages; ++p) {
        auto page = session.Exchange(CMD_GET_SHARE_LIST, mac, SharePagePayload(p), kStatusWait);
        if (!page) return TimeOut(session, view, text::kTimeoutShareList);
        if (page->Header().cmd != CMD_GET_SHARE_LIST) continue;
        SharePage records = ReadSharePageReply(*page);
        if (records.pageIndex != p) continue;
        for (const auto& r : records.records) device.shares->push_back(ShareEntry{r});
    }

    auto disks = session.Exchange(CMD_GET_DISK_INFO, mac, {}, kStatusWait);
    // The disk table shares the share-count text.
    if (!disks) return TimeOut(session, view, text::kTimeoutShareNumber);
    if (disks->Header().cmd == CMD_GET_DISK_INFO) ShowDisks(ReadDiskInfoReply(*disks), view);

    view.EnableDeviceCommands();
    session.Release();
    return StatusResult::Completed;
}

}  // namespace protocol
