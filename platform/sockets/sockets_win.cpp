// The system socket backend on Windows (Winsock 2). A thin layer: the protocol was written
// against these calls, so most operations pass straight through. As on POSIX,
// Wait(FullInterval) drains arriving datagrams into a queue of our own while it sleeps and
// RecvFrom serves that queue first, so a burst of replies cannot overflow the receive buffer.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

#include "platform/sockets/datagram_queue.h"
#include "platform/sockets/sockets.h"

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

class WinsockSocketApi final : public SocketApi {
public:
    ~WinsockSocketApi() override
    {
        for (const auto& entry : m_queues) ::closesocket(entry.first);
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
        return Result(::setsockopt(ToSocket(s), SOL_SOCKET, SO_RCVBUF,
                                   reinterpret_cast<const char*>(&bytes), sizeof bytes));
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
        auto it = m_queues.find(ToSocket(s));
        if (it != m_queues.end() && !it->second.empty()) {
            DatagramQueue& queue = it->second;
            const std::size_t whole = queue.Pop(buf, cap, fromAddr, fromPort);
            if (whole > cap) {
                ::WSASetLastError(WSAEMSGSIZE);
                return kSocketError;
            }
            return static_cast<int>(whole);
        }
        sockaddr_in from{};
        int fromLen = sizeof from;
        const int n = ::recvfrom(ToSocket(s), reinterpret_cast<char*>(buf), static_cast<int>(cap),
                                 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
        // A datagram longer than the buffer (WSAEMSGSIZE, its rest discarded) is a failed
        // receive like any other: a reply cut short must not pass for a whole one.
        if (n == SOCKET_ERROR) return kSocketError;
        if (fromAddr) *fromAddr = ntohl(from.sin_addr.s_addr);
        if (fromPort) *fromPort = ntohs(from.sin_port);
        return n;
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
        if (kind == WaitKind::UntilDatagram) {
            if (!queue.empty()) return true;
            return SelectReadable(ToSocket(s), deadline);
        }
        while (Clock::now() < deadline) {
            if (!SelectReadable(ToSocket(s), deadline)) break;
            if (!Drain(ToSocket(s), queue)) {
                SleepUntil(deadline);
                break;
            }
        }
        if (!queue.empty()) return true;
        return SelectReadable(ToSocket(s), Clock::now());
    }

private:
    SocketHandle Open(int type, int protocol)
    {
        const SOCKET s = ::socket(AF_INET, type, protocol);
        if (s == INVALID_SOCKET) return kInvalidSocket;
        m_queues[s];
        return static_cast<SocketHandle>(s);
    }

    // Takes every datagram waiting now, without blocking. False when nothing was taken.
    // The last error is kept as it was, so a later LastError() still tells the caller's story.
    bool Drain(SOCKET s, DatagramQueue& queue)
    {
        const int savedError = ::WSAGetLastError();
        bool took = false;
        for (;;) {
            u_long waiting = 0;
            if (::ioctlsocket(s, FIONREAD, &waiting) != 0 || waiting == 0) break;
            sockaddr_in from{};
            int fromLen = sizeof from;
            int n = ::recvfrom(s, reinterpret_cast<char*>(m_scratch.data()),
                               static_cast<int>(m_scratch.size()), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n == SOCKET_ERROR) {
                if (::WSAGetLastError() != WSAEMSGSIZE) break;
                n = static_cast<int>(m_scratch.size());
            }
            took = true;
            // What does not fit is dropped, as the kernel would drop the newest.
            queue.Push(m_scratch.data(), static_cast<std::size_t>(n), ntohl(from.sin_addr.s_addr),
                       ntohs(from.sin_port));
        }
        ::WSASetLastError(savedError);
        return took;
    }

    static bool SelectReadable(SOCKET s, Clock::time_point deadline)
    {
        auto left = deadline - Clock::now();
        if (left < Clock::duration::zero()) left = Clock::duration::zero();
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        timeval tv{};
        tv.tv_sec = static_cast<long>(us / 1000000);
        tv.tv_usec = static_cast<long>(us % 1000000);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
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
    std::vector<std::uint8_t> m_scratch = std::vector<std::uint8_t>(kMaxDatagram);
};

}  // namespace

std::unique_ptr<SocketApi> CreateSystemSocketApi()
{
    return std::make_unique<WinsockSocketApi>();
}

}  // namespace sockets
