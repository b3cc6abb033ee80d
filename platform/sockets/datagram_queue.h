// The queue a draining wait fills and RecvFrom serves first, shared by the system backends.
// Bounded by count and by bytes: what does not fit is dropped, as a full kernel buffer would,
// so a flood of large junk cannot grow the client.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

namespace sockets {

class DatagramQueue {
public:
    static constexpr std::size_t kMaxDatagrams = 65536;
    static constexpr std::size_t kMaxBytes = 16u * 1024u * 1024u;

    bool empty() const { return m_items.empty(); }

    // Keeps a copy of the datagram; false when it was dropped for lack of room.
    // `arrivedOn`: the index of the interface it came in by (0 when not known).
    bool Push(const std::uint8_t* data, std::size_t len, std::uint32_t addr, std::uint16_t port,
              std::uint32_t arrivedOn = 0)
    {
        if (m_items.size() >= kMaxDatagrams || m_bytes + len > kMaxBytes) return false;
        m_items.push_back(Item{std::vector<std::uint8_t>(data, data + len), addr, port, arrivedOn});
        m_bytes += len;
        return true;
    }

    // Takes the oldest datagram into `buf`, at most `cap` bytes of it; returns the datagram's
    // whole length, so a caller can tell that it did not fit. Call only when !empty().
    std::size_t Pop(std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                    std::uint16_t* fromPort, std::uint32_t* arrivedOn = nullptr)
    {
        const Item& item = m_items.front();
        const std::size_t whole = item.bytes.size();
        const std::size_t n = whole < cap ? whole : cap;
        if (n > 0) std::memcpy(buf, item.bytes.data(), n);
        if (fromAddr) *fromAddr = item.addr;
        if (fromPort) *fromPort = item.port;
        if (arrivedOn) *arrivedOn = item.arrivedOn;
        m_bytes -= whole;
        m_items.pop_front();
        return whole;
    }

private:
    struct Item {
        std::vector<std::uint8_t> bytes;
        std::uint32_t addr = 0;
        std::uint16_t port = 0;
        std::uint32_t arrivedOn = 0;
    };
    std::deque<Item> m_items;
    std::size_t m_bytes = 0;
};

}  // namespace sockets
