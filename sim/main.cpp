// dravmoor-sim: serves simulated adapters on one UDP socket until asked to stop (SIGINT or
// SIGTERM; on Windows Ctrl+C, Ctrl+Break or the console closing). Replies go to the address and
// port that the request came from; delayed replies wait in a schedule while other requests are
// served. The socket is the system's (udp_socket.h); the loop is the same everywhere.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <queue>
#include <string>
#include <vector>

#include "platform/sockets/private_network.h"
#include "sim/sim.h"
#include "sim/udp_socket.h"

std::string sim::Endpoint(const Peer& p)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += std::to_string((p.address >> shift) & 0xFF) + (shift != 0 ? "." : ":");
    return text + std::to_string(p.port);
}

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    std::uint64_t order;  // keeps replies of equal due time in their order
    sim::Bytes bytes;
    sim::Peer to;
};
struct Later {
    bool operator()(const Pending& a, const Pending& b) const
    {
        return a.due != b.due ? a.due > b.due : a.order > b.order;
    }
};

void Serve(sim::UdpSocket& socket, sim::Simulator& simulator)
{
    std::priority_queue<Pending, std::vector<Pending>, Later> schedule;
    std::uint64_t order = 0;
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        // Send what is due, then sleep until a request arrives or the next reply is due.
        while (!schedule.empty() && schedule.top().due <= Clock::now()) {
            socket.Send(schedule.top().bytes, schedule.top().to);
            schedule.pop();
        }
        std::optional<std::chrono::nanoseconds> timeout;
        if (!schedule.empty())
            timeout = std::max(std::chrono::nanoseconds::zero(),
                               std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   schedule.top().due - Clock::now()));
        const sim::UdpSocket::Wake wake = socket.Wait(timeout);
        if (wake == sim::UdpSocket::Wake::Stop || wake == sim::UdpSocket::Wake::Failed) return;
        if (wake == sim::UdpSocket::Wake::TimedOut) continue;

        // A bounded batch, so a flood of requests cannot hold back replies that are due.
        for (int batch = 0; batch < 256; ++batch) {
            sim::Peer from;
            const std::optional<std::size_t> n = socket.Receive(buffer.data(), buffer.size(), from);
            if (!n) break;  // all taken
            const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
            sim::Handled handled = simulator.Handle(buffer.data(), *n, now);
            std::fprintf(stderr, "dravmoor-sim: %s %s\n", sim::Endpoint(from).c_str(),
                         handled.log.c_str());
            int sentNow = 0;
            for (sim::Reply& reply : handled.replies) {
                if (reply.delayMs == 0) {
                    socket.Send(reply.bytes, from);
                    // Real adapters are separate machines; one process sending for all of
                    // them must not keep a client on the same CPU from running meanwhile.
                    if (++sentNow % 16 == 0) socket.LetOthersRun();
                } else {
                    schedule.push({Clock::now() + std::chrono::milliseconds(reply.delayMs), order++,
                                   std::move(reply.bytes), from});
                }
            }
        }
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
    // (Windows has no network namespaces, so this holds there.)
    if (!options->labNetwork &&
        !sockets::RequirePrivateNetworkNamespace(
            "dravmoor-sim", ", or give --lab-network on a separate network you own")) {
        return 1;
    }
    std::unique_ptr<sim::UdpSocket> socket = sim::OpenUdpSocket(options->port, error);
    if (socket == nullptr) {
        std::fprintf(stderr, "dravmoor-sim: %s\n", error.c_str());
        return 1;
    }

    sim::Simulator simulator(*options);
    std::fprintf(stderr, "dravmoor-sim: %d adapters on UDP port %u\n", options->adapters,
                 options->port);
    if (!options->readyFile.empty()) {
        if (FILE* f = std::fopen(options->readyFile.c_str(), "w")) {
            std::fprintf(f, "%lu\n", sim::ProcessId());
            std::fclose(f);
        }
    }
    Serve(*socket, simulator);
    socket.reset();
    std::fprintf(stderr, "dravmoor-sim: stopped\n");
    return 0;
}
