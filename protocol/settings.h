// The two writes of the setup wizard, from plain values: CMD_SET_SYSTEM_INFO and
// CMD_SET_NETWORK_INFO, plus the description check that guards the first.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sockets/sockets.h"
#include "protocol/exchange.h"
#include "protocol/wire.h"

namespace protocol {

inline constexpr std::size_t kDescriptionSent = 63;  // characters examined and sent

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

struct NetworkSettings {
    std::uint8_t ipMode = 0;  // 0 static, 1 DHCP, 255 nothing selected
    // ipAddress, subnetMask, gateway, dns1, dns2 as dotted-quad texts (at most 15 sent).
    std::array<std::string, 5> addresses;
};
std::array<std::uint8_t, kNetworkInfoPayloadSize> NetworkInfoPayload(const NetworkSettings& s);

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
