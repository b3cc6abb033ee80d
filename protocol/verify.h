// The administrator check: one CMD_VERIFY exchange (20 waits of 200 ms).
#pragma once

#include <functional>
#include <string_view>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/exchange.h"

namespace protocol {

enum class VerifyResult {
    Accepted,    // cmd 21, status 0
    Refused,     // cmd 21, status != 0; "Verify failed!" shown
    OtherReply,  // first datagram had another cmd; nothing shown
    TimedOut,    // "Time out:Verify name & password!" shown
    NotSent,     // library or socket could not be had; the failure was shown
};

// Messages are shown before the socket is released. `user` and `password` are cut to 16
// and 8 bytes.
// `route`: where the request leaves (RouteTo of the device; empty: the system's choice).
VerifyResult VerifyAdministrator(sockets::SocketApi& api, MessageSink& sink, const Mac& mac,
                                 std::string_view user, std::string_view password,
                                 const Route& route = {});

// The rule that gates what changes an adapter (the wizard, the share mapping, the command
// line's writes): an adapter that asks for no password passes at once; otherwise `verify`
// runs (the dialog, the prompt) and only an accepted verification lets the command go on.
// The adapters cannot check who writes (a write carries no credential), so this protects
// honest users from mistakes, not the adapter from others.
bool PassesVerificationRule(const DeviceInfo& device, const std::function<bool()>& verify);

}  // namespace protocol
