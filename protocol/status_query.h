// The status query of one device: system info, network info, share count, share pages and
// disk table on one socket, storing what arrives in the DeviceInfo and reporting what the
// main window shows through StatusView.
#pragma once

#include <array>
#include <string>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/exchange.h"

namespace protocol {

// The scoped enumerator Mac is always written PanelField::Mac, so it cannot be mistaken for
// the Mac type; GCC's -Wshadow still flags it.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#endif
enum class PanelField { Firmware, IpAddress, Mac, Description, IpStatus };
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

class StatusView : public MessageSink {
public:
    virtual void ClearDeviceInfo() = 0;  // the five panel texts and the disk rows
    // Texts are the device's 8-bit bytes as stored (the front end decodes them).
    virtual void SetPanelText(PanelField field, const std::string& text) = 0;
    virtual void ClearDiskRows() = 0;
    virtual void AddDiskRow(const std::array<std::string, 5>& columns) = 0;
    virtual void EnableDeviceCommands() = 0;  // Share mapping, Access via web, Setup wizard
};

enum class StatusResult {
    Completed,   // the panel is filled and the device commands enabled
    NotStarted,  // the library or the socket could not be had; panel left empty
    TimedOut,    // message shown, socket released: the caller refreshes the device list
};

// The requests leave by the device's interface (RouteTo), or by those of `route`. A record
// that knows no interface yet learns the one its first answer came by.
StatusResult QueryDeviceStatus(sockets::SocketApi& api, DeviceInfo& device, StatusView& view);
StatusResult QueryDeviceStatus(sockets::SocketApi& api, DeviceInfo& device, StatusView& view,
                               const Route& route);

// The panel texts as they are derived from a record.
std::string FirmwareText(const DeviceInfo& device);  // "V%c%cR%c%c"
std::string MacText(const Mac& mac);                 // lower-case "xx:xx:xx:xx:xx:xx"
std::string IpStatusText(std::uint8_t ipMode);       // "Static ip", "DHCP" or ""

// Pages asked for a share count: none for 0, otherwise count / 20 + 1, never more than the
// 256 page indices that can travel. The count is unsigned: 32768 and more are counts too.
unsigned SharePageCount(std::uint16_t shareCount);

}  // namespace protocol
