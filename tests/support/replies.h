// Well-formed adapter replies of every kind, byte by byte, written independently of the
// protocol's readers: the seeds of the fuzz corpus and the answers of the test responders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/wire.h"

namespace fuzzing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr protocol::Mac kMac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

inline Bytes Header(std::uint16_t cmd, std::uint16_t status, std::size_t payload,
                    const protocol::Mac& mac = kMac)
{
    Bytes b(protocol::kHeaderSize + payload, 0);
    b[0] = static_cast<std::uint8_t>(cmd);
    b[1] = static_cast<std::uint8_t>(cmd >> 8);
    b[2] = static_cast<std::uint8_t>(status);
    b[3] = static_cast<std::uint8_t>(status >> 8);
    b[4] = static_cast<std::uint8_t>(payload);
    b[5] = static_cast<std::uint8_t>(payload >> 8);
    for (std::size_t i = 0; i < 6; ++i) b[6 + i] = mac[i];
    return b;
}
inline void Put(Bytes& b, std::size_t payloadOffset, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        b[protocol::kHeaderSize + payloadOffset + i] = static_cast<std::uint8_t>(text[i]);
    }
}
inline void Put16(Bytes& b, std::size_t payloadOffset, unsigned v)
{
    b[protocol::kHeaderSize + payloadOffset] = static_cast<std::uint8_t>(v);
    b[protocol::kHeaderSize + payloadOffset + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline Bytes DiscoveryReply(const std::string& name = "NAS-1", const std::string& ip = "192.0.2.2",
                            unsigned webPort = 80, const protocol::Mac& mac = kMac)
{
    Bytes b = Header(protocol::CMD_DISCOVER, 0, 38, mac);
    Put(b, 0, "0101");
    Put(b, 4, name.substr(0, 16));
    Put(b, 20, ip.substr(0, 15));
    Put16(b, 36, webPort);
    return b;
}
inline Bytes SystemInfoReply()
{
    Bytes b = Header(protocol::CMD_GET_SYSTEM_INFO, 0, 104);
    Put(b, 0, "0101");
    Put(b, 4, "1203");
    b[protocol::kHeaderSize + 8] = 1;
    Put(b, 9, "NAS-1");
    Put(b, 25, "Office storage");
    Put(b, 89, "20261208");
    Put(b, 97, "170000");
    b[protocol::kHeaderSize + 103] = 30;
    return b;
}
inline Bytes NetworkInfoReply()
{
    Bytes b = Header(protocol::CMD_GET_NETWORK_INFO, 0, 76);
    b[protocol::kHeaderSize] = 0;
    Put(b, 1, "192.0.2.2");
    Put(b, 16, "255.255.255.0");
    Put(b, 31, "192.0.2.1");
    Put(b, 46, "192.0.2.53");
    Put(b, 61, "255.255.255.255");  // fills the field: no terminator
    return b;
}
inline Bytes ShareCountReply(unsigned count)
{
    Bytes b = Header(protocol::CMD_GET_SHARE_COUNT, 0, 2);
    Put16(b, 0, count);
    return b;
}
// Page `page` of a device holding `total` shares.
inline Bytes SharePageReply(unsigned page, unsigned total)
{
    const unsigned first = page * 20;
    const unsigned n = first >= total ? 0 : (total - first < 20 ? total - first : 20);
    Bytes b = Header(protocol::CMD_GET_SHARE_LIST, 0, 2 + 36 * n);
    b[protocol::kHeaderSize] = static_cast<std::uint8_t>(page);
    b[protocol::kHeaderSize + 1] = static_cast<std::uint8_t>(n);
    for (unsigned i = 0; i < n; ++i) Put(b, 2 + 36 * i, "share" + std::to_string(first + i));
    return b;
}
inline Bytes DiskInfoReply(unsigned disks)
{
    Bytes b = Header(protocol::CMD_GET_DISK_INFO, 0, 1 + 68 * disks);
    b[protocol::kHeaderSize] = static_cast<std::uint8_t>(disks);
    for (unsigned i = 0; i < disks; ++i) {
        const std::size_t at = 1 + 68 * i;
        Put(b, at, "usb" + std::to_string(i));
        Put(b, at + 36, "sda" + std::to_string(i + 1));
        Put(b, at + 52, "ext4");
        const std::uint32_t size = 953 + i;
        for (std::size_t k = 0; k < 4; ++k) {
            b[protocol::kHeaderSize + at + 62 + k] = static_cast<std::uint8_t>(size >> (8 * k));
        }
        Put16(b, at + 66, 37);
    }
    return b;
}
inline Bytes StatusReply(std::uint16_t cmd, std::uint16_t status)
{
    return Header(cmd, status, 0);
}

// The reply a well-behaved adapter with `shares` shares and `disks` disks gives to `request`.
inline Bytes CannedReply(std::span<const std::uint8_t> request, unsigned shares = 45,
                         unsigned disks = 2)
{
    const std::uint16_t cmd =
        request.size() >= 2 ? static_cast<std::uint16_t>(request[0] | (request[1] << 8)) : 0;
    switch (cmd) {
        case protocol::CMD_DISCOVER:
            return DiscoveryReply();
        case protocol::CMD_GET_SYSTEM_INFO:
            return SystemInfoReply();
        case protocol::CMD_GET_NETWORK_INFO:
            return NetworkInfoReply();
        case protocol::CMD_GET_SHARE_COUNT:
            return ShareCountReply(shares);
        case protocol::CMD_GET_SHARE_LIST:
            return SharePageReply(request.size() > 12 ? request[12] : 0, shares);
        case protocol::CMD_GET_DISK_INFO:
            return DiskInfoReply(disks);
        default:
            return StatusReply(cmd, 0);
    }
}

inline std::uint16_t RequestCmd(std::span<const std::uint8_t> request)
{
    return request.size() >= 2 ? static_cast<std::uint16_t>(request[0] | (request[1] << 8))
                               : 0xFFFF;
}

}  // namespace fuzzing
