// dravmoor-sim on Windows: the same service as main.cpp over Winsock. It stops on Ctrl+C,
// Ctrl+Break or the console closing. Replies go to the address and port that the request came
// from; delayed replies wait in a schedule while other requests are served.
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
#include <chrono>
#include <cstdio>
#include <ctime>
#include <queue>
#include <string>
#include <vector>

#include "platform/sockets/private_network.h"
#include "sim/sim.h"

namespace {

std::atomic<bool> g_stop{false};

BOOL WINAPI OnConsoleEvent(DWORD)
{
    g_stop = true;
    return TRUE;
}

using Clock = std::chrono::steady_clock;
// The longest sleep between looks at the stop flag: the console handler runs on a thread of
// its own and cannot wake select().
constexpr auto kStopCheck = std::chrono::milliseconds(50);

struct Pending {
    Clock::time_point due;
    std::uint64_t order;  // keeps replies of equal due time in their order
    sim::Bytes bytes;
    sockaddr_in to;
};
struct Later {
    bool operator()(const Pending& a, const Pending& b) const
    {
        return a.due != b.due ? a.due > b.due : a.order > b.order;
    }
};

std::string Endpoint(const sockaddr_in& sa)
{
    char ip[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &sa.sin_addr, ip, sizeof ip);
    return std::string(ip) + ":" + std::to_string(ntohs(sa.sin_port));
}

void Send(SOCKET s, const sim::Bytes& bytes, const sockaddr_in& to)
{
    int retries = 0;
    while (sendto(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
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

// Winsock start-up and clean-up for the life of main().
struct Winsock {
    WSADATA data{};
    int result = WSAStartup(MAKEWORD(2, 2), &data);
    ~Winsock()
    {
        if (result == 0) WSACleanup();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    bool help = false;
    std::optional<sim::Options> options = sim::ParseOptions(argc, argv, error, help);
    if (!options) {
        if (help) {
            std::fputs(sim::UsageText(), stdout);
            return 0;
        }
        std::fprintf(stderr, "dravmoor-sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    // Windows has no network namespaces, so this holds there; it keeps the two mains alike.
    if (!options->labNetwork &&
        !sockets::RequirePrivateNetworkNamespace(
            "dravmoor-sim", ", or give --lab-network on a separate network you own")) {
        return 1;
    }

    // Log lines end in LF as on POSIX, so the tools that read the log read both alike.
    _setmode(_fileno(stderr), _O_BINARY);

    const Winsock winsock;
    if (winsock.result != 0) {
        std::fprintf(stderr, "dravmoor-sim: WSAStartup: error %d\n", winsock.result);
        return 1;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);

    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        std::fprintf(stderr, "dravmoor-sim: socket: error %d\n", WSAGetLastError());
        return 1;
    }
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
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(options->port);
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "dravmoor-sim: bind UDP port %u: error %d\n", options->port,
                     WSAGetLastError());
        closesocket(s);
        return 1;
    }

    sim::Simulator simulator(*options);
    std::fprintf(stderr, "dravmoor-sim: %d adapters on UDP port %u\n", options->adapters,
                 options->port);
    if (!options->readyFile.empty()) {
        if (FILE* f = std::fopen(options->readyFile.c_str(), "w")) {
            std::fprintf(f, "%lu\n", GetCurrentProcessId());
            std::fclose(f);
        }
    }

    std::priority_queue<Pending, std::vector<Pending>, Later> schedule;
    std::uint64_t order = 0;
    std::vector<std::uint8_t> buffer(65536);
    while (!g_stop) {
        // Send what is due, then sleep until a request arrives, the next reply is due or it
        // is time to look at the stop flag again.
        while (!schedule.empty() && schedule.top().due <= Clock::now()) {
            Send(s, schedule.top().bytes, schedule.top().to);
            schedule.pop();
        }
        Clock::duration wait = kStopCheck;
        if (!schedule.empty()) {
            wait = std::clamp<Clock::duration>(schedule.top().due - Clock::now(),
                                               Clock::duration::zero(), kStopCheck);
        }
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(wait).count();
        timeval tv{};
        tv.tv_sec = static_cast<long>(us / 1000000);
        tv.tv_usec = static_cast<long>(us % 1000000);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        const int ready = select(0, &readable, nullptr, nullptr, &tv);
        if (ready == SOCKET_ERROR) {
            std::fprintf(stderr, "dravmoor-sim: select: error %d\n", WSAGetLastError());
            break;
        }
        if (ready == 0) continue;

        // A bounded batch, so a flood of requests cannot hold back replies that are due.
        for (int batch = 0; batch < 256; ++batch) {
            sockaddr_in from{};
            int fromLen = sizeof from;
            const int n =
                recvfrom(s, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()),
                         0, reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n == SOCKET_ERROR) {
                if (WSAGetLastError() == WSAECONNRESET) continue;
                break;  // WSAEWOULDBLOCK: all taken
            }
            const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
            sim::Handled handled =
                simulator.Handle(buffer.data(), static_cast<std::size_t>(n), now);
            std::fprintf(stderr, "dravmoor-sim: %s %s\n", Endpoint(from).c_str(),
                         handled.log.c_str());
            int sentNow = 0;
            for (sim::Reply& reply : handled.replies) {
                if (reply.delayMs == 0) {
                    Send(s, reply.bytes, from);
                    // Real adapters are separate machines; one process sending for all of
                    // them must not keep a client on the same CPU from running meanwhile.
                    if (++sentNow % 16 == 0) SwitchToThread();
                } else {
                    schedule.push({Clock::now() + std::chrono::milliseconds(reply.delayMs), order++,
                                   std::move(reply.bytes), from});
                }
            }
        }
    }
    closesocket(s);
    std::fprintf(stderr, "dravmoor-sim: stopped\n");
    return 0;
}
