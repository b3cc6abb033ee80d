// The local UDP ports requests leave from. The adapters answer to the port a request came
// from, and no connection tracking relates that answer to a broadcast, so a firewall has to
// let the answers in by port: a small fixed range lets it open exactly these, instead of
// everything that claims to come from port 1638.
//
// 16380-16387: above 1023 (no privilege needed), below the ephemeral ranges of Linux
// (32768-60999) and Windows (49152-65535), so no other program's connection holds one by
// chance; next to 1638 and easy to recognise in a rule, but never 1638 itself, where the
// socket would hear its own broadcast first.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>

#include "platform/sockets/sockets.h"

namespace sockets {

inline constexpr std::uint16_t kSourcePortFirst = 16380;
inline constexpr std::uint16_t kSourcePortCount = 8;
inline constexpr std::uint16_t kSourcePortLast = kSourcePortFirst + kSourcePortCount - 1;

// The port of the range after `port`, wrapping around.
constexpr std::uint16_t NextInSourceRange(std::uint16_t port)
{
    return static_cast<std::uint16_t>(kSourcePortFirst +
                                      (port - kSourcePortFirst + 1) % kSourcePortCount);
}

// Offers each port of the range to `tryBind` (returns true when it bound), `start` first and
// then the following ones, wrapping around. Returns the port taken, or 0 when none was.
template <class TryBind>
std::uint16_t BindInSourceRange(TryBind&& tryBind, std::uint16_t start = kSourcePortFirst)
{
    if (start < kSourcePortFirst || start > kSourcePortLast) start = kSourcePortFirst;
    std::uint16_t port = start;
    for (std::uint16_t i = 0; i < kSourcePortCount; ++i, port = NextInSourceRange(port))
        if (tryBind(port)) return port;
    return 0;
}

// The port the next request socket tries first: the one after the port bound last, so that
// an answer arriving late for one operation does not reach the next one, as it would on the
// same port. A process starts at a random one, so consecutive runs of a program differ too.
inline std::atomic<std::uint16_t>& NextSourcePort()
{
    static std::atomic<std::uint16_t> next{
        static_cast<std::uint16_t>(kSourcePortFirst + std::random_device{}() % kSourcePortCount)};
    return next;
}

// Binds the datagram socket `s` on every local address to a free port of the range, trying
// NextSourcePort() first. Returns that port, or 0 when all were taken: the socket then stays
// unbound and the system picks its port at the first send, as it did before there was a range.
inline std::uint16_t BindSourcePort(SocketApi& api, SocketHandle s)
{
    const std::uint16_t port = BindInSourceRange(
        [&](std::uint16_t p) { return api.Bind(s, kAddrAny, p) == 0; }, NextSourcePort());
    if (port != 0) NextSourcePort() = NextInSourceRange(port);
    return port;
}

}  // namespace sockets
