// dravmoor-sim: serves simulated adapters on one UDP socket until SIGINT or SIGTERM.
// Replies go to the address and port that the request came from; delayed replies wait in a
// schedule while other requests are served.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <queue>
#include <string>
#include <vector>

#include "platform/sockets/private_network.h"
#include "sim/sim.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int)
{
    g_stop = 1;
}

using Clock = std::chrono::steady_clock;

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

// A burst of thousands of replies must not be cut short by our own buffers. Inside a private
// namespace we may force sizes past the system limit; elsewhere we take what we get.
void GrowBuffer(int fd, int forceOption, int option, int bytes)
{
    if (setsockopt(fd, SOL_SOCKET, forceOption, &bytes, sizeof bytes) != 0) {
        setsockopt(fd, SOL_SOCKET, option, &bytes, sizeof bytes);
    }
}

void Send(int fd, const sim::Bytes& bytes, const sockaddr_in& to)
{
    int retries = 0;
    while (sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) < 0) {
        if (errno == EINTR) continue;
        if ((errno == ENOBUFS || errno == EAGAIN) && ++retries < 5000) {
            // The send queue is full: let it drain a moment rather than lose the reply.
            usleep(200);
            continue;
        }
        std::fprintf(stderr, "dravmoor-sim: sendto %s failed: %s\n", Endpoint(to).c_str(),
                     std::strerror(errno));
        return;
    }
}

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
    if (!options->labNetwork &&
        !sockets::RequirePrivateNetworkNamespace(
            "dravmoor-sim", ", or give --lab-network on a separate network you own")) {
        return 1;
    }

    // Signals are blocked except while waiting in ppoll, so a stop request is never lost
    // between checking the flag and going to sleep.
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_UDP);
    if (fd < 0) {
        std::fprintf(stderr, "dravmoor-sim: socket: %s\n", std::strerror(errno));
        return 1;
    }
    GrowBuffer(fd, SO_RCVBUFFORCE, SO_RCVBUF, 16 * 1024 * 1024);
    GrowBuffer(fd, SO_SNDBUFFORCE, SO_SNDBUF, 16 * 1024 * 1024);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(options->port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "dravmoor-sim: bind UDP port %u: %s\n", options->port,
                     std::strerror(errno));
        close(fd);
        return 1;
    }

    sim::Simulator simulator(*options);
    std::fprintf(stderr, "dravmoor-sim: %d adapters on UDP port %u\n", options->adapters,
                 options->port);
    if (!options->readyFile.empty()) {
        if (FILE* f = std::fopen(options->readyFile.c_str(), "w")) {
            std::fprintf(f, "%d\n", static_cast<int>(getpid()));
            std::fclose(f);
        }
    }

    std::priority_queue<Pending, std::vector<Pending>, Later> schedule;
    std::uint64_t order = 0;
    std::vector<std::uint8_t> buffer(65536);
    while (!g_stop) {
        // Send what is due, then sleep until a request arrives or the next reply is due.
        while (!schedule.empty() && schedule.top().due <= Clock::now()) {
            Send(fd, schedule.top().bytes, schedule.top().to);
            schedule.pop();
        }
        timespec timeout{};
        timespec* wait = nullptr;
        if (!schedule.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  schedule.top().due - Clock::now())
                                  .count();
            const long long ns = left > 0 ? left : 0;
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            wait = &timeout;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ppoll(&pfd, 1, wait, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "dravmoor-sim: poll: %s\n", std::strerror(errno));
            break;
        }
        if (ready == 0) continue;

        // A bounded batch, so a flood of requests cannot hold back replies that are due.
        for (int batch = 0; batch < 256; ++batch) {
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            const ssize_t n = recvfrom(fd, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 0) break;  // EAGAIN: all taken
            const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
            sim::Handled handled =
                simulator.Handle(buffer.data(), static_cast<std::size_t>(n), now);
            std::fprintf(stderr, "dravmoor-sim: %s %s\n", Endpoint(from).c_str(),
                         handled.log.c_str());
            int sentNow = 0;
            for (sim::Reply& reply : handled.replies) {
                if (reply.delayMs == 0) {
                    Send(fd, reply.bytes, from);
                    // Real adapters are separate machines; one process sending for all of
                    // them must not keep a client on the same CPU from running meanwhile.
                    if (++sentNow % 16 == 0) sched_yield();
                } else {
                    schedule.push({Clock::now() + std::chrono::milliseconds(reply.delayMs), order++,
                                   std::move(reply.bytes), from});
                }
            }
        }
    }
    close(fd);
    std::fprintf(stderr, "dravmoor-sim: stopped\n");
    return 0;
}
