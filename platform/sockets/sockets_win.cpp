// The system socket backend on Windows (Winsock 2). A thin layer: the protocol was written
// against these calls, so most operations pass straight through. As on POSIX,
// Wait(FullInterval) drains arriving datagrams into a queue of our own while it sleeps and
// RecvFrom serves that queue first, so a burst of replies cannot overflow the receive buffer.
//
// Several interfaces: a datagram that must leave by one interface goes out on a companion
// socket bound to that interface's address, which is how Windows picks the interface of a
// limited broadcast (and how Linux does too, so it also holds under Wine); IN_PKTINFO on
// WSASendMsg sets the source address but is not honoured everywhere for broadcasts. A
// handle stands for its socket and its companions: replies come back to the companion that
// asked, and every receive, wait and drain covers them all, telling the interface each
// datagram arrived on. WSARecvMsg with IP_PKTINFO tells it for the main socket.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600  // GetAdaptersAddresses and WSARecvMsg (Vista and later)
#endif
// Order matters: Winsock 2 before windows.h, and the helper headers after both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <iphlpapi.h>
#include <mswsock.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sockets/datagram_queue.h"
#include "platform/sockets/sockets.h"
#include "platform/sockets/source_port.h"

namespace sockets {
namespace {

constexpr std::size_t kMaxDatagram = 65507;

using Clock = std::chrono::steady_clock;

SOCKET ToSocket(SocketHandle s)
{
    return static_cast<SOCKET>(s);
}

sockaddr_in MakeAddr(std::uint32_t addr, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(addr);
    sa.sin_port = htons(port);
    return sa;
}

int Result(int r)
{
    return r == SOCKET_ERROR ? kSocketError : r;
}

// By default an ICMP port-unreachable (which anyone can forge) makes the socket's next
// receive fail with WSAECONNRESET, as if the datagram socket had a connection to lose.
void IgnorePortUnreachable(SOCKET s)
{
    BOOL report = FALSE;
    DWORD bytes = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &bytes, nullptr, nullptr);
}

// The port `s` is bound to; 0 when it is not bound.
std::uint16_t LocalPort(SOCKET s)
{
    sockaddr_in local{};
    int length = sizeof local;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) == SOCKET_ERROR) return 0;
    return ntohs(local.sin_port);
}

// One socket of a handle and the index of the interface it is bound to (0: none).
struct Via {
    std::uint32_t index = 0;
    SOCKET socket = INVALID_SOCKET;
};

// Control data for one IN_PKTINFO, aligned for the header.
struct PktInfoControl {
    alignas(WSACMSGHDR) char bytes[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
};

std::string ToUtf8(const wchar_t* text)
{
    if (text == nullptr) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n - 1));
    return out;
}

class WinsockSocketApi final : public SocketApi {
public:
    ~WinsockSocketApi() override
    {
        for (const auto& entry : m_queues) ::closesocket(entry.first);
        for (const auto& entry : m_vias)
            for (const Via& v : entry.second) ::closesocket(v.socket);
    }

    int Startup(std::uint16_t version) override
    {
        WSADATA data{};
        const int r = ::WSAStartup(version, &data);
        if (r != 0) return r;
        if (data.wVersion != version) {
            // The library offers another version than asked for: treat as not started.
            ::WSACleanup();
            return WSAVERNOTSUPPORTED;
        }
        return 0;
    }

    int Cleanup() override { return Result(::WSACleanup()); }

    int LastError() const override { return ::WSAGetLastError(); }

    SocketHandle OpenUdp() override { return Open(SOCK_DGRAM, IPPROTO_UDP); }
    SocketHandle OpenTcp() override { return Open(SOCK_STREAM, IPPROTO_TCP); }

    int Close(SocketHandle s) override
    {
        m_queues.erase(ToSocket(s));
        m_receiveBuffers.erase(ToSocket(s));
        auto vias = m_vias.find(ToSocket(s));
        if (vias != m_vias.end()) {
            for (const Via& v : vias->second) ::closesocket(v.socket);
            m_vias.erase(vias);
        }
        return Result(::closesocket(ToSocket(s)));
    }

    int SetNonBlocking(SocketHandle s, bool on) override
    {
        u_long mode = on ? 1 : 0;
        return Result(::ioctlsocket(ToSocket(s), FIONBIO, &mode));
    }

    int SetBroadcast(SocketHandle s, bool on) override
    {
        const int value = on ? 1 : 0;
        return Result(::setsockopt(ToSocket(s), SOL_SOCKET, SO_BROADCAST,
                                   reinterpret_cast<const char*>(&value), sizeof value));
    }

    int SetReceiveBuffer(SocketHandle s, int bytes) override
    {
        if (::setsockopt(ToSocket(s), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                         sizeof bytes) == SOCKET_ERROR) {
            return kSocketError;
        }
        // What the system granted, which may be less, is what companions made later get.
        int granted = bytes;
        int length = sizeof granted;
        if (::getsockopt(ToSocket(s), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&granted),
                         &length) == SOCKET_ERROR) {
            granted = bytes;
        }
        m_receiveBuffers[ToSocket(s)] = granted;
        return 0;
    }

    int Bind(SocketHandle s, std::uint32_t addr, std::uint16_t port) override
    {
        sockaddr_in sa = MakeAddr(addr, port);
        return Result(::bind(ToSocket(s), reinterpret_cast<const sockaddr*>(&sa), sizeof sa));
    }

    int Listen(SocketHandle s, int backlog) override
    {
        return Result(::listen(ToSocket(s), backlog));
    }

    int SendTo(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
               std::uint16_t port) override
    {
        sockaddr_in sa = MakeAddr(addr, port);
        return Result(::sendto(ToSocket(s), reinterpret_cast<const char*>(data),
                               static_cast<int>(len), 0, reinterpret_cast<const sockaddr*>(&sa),
                               sizeof sa));
    }

    int RecvFrom(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                 std::uint16_t* fromPort) override
    {
        return RecvFromVia(s, buf, cap, fromAddr, fromPort, nullptr);
    }

    int RecvFromVia(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                    std::uint16_t* fromPort, std::uint32_t* arrivedOn) override
    {
        auto it = m_queues.find(ToSocket(s));
        if (it != m_queues.end() && !it->second.empty()) {
            DatagramQueue& queue = it->second;
            const std::size_t whole = queue.Pop(buf, cap, fromAddr, fromPort, arrivedOn);
            if (whole > cap) {
                ::WSASetLastError(WSAEMSGSIZE);
                return kSocketError;
            }
            return static_cast<int>(whole);
        }
        for (const Via& member : Group(ToSocket(s))) {
            sockaddr_in from{};
            std::uint32_t via = 0;
            const int n = ReceiveOne(member.socket, buf, cap, from, via);
            // A datagram longer than the buffer (WSAEMSGSIZE, its rest discarded) is a failed
            // receive like any other: a reply cut short must not pass for a whole one.
            if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEMSGSIZE) return kSocketError;
            if (n == SOCKET_ERROR) continue;
            if (fromAddr) *fromAddr = ntohl(from.sin_addr.s_addr);
            if (fromPort) *fromPort = ntohs(from.sin_port);
            if (arrivedOn) *arrivedOn = member.index != 0 ? member.index : via;
            return n;
        }
        return kSocketError;
    }

    int SendToVia(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
                  std::uint16_t port, const NetworkInterface& via) override
    {
        const SOCKET companion = Companion(ToSocket(s), via);
        if (companion == INVALID_SOCKET) return kSocketError;
        sockaddr_in sa = MakeAddr(addr, port);
        return Result(::sendto(companion, reinterpret_cast<const char*>(data),
                               static_cast<int>(len), 0, reinterpret_cast<const sockaddr*>(&sa),
                               sizeof sa));
    }

    std::vector<NetworkInterface> Interfaces() override
    {
        std::vector<NetworkInterface> out;
        const ULONG flags =
            GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
        ULONG size = 16 * 1024;
        std::vector<unsigned char> storage;
        ULONG r = ERROR_BUFFER_OVERFLOW;
        for (int attempt = 0; attempt < 3 && r == ERROR_BUFFER_OVERFLOW; ++attempt) {
            storage.resize(size);
            r = ::GetAdaptersAddresses(AF_INET, flags, nullptr,
                                       reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data()),
                                       &size);
        }
        if (r != NO_ERROR) return out;
        std::set<ULONG> seen;
        for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data()); a != nullptr;
             a = a->Next) {
            if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) {
                continue;
            }
            if (a->IfIndex == 0 || !seen.insert(a->IfIndex).second) continue;
            std::vector<Subnet> subnets;
            for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
                const sockaddr* sa = u->Address.lpSockaddr;
                if (sa == nullptr || sa->sa_family != AF_INET) continue;
                sockaddr_in in{};
                std::memcpy(&in, sa, sizeof in);
                const unsigned prefix = std::min<unsigned>(u->OnLinkPrefixLength, 32);
                const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
                subnets.push_back(Subnet{ntohl(in.sin_addr.s_addr), mask});
            }
            if (subnets.empty()) continue;
            // Point-to-point links and tunnels (most VPNs) cannot carry a broadcast.
            const bool broadcast = a->IfType != IF_TYPE_PPP && a->IfType != IF_TYPE_TUNNEL;
            out.push_back(NetworkInterface{ToUtf8(a->FriendlyName), a->IfIndex,
                                           subnets.front().address, broadcast, subnets});
        }
        return out;
    }

    bool Wait(SocketHandle s, std::chrono::milliseconds interval, WaitKind kind) override
    {
        const Clock::time_point deadline = Clock::now() + interval;
        auto it = m_queues.find(ToSocket(s));
        if (it == m_queues.end()) {
            SleepUntil(deadline);
            return false;
        }
        DatagramQueue& queue = it->second;
        const std::vector<Via> group = Group(ToSocket(s));
        if (kind == WaitKind::UntilDatagram) {
            if (!queue.empty()) return true;
            return SelectReadable(group, deadline);
        }
        while (Clock::now() < deadline) {
            if (!SelectReadable(group, deadline)) break;
            bool took = false;
            for (const Via& member : group) took = Drain(member, queue) || took;
            if (!took) {
                SleepUntil(deadline);
                break;
            }
        }
        if (!queue.empty()) return true;
        return SelectReadable(group, Clock::now());
    }

private:
    SocketHandle Open(int type, int protocol)
    {
        const SOCKET s = ::socket(AF_INET, type, protocol);
        if (s == INVALID_SOCKET) return kInvalidSocket;
        if (type == SOCK_DGRAM) {
            // Not fatal: without it every datagram reads as arrived on an unknown interface.
            const DWORD on = 1;
            ::setsockopt(s, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&on), sizeof on);
            IgnorePortUnreachable(s);
        }
        m_queues[s];
        return static_cast<SocketHandle>(s);
    }

    // Takes every datagram waiting now, without blocking: until the receive would block
    // (FIONREAD cannot tell, since it says 0 for a zero-length datagram too). False when
    // nothing was taken. The last error is kept as it was, so a later LastError() still
    // tells the caller's story.
    bool Drain(const Via& member, DatagramQueue& queue)
    {
        const SOCKET s = member.socket;
        const int savedError = ::WSAGetLastError();
        bool took = false;
        for (;;) {
            sockaddr_in from{};
            std::uint32_t via = 0;
            const int n = ReceiveOne(s, m_scratch.data(), m_scratch.size(), from, via);
            if (n == SOCKET_ERROR) {
                const int error = ::WSAGetLastError();
                // Too long: gone, as the queue would drop it. A reset cannot come with the
                // reports turned off, but would say nothing about the next datagram either.
                if (error == WSAEMSGSIZE || error == WSAECONNRESET) continue;
                break;
            }
            took = true;
            // What does not fit is dropped, as the kernel would drop the newest.
            queue.Push(m_scratch.data(), static_cast<std::size_t>(n), ntohl(from.sin_addr.s_addr),
                       ntohs(from.sin_port), member.index != 0 ? member.index : via);
        }
        ::WSASetLastError(savedError);
        return took;
    }

    // One datagram into `buf`, its sender and the interface it arrived on (0 when not
    // known). One longer than `cap` fails with WSAEMSGSIZE. WSARecvMsg when the system offers it,
    // recvfrom otherwise.
    int ReceiveOne(SOCKET s, std::uint8_t* buf, std::size_t cap, sockaddr_in& from,
                   std::uint32_t& arrivedOn)
    {
        arrivedOn = 0;
        LPFN_WSARECVMSG recvMsg = RecvMsgFunction(s);
        if (recvMsg == nullptr) {
            int fromLen = sizeof from;
            const int n = ::recvfrom(s, reinterpret_cast<char*>(buf), static_cast<int>(cap), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLen);
            return n;
        }
        WSABUF buffer{static_cast<ULONG>(cap), reinterpret_cast<char*>(buf)};
        PktInfoControl control;
        WSAMSG msg{};
        msg.name = reinterpret_cast<sockaddr*>(&from);
        msg.namelen = sizeof from;
        msg.lpBuffers = &buffer;
        msg.dwBufferCount = 1;
        msg.Control.buf = control.bytes;
        msg.Control.len = sizeof control.bytes;
        DWORD received = 0;
        if (recvMsg(s, &msg, &received, nullptr, nullptr) == SOCKET_ERROR) return SOCKET_ERROR;
        // One control message at most was asked for: IN_PKTINFO.
        const auto* header = reinterpret_cast<const WSACMSGHDR*>(control.bytes);
        if (msg.Control.len >= sizeof(WSACMSGHDR) && header->cmsg_level == IPPROTO_IP &&
            header->cmsg_type == IP_PKTINFO) {
            IN_PKTINFO info{};
            std::memcpy(&info, control.bytes + WSA_CMSGDATA_ALIGN(sizeof(WSACMSGHDR)), sizeof info);
            arrivedOn = info.ipi_ifindex;
        }
        return static_cast<int>(received);
    }

    LPFN_WSARECVMSG RecvMsgFunction(SOCKET s)
    {
        if (!m_recvMsgLooked) {
            m_recvMsgLooked = true;
            GUID id = WSAID_WSARECVMSG;
            DWORD bytes = 0;
            if (::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &m_recvMsg,
                           sizeof m_recvMsg, &bytes, nullptr, nullptr) == SOCKET_ERROR) {
                m_recvMsg = nullptr;
            }
        }
        return m_recvMsg;
    }

    // The handle's socket (index 0: its interface is read from IP_PKTINFO) and its
    // companions, one per interface a datagram was sent by.
    std::vector<Via> Group(SOCKET s) const
    {
        std::vector<Via> group{Via{0, s}};
        auto vias = m_vias.find(s);
        if (vias != m_vias.end())
            group.insert(group.end(), vias->second.begin(), vias->second.end());
        return group;
    }

    // The companion of `s` for `via`, made on first use: bound to the interface's address,
    // non-blocking, allowed to broadcast, with the receive buffer granted to `s`. Its port is
    // `s`'s where the system allows that beside `s`'s binding to every address, else the next
    // free one of the request range, so requests by any interface leave from the ports a
    // firewall opened; the system's choice when `s` has none of them.
    SOCKET Companion(SOCKET s, const NetworkInterface& via)
    {
        if (m_queues.count(s) == 0) {
            ::WSASetLastError(WSAENOTSOCK);
            return INVALID_SOCKET;
        }
        std::vector<Via>& vias = m_vias[s];
        for (const Via& v : vias)
            if (v.index == via.index) return v.socket;
        const SOCKET c = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (c == INVALID_SOCKET) return c;
        u_long nonBlocking = 1;
        const int on = 1;
        ::ioctlsocket(c, FIONBIO, &nonBlocking);
        ::setsockopt(c, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
        IgnorePortUnreachable(c);
        auto buffer = m_receiveBuffers.find(s);
        if (buffer != m_receiveBuffers.end()) {
            ::setsockopt(c, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer->second),
                         sizeof buffer->second);
        }
        const auto bindTo = [&](std::uint16_t port) {
            const sockaddr_in local = MakeAddr(via.address, port);
            return ::bind(c, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
        };
        const std::uint16_t own = LocalPort(s);
        const bool inRange = own >= kSourcePortFirst && own <= kSourcePortLast;
        if ((!inRange || BindInSourceRange(bindTo, own) == 0) && !bindTo(0)) {
            const int error = ::WSAGetLastError();
            ::closesocket(c);
            ::WSASetLastError(error);
            return INVALID_SOCKET;
        }
        vias.push_back(Via{via.index, c});
        return c;
    }

    static bool SelectReadable(const std::vector<Via>& group, Clock::time_point deadline)
    {
        auto left = deadline - Clock::now();
        if (left < Clock::duration::zero()) left = Clock::duration::zero();
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        timeval tv{};
        tv.tv_sec = static_cast<long>(us / 1000000);
        tv.tv_usec = static_cast<long>(us % 1000000);
        fd_set readable;
        FD_ZERO(&readable);
        for (const Via& member : group) FD_SET(member.socket, &readable);
        const int r = ::select(0, &readable, nullptr, nullptr, &tv);
        if (r == SOCKET_ERROR) {
            SleepUntil(deadline);
            return false;
        }
        return r > 0;
    }

    static void SleepUntil(Clock::time_point deadline)
    {
        for (;;) {
            const auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) return;
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
            ::Sleep(static_cast<DWORD>(ms));
        }
    }

    std::map<SOCKET, DatagramQueue> m_queues;
    std::map<SOCKET, std::vector<Via>> m_vias;  // companions per handle
    std::map<SOCKET, int> m_receiveBuffers;
    LPFN_WSARECVMSG m_recvMsg = nullptr;
    bool m_recvMsgLooked = false;
    std::vector<std::uint8_t> m_scratch = std::vector<std::uint8_t>(kMaxDatagram);
};

}  // namespace

std::unique_ptr<SocketApi> CreateSystemSocketApi()
{
    return std::make_unique<WinsockSocketApi>();
}

}  // namespace sockets
