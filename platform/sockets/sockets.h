// The socket operations the management protocol needs, as one small interface.
// protocol/ talks only to this; the POSIX, Winsock and fake backends implement it, so no
// OS type leaks upward. Results follow the Winsock conventions the protocol was written
// against: 0 for success, kSocketError (-1) for failure with the reason in LastError().
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sockets {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;
inline constexpr int kSocketError = -1;

// IPv4 addresses and ports in host byte order; backends convert.
inline constexpr std::uint32_t kAddrAny = 0x00000000u;
inline constexpr std::uint32_t kAddrBroadcast = 0xFFFFFFFFu;

// Winsock-style version word: low byte major, high byte minor (MAKEWORD).
constexpr std::uint16_t MakeVersion(std::uint8_t major, std::uint8_t minor)
{
    return static_cast<std::uint16_t>(major | (minor << 8));
}

enum class WaitKind {
    // Sleep the whole interval. A backend may drain arriving datagrams into its own queue
    // meanwhile (so a burst never overflows the kernel buffer), but returns only when the
    // interval is over. Discovery uses this: its listening window never shrinks.
    FullInterval,
    // Return as soon as a datagram is ready to be received, at the latest after the interval.
    // Exchanges that end at their first datagram use this.
    UntilDatagram,
};

// One IPv4 address of an interface with its subnet mask (host byte order).
struct Subnet {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
};

// A network interface of this host that is up and has an IPv4 address.
struct NetworkInterface {
    std::string name;           // as the system shows it ("eth0"; a friendly name on Windows)
    std::uint32_t index = 0;    // the system's interface index, never 0
    std::uint32_t address = 0;  // its first IPv4 address
    bool broadcast = true;      // false: point-to-point, as most VPN tunnels are
    // Every IPv4 address of the interface with its mask; empty when the backend cannot tell.
    std::vector<Subnet> subnets{};
};

class SocketApi {
public:
    virtual ~SocketApi() = default;

    // Starts the socket library asking for `version`. Returns 0 when it started and offers
    // exactly that version, otherwise a non-zero error code (and the library is not started).
    virtual int Startup(std::uint16_t version) = 0;
    // Releases one Startup. Returns 0, or kSocketError with the reason in LastError().
    virtual int Cleanup() = 0;
    virtual int LastError() const = 0;

    virtual SocketHandle OpenUdp() = 0;  // AF_INET, SOCK_DGRAM, IPPROTO_UDP
    virtual SocketHandle OpenTcp() = 0;  // AF_INET, SOCK_STREAM, IPPROTO_TCP
    virtual int Close(SocketHandle s) = 0;

    virtual int SetNonBlocking(SocketHandle s, bool on) = 0;
    virtual int SetBroadcast(SocketHandle s, bool on) = 0;
    // Asks for a receive buffer of `bytes`; the system may grant less. Returns 0 or error.
    virtual int SetReceiveBuffer(SocketHandle s, int bytes) = 0;
    virtual int Bind(SocketHandle s, std::uint32_t addr, std::uint16_t port) = 0;
    virtual int Listen(SocketHandle s, int backlog) = 0;

    // Returns the number of bytes sent or kSocketError.
    virtual int SendTo(SocketHandle s, const std::uint8_t* data, std::size_t len,
                       std::uint32_t addr, std::uint16_t port) = 0;
    // Returns the length of the datagram received or kSocketError when nothing is waiting on a
    // non-blocking socket, the datagram was longer than `cap` (it is then gone) or the call
    // failed. `fromAddr`/`fromPort` may be null.
    virtual int RecvFrom(SocketHandle s, std::uint8_t* buf, std::size_t cap,
                         std::uint32_t* fromAddr, std::uint16_t* fromPort) = 0;

    // The one wait of the protocol: "sleep one wait interval" between receive attempts.
    // Returns true when a datagram is ready to be received on `s` at return.
    virtual bool Wait(SocketHandle s, std::chrono::milliseconds interval, WaitKind kind) = 0;
    // The clock the waits are measured by (monotonic; the fake backend's is virtual), so an
    // exchange woken early by a datagram it cannot use still waits out its whole time.
    virtual std::chrono::milliseconds Now()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }

    // Several networks. A datagram to 255.255.255.255 leaves by the one interface the route
    // lookup picks; these let a caller choose the interface per datagram instead. The
    // defaults serve a backend that knows no interfaces: nothing to choose, the system's
    // route for everything.

    // The interfaces that are up, not loopback and have an IPv4 address, in the system's
    // order; empty when they cannot be listed.
    virtual std::vector<NetworkInterface> Interfaces() { return {}; }
    // As SendTo, leaving by `via`.
    virtual int SendToVia(SocketHandle s, const std::uint8_t* data, std::size_t len,
                          std::uint32_t addr, std::uint16_t port, const NetworkInterface& via)
    {
        (void)via;
        return SendTo(s, data, len, addr, port);
    }
    // As RecvFrom, also telling the index of the interface the datagram arrived on (0 when
    // not known). `arrivedOn` may be null.
    virtual int RecvFromVia(SocketHandle s, std::uint8_t* buf, std::size_t cap,
                            std::uint32_t* fromAddr, std::uint16_t* fromPort,
                            std::uint32_t* arrivedOn)
    {
        if (arrivedOn) *arrivedOn = 0;
        return RecvFrom(s, buf, cap, fromAddr, fromPort);
    }
};

// The operating system's sockets (POSIX or Winsock backend, chosen at build time).
std::unique_ptr<SocketApi> CreateSystemSocketApi();

}  // namespace sockets
