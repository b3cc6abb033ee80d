// A SocketApi for fuzzing: every request the client sends is answered by a script (a callback
// that schedules datagrams at virtual times), time moves one step per wait, and the backend
// audits how it is used — start-ups against releases, opens against closes, use of handles
// that are not open. Header-only so the fuzz targets and the corpus tool share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/sockets/sockets.h"

namespace fuzzing {

class ScriptedSocketApi : public sockets::SocketApi {
public:
    // Called with every request sent; schedules replies through Deliver().
    std::function<void(std::span<const std::uint8_t> request)> onSend;

    // Makes `bytes` receivable `afterWaits` waits from now. Datagrams keep their order.
    void Deliver(std::vector<std::uint8_t> bytes, std::uint64_t afterWaits = 0)
    {
        std::uint64_t at = m_now + afterWaits;
        if (!m_queue.empty() && m_queue.back().at > at) at = m_queue.back().at;
        m_queue.push_back({at, std::move(bytes)});
    }

    std::uint64_t now() const { return m_now; }
    int startups = 0, cleanups = 0, opens = 0, closes = 0, sends = 0;
    std::vector<std::string> misuse;  // anything a correct client never does

    // True when every resource taken was given back and nothing was misused.
    bool Balanced() const
    {
        return startups == cleanups && opens == closes && m_open.empty() && misuse.empty();
    }

    int Startup(std::uint16_t) override
    {
        ++startups;
        return 0;
    }
    int Cleanup() override
    {
        if (cleanups >= startups) misuse.push_back("cleanup without start-up");
        ++cleanups;
        return 0;
    }
    int LastError() const override { return 0; }

    sockets::SocketHandle OpenUdp() override { return Open(); }
    sockets::SocketHandle OpenTcp() override { return Open(); }
    int Close(sockets::SocketHandle s) override
    {
        if (m_open.erase(s) == 0) misuse.push_back("close of a handle that is not open");
        ++closes;
        return 0;
    }

    int SetNonBlocking(sockets::SocketHandle s, bool) override { return Check(s, "ioctl"); }
    int SetBroadcast(sockets::SocketHandle s, bool) override { return Check(s, "setsockopt"); }
    int SetReceiveBuffer(sockets::SocketHandle s, int) override { return Check(s, "rcvbuf"); }
    int Bind(sockets::SocketHandle s, std::uint32_t, std::uint16_t) override
    {
        return Check(s, "bind");
    }
    int Listen(sockets::SocketHandle s, int) override { return Check(s, "listen"); }

    int SendTo(sockets::SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t,
               std::uint16_t) override
    {
        if (Check(s, "sendto") != 0) return sockets::kSocketError;
        ++sends;
        if (onSend) onSend(std::span<const std::uint8_t>(data, len));
        return static_cast<int>(len);
    }

    int RecvFrom(sockets::SocketHandle s, std::uint8_t* buf, std::size_t cap,
                 std::uint32_t* fromAddr, std::uint16_t* fromPort) override
    {
        if (Check(s, "recvfrom") != 0) return sockets::kSocketError;
        if (m_queue.empty() || m_queue.front().at > m_now) return sockets::kSocketError;
        const std::vector<std::uint8_t> bytes = std::move(m_queue.front().bytes);
        m_queue.pop_front();
        // A datagram larger than the buffer is cut. The system backends fail such a receive
        // instead; cutting keeps the readers fuzzed on a full 1024-byte buffer.
        const std::size_t n = bytes.size() < cap ? bytes.size() : cap;
        if (n > 0) std::memcpy(buf, bytes.data(), n);
        if (fromAddr) *fromAddr = 0xC0000202u;  // 192.0.2.2
        if (fromPort) *fromPort = 1638;
        return static_cast<int>(n);
    }

    bool Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
              sockets::WaitKind) override
    {
        Check(s, "wait");
        ++m_now;
        m_clock += interval;
        return !m_queue.empty() && m_queue.front().at <= m_now;
    }

    // Every wait lasts its whole interval.
    std::chrono::milliseconds Now() override { return m_clock; }

private:
    std::chrono::milliseconds m_clock{0};
    struct Pending {
        std::uint64_t at;
        std::vector<std::uint8_t> bytes;
    };

    sockets::SocketHandle Open()
    {
        ++opens;
        const sockets::SocketHandle h = m_next++;
        m_open.insert(h);
        return h;
    }
    int Check(sockets::SocketHandle s, const char* what)
    {
        if (m_open.count(s) == 0) {
            misuse.push_back(std::string(what) + " on a handle that is not open");
            return sockets::kSocketError;
        }
        return 0;
    }

    std::uint64_t m_now = 0;
    std::deque<Pending> m_queue;
    std::set<sockets::SocketHandle> m_open;
    sockets::SocketHandle m_next = 3;
};

}  // namespace fuzzing
