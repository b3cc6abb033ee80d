// The system socket backend on POSIX (Linux). Keeps the Winsock conventions of SocketApi:
// a counted library start-up, 0 / kSocketError results and one last-error value.
//
// Wait(FullInterval) drains arriving datagrams into a queue of our own while it sleeps, and
// RecvFrom serves that queue first. A burst of replies (a thousand adapters answering one
// discovery) therefore never sits in the kernel's receive buffer long enough to overflow it,
// even where an unprivileged program cannot enlarge that buffer.
//
// Several interfaces: one socket, and the interface chosen per datagram with IP_PKTINFO
// (sendmsg's control data), which needs no privileges. Every datagram socket also asks for
// IP_PKTINFO on receipt, so each datagram tells the interface it arrived on.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "platform/sockets/datagram_queue.h"
#include "platform/sockets/sockets.h"

namespace sockets {
namespace {

// Winsock's numbers for the two library-level failures, so the messages read the same on
// every platform.
constexpr int kVersionNotSupported = 10092;  // WSAVERNOTSUPPORTED
constexpr int kNotInitialised = 10093;       // WSANOTINITIALISED

// Largest UDP payload over IPv4.
constexpr std::size_t kMaxDatagram = 65507;

using Clock = std::chrono::steady_clock;

int ToFd(SocketHandle s)
{
    return static_cast<int>(s);
}

sockaddr_in MakeAddr(std::uint32_t addr, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(addr);
    sa.sin_port = htons(port);
    return sa;
}

// One recvmsg: the datagram into `buf` (at most `cap` bytes of it), its sender and the index
// of the interface it arrived on (0 when the system did not say). Returns what recvmsg does.
ssize_t ReceiveOne(int fd, std::uint8_t* buf, std::size_t cap, int flags, sockaddr_in& from,
                   std::uint32_t& arrivedOn)
{
    iovec iov{buf, cap};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = ::recvmsg(fd, &msg, flags);
    } while (n < 0 && errno == EINTR);
    arrivedOn = 0;
    if (n < 0) return n;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            arrivedOn = static_cast<std::uint32_t>(info.ipi_ifindex);
        }
    }
    return n;
}

class PosixSocketApi final : public SocketApi {
public:
    ~PosixSocketApi() override
    {
        for (const auto& entry : m_queues) ::close(entry.first);
    }

    int Startup(std::uint16_t version) override
    {
        // The program asks for 1.1 (exchanges) and 2.2 (discovery); both are what we offer.
        if (version != MakeVersion(1, 1) && version != MakeVersion(2, 2)) {
            return kVersionNotSupported;
        }
        ++m_startups;
        return 0;
    }

    int Cleanup() override
    {
        if (m_startups == 0) return Fail(kNotInitialised);
        --m_startups;
        return 0;
    }

    int LastError() const override { return m_lastError; }

    SocketHandle OpenUdp() override { return Open(SOCK_DGRAM, IPPROTO_UDP); }
    SocketHandle OpenTcp() override { return Open(SOCK_STREAM, IPPROTO_TCP); }

    int Close(SocketHandle s) override
    {
        auto it = m_queues.find(ToFd(s));
        if (it == m_queues.end()) return Fail(EBADF);
        m_queues.erase(it);
        if (::close(ToFd(s)) != 0) return FailErrno();
        return 0;
    }

    int SetNonBlocking(SocketHandle s, bool on) override
    {
        if (!Known(s)) return Fail(EBADF);
        int flags = ::fcntl(ToFd(s), F_GETFL, 0);
        if (flags < 0) return FailErrno();
        flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        if (::fcntl(ToFd(s), F_SETFL, flags) != 0) return FailErrno();
        return 0;
    }

    int SetBroadcast(SocketHandle s, bool on) override
    {
        return SetIntOption(s, SO_BROADCAST, on ? 1 : 0);
    }

    int SetReceiveBuffer(SocketHandle s, int bytes) override
    {
        // Linux caps the request at net.core.rmem_max; that is not an error.
        return SetIntOption(s, SO_RCVBUF, bytes);
    }

    int Bind(SocketHandle s, std::uint32_t addr, std::uint16_t port) override
    {
        if (!Known(s)) return Fail(EBADF);
        sockaddr_in sa = MakeAddr(addr, port);
        if (::bind(ToFd(s), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
            return FailErrno();
        }
        return 0;
    }

    int Listen(SocketHandle s, int backlog) override
    {
        if (!Known(s)) return Fail(EBADF);
        if (::listen(ToFd(s), backlog) != 0) return FailErrno();
        return 0;
    }

    int SendTo(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
               std::uint16_t port) override
    {
        if (!Known(s)) return Fail(EBADF);
        sockaddr_in sa = MakeAddr(addr, port);
        ssize_t n;
        do {
            n = ::sendto(ToFd(s), data, len, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa),
                         sizeof sa);
        } while (n < 0 && errno == EINTR);
        if (n < 0) return FailErrno();
        return static_cast<int>(n);
    }

    int RecvFrom(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                 std::uint16_t* fromPort) override
    {
        return RecvFromVia(s, buf, cap, fromAddr, fromPort, nullptr);
    }

    int RecvFromVia(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                    std::uint16_t* fromPort, std::uint32_t* arrivedOn) override
    {
        auto it = m_queues.find(ToFd(s));
        if (it == m_queues.end()) return Fail(EBADF);
        DatagramQueue& queue = it->second;
        // A datagram longer than the buffer is a failed receive (and is gone), as on Winsock:
        // a reply cut short must not pass for a whole one.
        if (!queue.empty()) {
            const std::size_t whole = queue.Pop(buf, cap, fromAddr, fromPort, arrivedOn);
            if (whole > cap) return Fail(EMSGSIZE);
            return static_cast<int>(whole);
        }
        sockaddr_in from{};
        std::uint32_t via = 0;
        // MSG_TRUNC: the result is the datagram's real length, even when it did not fit.
        const ssize_t n = ReceiveOne(ToFd(s), buf, cap, MSG_TRUNC, from, via);
        if (n < 0) return FailErrno();
        if (static_cast<std::size_t>(n) > cap) return Fail(EMSGSIZE);
        if (fromAddr) *fromAddr = ntohl(from.sin_addr.s_addr);
        if (fromPort) *fromPort = ntohs(from.sin_port);
        if (arrivedOn) *arrivedOn = via;
        return static_cast<int>(n);
    }

    int SendToVia(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
                  std::uint16_t port, const NetworkInterface& via) override
    {
        if (!Known(s)) return Fail(EBADF);
        sockaddr_in sa = MakeAddr(addr, port);
        iovec iov{const_cast<std::uint8_t*>(data), len};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr msg{};
        msg.msg_name = &sa;
        msg.msg_namelen = sizeof sa;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        // The interface, and its address as the source, so the answer comes back there.
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(via.index);
        info.ipi_spec_dst.s_addr = htonl(via.address);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
        ssize_t n;
        do {
            n = ::sendmsg(ToFd(s), &msg, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        if (n < 0) return FailErrno();
        return static_cast<int>(n);
    }

    std::vector<NetworkInterface> Interfaces() override
    {
        std::vector<NetworkInterface> out;
        ifaddrs* all = nullptr;
        if (::getifaddrs(&all) != 0) return out;
        std::set<std::string> seen;  // an interface with several addresses is listed once
        for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
            if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
            const unsigned flags = a->ifa_flags;
            if (!(flags & IFF_UP) || (flags & IFF_LOOPBACK)) continue;
            sockaddr_in sa{}, mask{};
            std::memcpy(&sa, a->ifa_addr, sizeof sa);
            if (a->ifa_netmask != nullptr) std::memcpy(&mask, a->ifa_netmask, sizeof mask);
            const Subnet subnet{ntohl(sa.sin_addr.s_addr), ntohl(mask.sin_addr.s_addr)};
            if (!seen.insert(a->ifa_name).second) {
                for (NetworkInterface& known : out)
                    if (known.name == a->ifa_name) known.subnets.push_back(subnet);
                continue;
            }
            const unsigned index = ::if_nametoindex(a->ifa_name);
            if (index == 0) continue;
            out.push_back(NetworkInterface{
                a->ifa_name, index, subnet.address, (flags & IFF_BROADCAST) != 0, {subnet}});
        }
        ::freeifaddrs(all);
        return out;
    }

    bool Wait(SocketHandle s, std::chrono::milliseconds interval, WaitKind kind) override
    {
        const Clock::time_point deadline = Clock::now() + interval;
        auto it = m_queues.find(ToFd(s));
        if (it == m_queues.end()) {
            // Nothing to watch: still keep the caller's timing.
            SleepUntil(deadline);
            return false;
        }
        DatagramQueue& queue = it->second;
        if (kind == WaitKind::UntilDatagram) {
            if (!queue.empty()) return true;
            return PollReadable(ToFd(s), deadline);
        }
        // FullInterval: keep the kernel queue empty until the interval is over.
        while (Clock::now() < deadline) {
            if (!PollReadable(ToFd(s), deadline)) break;
            if (!Drain(ToFd(s), queue)) {
                // Readable but nothing to take (an error is pending): do not spin.
                SleepUntil(deadline);
                break;
            }
        }
        if (!queue.empty()) return true;
        return PollReadable(ToFd(s), Clock::now());
    }

private:
    SocketHandle Open(int type, int protocol)
    {
        if (m_startups == 0) {
            Fail(kNotInitialised);
            return kInvalidSocket;
        }
        const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
        if (fd < 0) {
            FailErrno();
            return kInvalidSocket;
        }
        if (type == SOCK_DGRAM) {
            // Not fatal: without it every datagram reads as arrived on an unknown interface.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        }
        m_queues[fd];
        return fd;
    }

    bool Known(SocketHandle s) const
    {
        return s >= 0 && s <= 0x7fffffff && m_queues.count(ToFd(s)) != 0;
    }

    int SetIntOption(SocketHandle s, int option, int value)
    {
        if (!Known(s)) return Fail(EBADF);
        if (::setsockopt(ToFd(s), SOL_SOCKET, option, &value, sizeof value) != 0) {
            return FailErrno();
        }
        return 0;
    }

    // Takes every datagram that is waiting now. False when nothing could be taken.
    bool Drain(int fd, DatagramQueue& queue)
    {
        bool took = false;
        for (;;) {
            sockaddr_in from{};
            std::uint32_t via = 0;
            const ssize_t n =
                ReceiveOne(fd, m_scratch.data(), m_scratch.size(), MSG_DONTWAIT, from, via);
            if (n < 0) return took;
            took = true;
            // What does not fit is dropped, as the kernel would drop the newest.
            queue.Push(m_scratch.data(), static_cast<std::size_t>(n), ntohl(from.sin_addr.s_addr),
                       ntohs(from.sin_port), via);
        }
    }

    // Polls until the socket is readable or the deadline has passed (a deadline in the past
    // polls once without waiting).
    static bool PollReadable(int fd, Clock::time_point deadline)
    {
        for (;;) {
            auto left = deadline - Clock::now();
            if (left < Clock::duration::zero()) left = Clock::duration::zero();
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timespec ts{};
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            pollfd pfd{};
            pfd.fd = fd;
            pfd.events = POLLIN;
            const int r = ::ppoll(&pfd, 1, &ts, nullptr);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            if (pfd.revents & POLLNVAL) {
                SleepUntil(deadline);
                return false;
            }
            return (pfd.revents & (POLLIN | POLLERR)) != 0;
        }
    }

    static void SleepUntil(Clock::time_point deadline)
    {
        for (;;) {
            auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) return;
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timespec ts{};
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            ::nanosleep(&ts, nullptr);
        }
    }

    int Fail(int error)
    {
        m_lastError = error;
        return kSocketError;
    }
    int FailErrno() { return Fail(errno); }

    int m_startups = 0;
    int m_lastError = 0;
    // Every socket we opened, with the datagrams drained from it and not yet received.
    std::map<int, DatagramQueue> m_queues;
    std::vector<std::uint8_t> m_scratch = std::vector<std::uint8_t>(kMaxDatagram);
};

}  // namespace

std::unique_ptr<SocketApi> CreateSystemSocketApi()
{
    return std::make_unique<PosixSocketApi>();
}

}  // namespace sockets
