// The simulator's socket on Windows: a non-blocking Winsock UDP socket, stopped by Ctrl+C,
// Ctrl+Break or the console closing.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// winsock2.h first: windows.h would otherwise bring in the old winsock.h.
#include <winsock2.h>

#include <mswsock.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "sim/udp_socket.h"

namespace sim {

namespace {

std::atomic<bool> g_stop{false};

BOOL WINAPI OnConsoleEvent(DWORD)
{
    g_stop = true;
    return TRUE;
}

// The longest sleep between looks at the stop flag: the console handler runs on a thread of
// its own and cannot wake select().
constexpr auto kStopCheck = std::chrono::milliseconds(50);

sockaddr_in ToSockaddr(const Peer& p)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(p.address);
    sa.sin_port = htons(p.port);
    return sa;
}

class WinUdpSocket final : public UdpSocket {
public:
    explicit WinUdpSocket(SOCKET s) : m_socket(s) {}
    ~WinUdpSocket() override
    {
        closesocket(m_socket);
        WSACleanup();
    }

    Wake Wait(std::optional<std::chrono::nanoseconds> timeout) override
    {
        if (g_stop) return Wake::Stop;
        const auto wait = timeout ? std::clamp<std::chrono::nanoseconds>(
                                        *timeout, std::chrono::nanoseconds::zero(), kStopCheck)
                                  : std::chrono::nanoseconds(kStopCheck);
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(wait).count();
        timeval tv{};
        tv.tv_sec = static_cast<long>(us / 1000000);
        tv.tv_usec = static_cast<long>(us % 1000000);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        const int ready = select(0, &readable, nullptr, nullptr, &tv);
        if (ready == SOCKET_ERROR) {
            std::fprintf(stderr, "dravmoor-sim: select: error %d\n", WSAGetLastError());
            return Wake::Failed;
        }
        if (g_stop) return Wake::Stop;
        return ready > 0 ? Wake::Readable : Wake::TimedOut;
    }

    std::optional<std::size_t> Receive(std::uint8_t* buffer, std::size_t size, Peer& from) override
    {
        for (;;) {
            sockaddr_in sa{};
            int len = sizeof sa;
            const int n =
                recvfrom(m_socket, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0,
                         reinterpret_cast<sockaddr*>(&sa), &len);
            if (n == SOCKET_ERROR) {
                if (WSAGetLastError() == WSAECONNRESET) continue;
                return std::nullopt;  // WSAEWOULDBLOCK: all taken
            }
            from.address = ntohl(sa.sin_addr.s_addr);
            from.port = ntohs(sa.sin_port);
            return static_cast<std::size_t>(n);
        }
    }

    void Send(const Bytes& bytes, const Peer& to) override
    {
        const sockaddr_in sa = ToSockaddr(to);
        int retries = 0;
        while (sendto(m_socket, reinterpret_cast<const char*>(bytes.data()),
                      static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&sa),
                      sizeof sa) == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if ((error == WSAEWOULDBLOCK || error == WSAENOBUFS) && ++retries < 5000) {
                // The send queue is full: let it drain a moment rather than lose the reply.
                Sleep(1);
                continue;
            }
            std::fprintf(stderr, "dravmoor-sim: sendto %s failed: error %d\n", Endpoint(to).c_str(),
                         error);
            return;
        }
    }

    void LetOthersRun() override { SwitchToThread(); }

private:
    SOCKET m_socket;
};

}  // namespace

unsigned long ProcessId()
{
    return GetCurrentProcessId();
}

std::unique_ptr<UdpSocket> OpenUdpSocket(std::uint16_t port, std::string& error)
{
    // Log lines end in LF as on POSIX, so the tools that read the log read both alike.
    _setmode(_fileno(stderr), _O_BINARY);
    WSADATA data{};
    if (const int result = WSAStartup(MAKEWORD(2, 2), &data); result != 0) {
        error = "WSAStartup: error " + std::to_string(result);
        return nullptr;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        error = "socket: error " + std::to_string(WSAGetLastError());
        WSACleanup();
        return nullptr;
    }
    auto socket = std::make_unique<WinUdpSocket>(s);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    // A reply to a client that has gone away must not fail the next receive (Windows reports
    // the ICMP "port unreachable" there).
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr,
             nullptr);
    // A burst of thousands of replies must not be cut short by our own buffers.
    const int bufferBytes = 16 * 1024 * 1024;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bufferBytes),
               sizeof bufferBytes);
    setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bufferBytes),
               sizeof bufferBytes);
    const sockaddr_in local = ToSockaddr({INADDR_ANY, port});
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = "bind UDP port " + std::to_string(port) + ": error " +
                std::to_string(WSAGetLastError());
        return nullptr;
    }
    return socket;
}

}  // namespace sim
