// The management datagram: header, command codes, request payloads and safe reply readers.
// Requests are built exactly as the adapters expect them (zero-filled, little-endian, fixed
// text widths). Replies are read through Datagram, which returns zero for every byte past
// the received length, so a short or hostile datagram can never be read beyond its end and
// nothing of an earlier datagram shows through.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

inline constexpr std::uint16_t MGMT_PORT = 1638;
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::size_t kBufferSize = 1024;

inline constexpr std::uint16_t CMD_DISCOVER = 0;
inline constexpr std::uint16_t CMD_GET_SYSTEM_INFO = 16;
inline constexpr std::uint16_t CMD_SET_SYSTEM_INFO = 17;
inline constexpr std::uint16_t CMD_GET_NETWORK_INFO = 18;
inline constexpr std::uint16_t CMD_SET_NETWORK_INFO = 19;
inline constexpr std::uint16_t CMD_GET_DISK_INFO = 20;
inline constexpr std::uint16_t CMD_VERIFY = 21;
inline constexpr std::uint16_t CMD_GET_SHARE_COUNT = 32;
inline constexpr std::uint16_t CMD_GET_SHARE_LIST = 33;

inline constexpr std::size_t kSystemInfoPayloadSize = 96;   // CMD_SET_SYSTEM_INFO
inline constexpr std::size_t kNetworkInfoPayloadSize = 76;  // CMD_SET/GET_NETWORK_INFO
inline constexpr std::size_t kVerifyPayloadSize = 32;
inline constexpr std::size_t kShareEntrySize = 36;
inline constexpr std::size_t kDiskEntrySize = 68;
inline constexpr std::size_t kSharesPerPage = 20;
inline constexpr std::size_t kMaxDiskEntries = 14;  // what fits in a 1024-byte reply

using Mac = std::array<std::uint8_t, 6>;

struct MgmtHeader {
    std::uint16_t cmd = 0;
    std::uint16_t status = 0;
    std::uint16_t length = 0;
    Mac mac{};
};

// A received datagram: the 1024-byte reply buffer plus the length that arrived.
class Datagram {
public:
    Datagram() = default;
    Datagram(const std::uint8_t* data, std::size_t length);

    std::size_t size() const { return m_length; }
    const std::uint8_t* data() const { return m_bytes.data(); }
    std::uint8_t* buffer() { return m_bytes.data(); }  // for recvfrom; then SetSize
    void SetSize(std::size_t length);                  // clamps to kBufferSize, zeroes the rest

    // Bytes at datagram offsets; past size() they read as zero.
    std::uint8_t U8(std::size_t offset) const;
    std::uint16_t U16(std::size_t offset) const;  // little-endian
    std::int16_t I16(std::size_t offset) const;
    std::int32_t I32(std::size_t offset) const;
    // Copies `width` bytes from `offset` into `out` (past size() as zero).
    void Copy(std::size_t offset, std::size_t width, std::uint8_t* out) const;
    // Text of a fixed-width field: up to the first zero byte, at most `width` bytes.
    std::string Text(std::size_t offset, std::size_t width) const;

    MgmtHeader Header() const;

private:
    std::array<std::uint8_t, kBufferSize> m_bytes{};
    std::size_t m_length = 0;
};

// A complete request datagram: 12 + payload.size() bytes, every unset byte zero.
std::vector<std::uint8_t> BuildRequest(std::uint16_t cmd, const Mac& mac,
                                       std::span<const std::uint8_t> payload = {});

// Copies a text into a fixed field: at most `width` bytes, zero-filled after it, no
// terminator when it fills the field.
void PutText(std::span<std::uint8_t> field, std::string_view text);

// --- Reply layouts, read safely --------------------------------------------------------

struct DiscoveryReply {
    Mac mac{};
    std::array<std::uint8_t, 4> signature{};
    std::array<std::uint8_t, 16> name{};
    std::array<std::uint8_t, 15> ipAddress{};
    std::uint16_t webPort = 0;
};
// Valid only when cmd is 0 and the signature is "0101".
bool IsValidDiscoveryReply(const Datagram& d);
DiscoveryReply ReadDiscoveryReply(const Datagram& d);

struct SystemInfoReply {
    std::array<std::uint8_t, 4> signature{};
    std::array<std::uint8_t, 4> firmware{};
    std::uint8_t passwordRequired = 0;
    std::array<std::uint8_t, 16> name{};
    std::array<std::uint8_t, 64> description{};
    std::array<std::uint8_t, 8> date{};
    std::array<std::uint8_t, 6> time{};
    std::uint8_t timezone = 0;
};
SystemInfoReply ReadSystemInfoReply(const Datagram& d);

struct NetworkInfo {
    std::uint8_t ipMode = 0;
    // ipAddress, subnetMask, gateway, dns1, dns2: 15 bytes each on the wire.
    std::array<std::array<std::uint8_t, 15>, 5> addresses{};
};
NetworkInfo ReadNetworkInfoReply(const Datagram& d);

std::uint16_t ReadShareCountReply(const Datagram& d);

struct SharePage {
    std::uint8_t pageIndex = 0;
    std::uint8_t entryCount = 0;  // as the device claimed it
    // The records that are really there: at most 20 and never past the received length.
    std::vector<std::array<std::uint8_t, kShareEntrySize>> records;
};
SharePage ReadSharePageReply(const Datagram& d);

struct DiskEntry {
    std::array<std::uint8_t, 36> shareName{};
    std::array<std::uint8_t, 16> deviceId{};
    std::array<std::uint8_t, 10> fsType{};
    std::int32_t totalSizeMB = 0;
    std::int16_t freePercent = 0;
};
// At most 14 records and never past the received length.
std::vector<DiskEntry> ReadDiskInfoReply(const Datagram& d);

// --- Request payloads --------------------------------------------------------------------

std::array<std::uint8_t, 1> SharePagePayload(unsigned page);  // low eight bits travel
std::array<std::uint8_t, kVerifyPayloadSize> VerifyPayload(std::string_view user,
                                                           std::string_view password);

}  // namespace protocol
