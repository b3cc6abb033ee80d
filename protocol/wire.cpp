#include "protocol/wire.h"

#include "protocol/wire_text.h"

#include <algorithm>
#include <cstring>

namespace protocol {

Datagram::Datagram(const std::uint8_t* data, std::size_t length)
{
    std::size_t n = std::min(length, kBufferSize);
    if (n > 0) std::memcpy(m_bytes.data(), data, n);
    m_length = n;
}

void Datagram::SetSize(std::size_t length)
{
    m_length = std::min(length, kBufferSize);
    // Whatever the buffer held before must not show through past the new datagram.
    std::fill(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_length), m_bytes.end(),
              std::uint8_t{0});
}

std::uint8_t Datagram::U8(std::size_t offset) const
{
    return offset < m_length ? m_bytes[offset] : 0;
}

std::uint16_t Datagram::U16(std::size_t offset) const
{
    return static_cast<std::uint16_t>(U8(offset) | (U8(offset + 1) << 8));
}

std::int16_t Datagram::I16(std::size_t offset) const
{
    return static_cast<std::int16_t>(U16(offset));
}

std::int32_t Datagram::I32(std::size_t offset) const
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(U8(offset + i)) << (8 * i);
    return static_cast<std::int32_t>(v);
}

void Datagram::Copy(std::size_t offset, std::size_t width, std::uint8_t* out) const
{
    for (std::size_t i = 0; i < width; ++i) out[i] = U8(offset + i);
}

std::string Datagram::Text(std::size_t offset, std::size_t width) const
{
    std::string s;
    for (std::size_t i = 0; i < width; ++i) {
        std::uint8_t c = U8(offset + i);
        if (c == 0) break;
        s.push_back(static_cast<char>(c));
    }
    return s;
}

MgmtHeader Datagram::Header() const
{
    MgmtHeader h;
    h.cmd = U16(0);
    h.status = U16(2);
    h.length = U16(4);
    Copy(6, h.mac.size(), h.mac.data());
    return h;
}

std::vector<std::uint8_t> BuildRequest(std::uint16_t cmd, const Mac& mac,
                                       std::span<const std::uint8_t> payload)
{
    std::size_t length = std::min(payload.size(), kBufferSize - kHeaderSize);
    std::vector<std::uint8_t> out(kHeaderSize + length, 0);
    out[0] = static_cast<std::uint8_t>(cmd & 0xFF);
    out[1] = static_cast<std::uint8_t>(cmd >> 8);
    // status (2..3) stays zero in every request
    out[4] = static_cast<std::uint8_t>(length & 0xFF);
    out[5] = static_cast<std::uint8_t>(length >> 8);
    std::copy(mac.begin(), mac.end(), out.begin() + 6);
    std::copy_n(payload.begin(), length, out.begin() + kHeaderSize);
    return out;
}

void PutText(std::span<std::uint8_t> field, std::string_view text)
{
    std::size_t n = std::min(field.size(), text.size());
    std::memcpy(field.data(), text.data(), n);
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), std::uint8_t{0});
}

// --- Replies ----------------------------------------------------------------------------

namespace {

template <std::size_t N>
void CopyField(const Datagram& d, std::size_t offset, std::array<std::uint8_t, N>& out)
{
    d.Copy(offset, N, out.data());
}

constexpr std::size_t P = kHeaderSize;  // payload offsets are counted from here

}  // namespace

bool IsValidDiscoveryReply(const Datagram& d)
{
    return d.Header().cmd == CMD_DISCOVER && d.U8(P + 0) == '0' && d.U8(P + 1) == '1' &&
           d.U8(P + 2) == '0' && d.U8(P + 3) == '1';
}

DiscoveryReply ReadDiscoveryReply(const Datagram& d)
{
    DiscoveryReply r;
    CopyField(d, 6, r.mac);
    CopyField(d, P + 0, r.signature);
    CopyField(d, P + 4, r.name);
    CopyField(d, P + 20, r.ipAddress);
    r.webPort = d.U16(P + 36);
    return r;
}

SystemInfoReply ReadSystemInfoReply(const Datagram& d)
{
    SystemInfoReply r;
    CopyField(d, P + 0, r.signature);
    CopyField(d, P + 4, r.firmware);
    r.passwordRequired = d.U8(P + 8);
    CopyField(d, P + 9, r.name);
    CopyField(d, P + 25, r.description);
    CopyField(d, P + 89, r.date);
    CopyField(d, P + 97, r.time);
    r.timezone = d.U8(P + 103);
    return r;
}

NetworkInfo ReadNetworkInfoReply(const Datagram& d)
{
    NetworkInfo r;
    r.ipMode = d.U8(P + 0);
    for (std::size_t i = 0; i < r.addresses.size(); ++i)
        CopyField(d, P + 1 + 15 * i, r.addresses[i]);
    return r;
}

std::uint16_t ReadShareCountReply(const Datagram& d)
{
    return d.U16(P + 0);
}

SharePage ReadSharePageReply(const Datagram& d)
{
    SharePage page;
    page.pageIndex = d.U8(P + 0);
    page.entryCount = d.U8(P + 1);
    constexpr std::size_t first = P + 2;
    // Only whole records that really arrived, and never more than a page holds.
    std::size_t fit = d.size() > first ? (d.size() - first) / kShareEntrySize : 0;
    std::size_t n = std::min({std::size_t{page.entryCount}, kSharesPerPage, fit});
    page.records.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        d.Copy(first + kShareEntrySize * i, kShareEntrySize, page.records[i].data());
    return page;
}

std::vector<DiskEntry> ReadDiskInfoReply(const Datagram& d)
{
    std::size_t count = d.U8(P + 0);
    constexpr std::size_t first = P + 1;
    std::size_t fit = d.size() > first ? (d.size() - first) / kDiskEntrySize : 0;
    std::size_t n = std::min({count, kMaxDiskEntries, fit});
    std::vector<DiskEntry> disks(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t at = first + kDiskEntrySize * i;
        DiskEntry& e = disks[i];
        CopyField(d, at, e.shareName);
        CopyField(d, at + 36, e.deviceId);
        CopyField(d, at + 52, e.fsType);
        e.totalSizeMB = d.I32(at + 62);
        e.freePercent = d.I16(at + 66);
    }
    return disks;
}

// --- Request payloads -------------------------------------------------------------------

std::array<std::uint8_t, 1> SharePagePayload(unsigned page)
{
    return {static_cast<std::uint8_t>(page & 0xFFu)};
}

std::array<std::uint8_t, kVerifyPayloadSize> VerifyPayload(std::string_view user,
                                                           std::string_view password)
{
    std::array<std::uint8_t, kVerifyPayloadSize> p{};
    // Cut between characters, never inside one, when a caller let a longer text through.
    PutText(std::span(p).subspan(0, 16), CutToWire(user, 16));
    PutText(std::span(p).subspan(16, 8), CutToWire(password, 8));
    return p;
}

}  // namespace protocol
