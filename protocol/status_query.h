// The status query of one device: system info, network info, share count, share pages and
// disk table on one socket, storing what arrives in the DeviceInfo and reporting what the
// main window shows through StatusView.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/exchange.h"

namespace protocol {

// One USB disk as the adapter reported it: texts as its 8-bit bytes, sizes as numbers.
struct Disk {
    std::string shareName;  // at most 36 bytes
    std::string deviceId;   // at most 16
    std::string fsType;     // at most 10
    std::int32_t totalSizeMB = 0;
    std::int16_t freePercent = 0;
};

class StatusView : public MessageSink {
public:
    virtual void ClearDeviceInfo() = 0;  // the five panel texts and the disk rows
    // The record once system and network information were asked for; the front end formats
    // the panel from it (PanelTexts in protocol/display.h).
    virtual void ShowPanel(const DeviceInfo& device) = 0;
    // Replaces the disk rows with these, in order.
    virtual void ShowDisks(const std::vector<Disk>& disks) = 0;
    virtual void EnableDeviceCommands() = 0;  // Share mapping, Access via web, Setup wizard
};

enum class StatusResult {
    Completed,   // the panel is filled and the device commands enabled
    NotStarted,  // the library or the socket could not be had; panel left empty
    TimedOut,    // message shown, socket released: the caller refreshes the device list
};

// Which answers of a query carried their data: an exchange that ends on a datagram of another
// kind leaves the record's fields as they were, and a front end that writes from the record
// must know that.
struct ReceivedParts {
    bool systemInfo = false;
    bool networkInfo = false;
    bool shareCount = false;
    bool sharePages = false;  // every page asked for
    bool diskInfo = false;
    bool All() const { return systemInfo && networkInfo && shareCount && sharePages && diskInfo; }
};

// The requests leave by the device's interface (RouteTo), or by those of `route`. A record
// that knows no interface yet learns the one its first answer came by; asked by several, it
// also learns which others answered differently (alsoAnsweredOn). A second copy of an
// answer this query already had (the same cmd, for share pages the same page) is skipped, not
// taken as the answer of a later exchange. `received`, when given, tells what arrived.
StatusResult QueryDeviceStatus(sockets::SocketApi& api, DeviceInfo& device, StatusView& view);
StatusResult QueryDeviceStatus(sockets::SocketApi& api, DeviceInfo& device, StatusView& view,
                               const Route& route, ReceivedParts* received = nullptr);

// The panel texts as they are derived from a record, as 8-bit bytes.
std::string FirmwareText(const DeviceInfo& device);  // "V%c%cR%c%c"
std::string MacText(const Mac& mac);                 // lower-case "xx:xx:xx:xx:xx:xx"
std::string IpStatusText(std::uint8_t ipMode);       // "Static ip", "DHCP" or ""
// Firmware, IP address, MAC, description and IP status, in the panel's order.
std::array<std::string, 5> PanelBytes(const DeviceInfo& device);
// Share name, device id, file system, "%d" total size and "%d%%" free space.
std::array<std::string, 5> DiskColumns(const Disk& disk);

// Pages asked for a share count: none for 0, otherwise count / 20 + 1, never more than the
// 256 page indices that can travel. The count is unsigned: 32768 and more are counts too.
unsigned SharePageCount(std::uint16_t shareCount);

}  // namespace protocol
