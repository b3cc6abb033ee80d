// Many adapters and a flood of invalid datagrams on UDP 1638, for the load measurements:
// every discovery request is answered by N valid replies (distinct MACs) mixed with junk that
// discovery must ignore (foreign cmd, signature "0102", short datagrams, random bytes), and
// the junk keeps coming for a while after the last reply. With --flood-ms, one host instead
// answers each discovery request flat out for MS milliseconds with valid replies whose MACs
// are never repeated, as a hostile host can. Run only inside scripts/netns.sh.
//   reliability_load_responder --adapters N [--junk J] [--junk-ms MS] [--flood-ms MS]
//                              [--ready FILE]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/sockets/private_network.h"
#include "tests/support/replies.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

using Bytes = std::vector<std::uint8_t>;

Bytes Junk(std::mt19937& rng, unsigned i)
{
    switch (i % 4) {
        case 0: {  // a valid answer under a foreign command
            Bytes b = fuzzing::DiscoveryReply("JUNK");
            b[0] = 16;
            return b;
        }
        case 1: {
            Bytes b = fuzzing::DiscoveryReply("JUNK");
            b[15] = '2';  // "0102"
            return b;
        }
        case 2:
            return Bytes(rng() % 16, 0);  // too short to hold a signature
        default: {
            Bytes b(1 + rng() % 1024);
            for (auto& c : b) c = static_cast<std::uint8_t>(rng());
            b[0] = 0xFF;  // never cmd 0
            return b;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (!sockets::RequirePrivateNetworkNamespace("reliability_load_responder")) return 1;
    long adapters = 1, junk = 0, junkMs = 0, floodMs = 0;
    const char* ready = nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--adapters")
            adapters = std::atol(argv[i + 1]);
        else if (a == "--junk")
            junk = std::atol(argv[i + 1]);
        else if (a == "--junk-ms")
            junkMs = std::atol(argv[i + 1]);
        else if (a == "--flood-ms")
            floodMs = std::atol(argv[i + 1]);
        else if (a == "--ready")
            ready = argv[i + 1];
    }
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    std::signal(SIGINT, [](int) { g_stop = 1; });

    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    int big = 16 * 1024 * 1024;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(1638);
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("bind 1638");
        return 1;
    }
    if (ready) std::fclose(std::fopen(ready, "w"));

    std::mt19937 rng(1);
    std::vector<std::uint8_t> buf(2048);
    while (!g_stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        const ssize_t n =
            ::recvfrom(fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&peer), &len);
        if (n < 2 || buf[0] != 0 || buf[1] != 0) continue;  // discovery requests only
        auto send = [&](const Bytes& b) {
            // A full send buffer only slows us down; never drop on our side.
            while (::sendto(fd, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&peer),
                            sizeof peer) < 0 &&
                   errno == ENOBUFS) {
                std::this_thread::yield();
            }
        };
        if (floodMs > 0) {
            static std::uint64_t next = 0;  // across requests: every MAC is new
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(floodMs);
            while (!g_stop && std::chrono::steady_clock::now() < until) {
                for (int k = 0; k < 64; ++k, ++next) {
                    const protocol::Mac mac{0x02,
                                            static_cast<std::uint8_t>(next >> 32),
                                            static_cast<std::uint8_t>(next >> 24),
                                            static_cast<std::uint8_t>(next >> 16),
                                            static_cast<std::uint8_t>(next >> 8),
                                            static_cast<std::uint8_t>(next)};
                    send(fuzzing::DiscoveryReply("FLOOD", "192.0.2.9", 80, mac));
                }
            }
            continue;
        }
        // Half the junk mixed in with the answers, the rest spread over --junk-ms after them.
        const long mixed = junk / 2;
        long sentJunk = 0;
        for (long i = 0; i < adapters; ++i) {
            const protocol::Mac mac{0x02,
                                    0x00,
                                    static_cast<std::uint8_t>(i >> 16),
                                    static_cast<std::uint8_t>(i >> 8),
                                    static_cast<std::uint8_t>(i),
                                    0x01};
            send(fuzzing::DiscoveryReply("LOAD-" + std::to_string(i), "192.0.2.2", 80, mac));
            for (; sentJunk < mixed * (i + 1) / adapters; ++sentJunk) {
                send(Junk(rng, static_cast<unsigned>(sentJunk)));
            }
        }
        const long rest = junk - sentJunk;
        const auto start = std::chrono::steady_clock::now();
        for (long k = 0; k < rest; ++k, ++sentJunk) {
            send(Junk(rng, static_cast<unsigned>(sentJunk)));
            if (junkMs > 0 && k % 50 == 49) {
                std::this_thread::sleep_until(start + std::chrono::milliseconds(junkMs * k / rest));
            }
        }
    }
    ::close(fd);
    return 0;
}
