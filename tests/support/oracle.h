// Independent reading of raw reply bytes, for comparing what the protocol's readers return
// with what the datagram holds: a byte past the received length reads as zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/wire.h"

namespace fuzzing {

class Raw {
public:
    // The receive buffer holds at most 1024 bytes; anything longer was cut.
    explicit Raw(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes.first(bytes.size() < protocol::kBufferSize ? bytes.size()
                                                                   : protocol::kBufferSize))
    {
    }
    std::size_t size() const { return m_bytes.size(); }
    std::uint8_t At(std::size_t i) const { return i < m_bytes.size() ? m_bytes[i] : 0; }
    std::uint16_t U16(std::size_t i) const
    {
        return static_cast<std::uint16_t>(At(i) | (At(i + 1) << 8));
    }
    std::uint16_t Cmd() const { return U16(0); }
    std::uint16_t Status() const { return U16(2); }
    // Payload offset to datagram offset.
    std::uint8_t P(std::size_t i) const { return At(protocol::kHeaderSize + i); }
    // True when `field` equals `width` payload bytes from `offset`.
    template <typename Field>
    bool Same(const Field& field, std::size_t offset, std::size_t width) const
    {
        for (std::size_t i = 0; i < width; ++i) {
            if (static_cast<std::uint8_t>(field[i]) != P(offset + i)) return false;
        }
        return true;
    }
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

private:
    std::span<const std::uint8_t> m_bytes;
};

}  // namespace fuzzing
