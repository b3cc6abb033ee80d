// The administrator check: one CMD_VERIFY exchange (20 waits of 200 ms).
#pragma once

#include <string_view>

#include "platform/sockets/sockets.h"
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

}  // namespace protocol
