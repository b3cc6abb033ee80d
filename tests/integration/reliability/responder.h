// A misbehaving adapter on a real UDP socket (port 1638, inside the private test namespace):
// a script decides, request by request, what goes back, when, and how broken. It runs on its
// own thread so the client under test blocks exactly as it does against a real adapter.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace reliability {

using Bytes = std::vector<std::uint8_t>;

class Responder {
public:
    // Called on the responder's thread for every datagram it receives; answers through
    // Send / SendLater.
    using Script = std::function<void(const Bytes& request, Responder& self)>;

    explicit Responder(Script script) : m_script(std::move(script))
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (m_fd < 0) throw std::runtime_error("responder: socket");
        int one = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(1638);
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(m_fd);
            throw std::runtime_error("responder: bind 1638 (run inside scripts/netns.sh)");
        }
        m_thread = std::thread([this] { Run(); });
    }
    ~Responder()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    // To whoever sent the request being answered.
    void Send(const Bytes& bytes)
    {
        ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&m_peer),
                 sizeof m_peer);
    }
    // Who sent the request being answered, to answer it later, after the next request.
    sockaddr_in Peer() const { return m_peer; }
    void SendTo(const sockaddr_in& peer, const Bytes& bytes)
    {
        ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&peer),
                 sizeof peer);
    }
    void SendLater(Bytes bytes, std::chrono::milliseconds after)
    {
        m_later.push_back({std::chrono::steady_clock::now() + after, m_peer, std::move(bytes)});
    }

    std::size_t RequestCount() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests.size();
    }
    std::vector<Bytes> Requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    struct Later {
        std::chrono::steady_clock::time_point due;
        sockaddr_in peer;
        Bytes bytes;
    };

    void Run()
    {
        std::vector<std::uint8_t> buf(2048);
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 2) > 0) {
                socklen_t len = sizeof m_peer;
                const ssize_t n = ::recvfrom(m_fd, buf.data(), buf.size(), 0,
                                             reinterpret_cast<sockaddr*>(&m_peer), &len);
                if (n >= 0) {
                    Bytes request(buf.begin(), buf.begin() + n);
                    {
                        std::lock_guard lock(m_mutex);
                        m_requests.push_back(request);
                    }
                    m_script(request, *this);
                }
            }
            const auto now = std::chrono::steady_clock::now();
            for (auto it = m_later.begin(); it != m_later.end();) {
                if (it->due <= now) {
                    ::sendto(m_fd, it->bytes.data(), it->bytes.size(), 0,
                             reinterpret_cast<sockaddr*>(&it->peer), sizeof it->peer);
                    it = m_later.erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    Script m_script;
    int m_fd = -1;
    sockaddr_in m_peer{};
    std::vector<Later> m_later;
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_requests;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace reliability
