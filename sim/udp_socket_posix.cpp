// The simulator's socket on POSIX: a non-blocking UDP socket, stopped by SIGINT or SIGTERM.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/udp_socket.h"

namespace sim {

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int)
{
    g_stop = 1;
}

sockaddr_in ToSockaddr(const Peer& p)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(p.address);
    sa.sin_port = htons(p.port);
    return sa;
}

// A burst of thousands of replies must not be cut short by our own buffers. Inside a private
// namespace we may force sizes past the system limit; elsewhere we take what we get.
void GrowBuffer(int fd, int forceOption, int option, int bytes)
{
    if (setsockopt(fd, SOL_SOCKET, forceOption, &bytes, sizeof bytes) != 0) {
        setsockopt(fd, SOL_SOCKET, option, &bytes, sizeof bytes);
    }
}

class PosixUdpSocket final : public UdpSocket {
public:
    PosixUdpSocket(int fd, const sigset_t& waitMask) : m_fd(fd), m_waitMask(waitMask) {}
    ~PosixUdpSocket() override { close(m_fd); }

    Wake Wait(std::optional<std::chrono::nanoseconds> timeout) override
    {
        for (;;) {
            if (g_stop) return Wake::Stop;
            timespec ts{};
            if (timeout) {
                ts.tv_sec = static_cast<time_t>(timeout->count() / 1000000000);
                ts.tv_nsec = static_cast<long>(timeout->count() % 1000000000);
            }
            // Signals are let in only while waiting here, so a stop request is never lost
            // between looking at the flag and going to sleep.
            pollfd pfd{m_fd, POLLIN, 0};
            const int ready = ppoll(&pfd, 1, timeout ? &ts : nullptr, &m_waitMask);
            if (ready > 0) return Wake::Readable;
            if (ready == 0) return Wake::TimedOut;
            if (errno == EINTR) continue;
            std::fprintf(stderr, "dravmoor-sim: poll: %s\n", std::strerror(errno));
            return Wake::Failed;
        }
    }

    std::optional<std::size_t> Receive(std::uint8_t* buffer, std::size_t size, Peer& from) override
    {
        sockaddr_in sa{};
        socklen_t len = sizeof sa;
        const ssize_t n = recvfrom(m_fd, buffer, size, 0, reinterpret_cast<sockaddr*>(&sa), &len);
        if (n < 0) return std::nullopt;  // EAGAIN: all taken
        from.address = ntohl(sa.sin_addr.s_addr);
        from.port = ntohs(sa.sin_port);
        return static_cast<std::size_t>(n);
    }

    void Send(const Bytes& bytes, const Peer& to) override
    {
        const sockaddr_in sa = ToSockaddr(to);
        int retries = 0;
        while (sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&sa),
                      sizeof sa) < 0) {
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

    void LetOthersRun() override { sched_yield(); }

private:
    int m_fd;
    sigset_t m_waitMask;
};

}  // namespace

unsigned long ProcessId()
{
    return static_cast<unsigned long>(getpid());
}

std::unique_ptr<UdpSocket> OpenUdpSocket(std::uint16_t port, std::string& error)
{
    // Signals are blocked except while waiting in ppoll (Wait).
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
        error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    GrowBuffer(fd, SO_RCVBUFFORCE, SO_RCVBUF, 16 * 1024 * 1024);
    GrowBuffer(fd, SO_SNDBUFFORCE, SO_SNDBUF, 16 * 1024 * 1024);
    const sockaddr_in local = ToSockaddr({INADDR_ANY, port});
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = "bind UDP port " + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixUdpSocket>(fd, waitMask);
}

}  // namespace sim
