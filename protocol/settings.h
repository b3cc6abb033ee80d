// The two writes of the setup wizard, from plain values: CMD_SET_SYSTEM_INFO and
// CMD_SET_NETWORK_INFO, the description check that guards the first, and the settings a
// front end starts from (the device's current values) before the user changes them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/device_time.h"
#include "protocol/exchange.h"
#include "protocol/limits.h"
#include "protocol/wire.h"

namespace protocol {

// True when every byte is 0-9, a-z, A-Z, space, '-' or '_' (an empty text passes).
bool IsValidDescription(std::string_view text);

struct SystemSettings {
    bool passwordRequired = false;
    std::array<char, 17> name{};  // the DeviceInfo name, sent back unchanged
    std::string description;      // at most the first 63 bytes are sent
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    std::uint8_t timezone = 0;  // 255 when nothing is selected
};
std::array<std::uint8_t, kSystemInfoPayloadSize> SystemInfoPayload(const SystemSettings& s);

// The record's date and time with the carry rule (all 8 and 6 bytes, as stored).
std::optional<CalendarTime> DeviceCalendarTime(const DeviceInfo& device);

// The timezone list entry a record's timezone selects, -1 (nothing) for 75 and more.
int TimezoneSelection(std::uint8_t timezone);

// What an unchanged setup page sends for this record: its name, description, password flag,
// timezone (255 when it selects no entry) and its date and time read with the carry rule,
// or `clock` where they give no usable time. A front end applies the user's changes to it.
SystemSettings CurrentSystemSettings(const DeviceInfo& device, const CalendarTime& clock);
void SetDateTime(SystemSettings& s, const CalendarTime& t);

struct NetworkSettings {
    std::uint8_t ipMode = 0;  // 0 static, 1 DHCP, 255 nothing selected
    // ipAddress, subnetMask, gateway, dns1, dns2 as dotted-quad texts (at most 15 sent).
    std::array<std::string, 5> addresses;
};
std::array<std::uint8_t, kNetworkInfoPayloadSize> NetworkInfoPayload(const NetworkSettings& s);

// A stored address as the address control reads it back: four fields, each a plain number of
// one to three digits up to 255 or else 0 ("" gives "0.0.0.0", "010.1.1.1" "10.1.1.1").
std::string NormalizedAddress(std::string_view text);

// What an unchanged network page sends: mode 0 stays static, any other value is DHCP (1), and
// the five addresses as the address controls show them.
NetworkSettings CurrentNetworkSettings(const DeviceInfo& device);

struct WriteOutcome {
    bool sent = false;      // false: library or socket failed (shown); the page must stay
    bool answered = false;  // a datagram arrived within the wait
    bool refused = false;   // network write only: cmd 19 with status != 0 ("Set network info
                            // failed!" shown)
};

// `route`: where the request leaves (RouteTo of the device; empty: the system's choice).
WriteOutcome WriteSystemInfo(sockets::SocketApi& api, MessageSink& sink, const Mac& mac,
                             const SystemSettings& settings, const Route& route = {});
WriteOutcome WriteNetworkInfo(sockets::SocketApi& api, MessageSink& sink, const Mac& mac,
                              const NetworkSettings& settings, const Route& route = {});

}  // namespace protocol
