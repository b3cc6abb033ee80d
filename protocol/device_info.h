// DeviceInfo: everything the program knows about one adapter, and the DeviceList that owns
// the records. Text fields carry one always-zero byte after their width, so each reads as a
// terminated string of at most the field's width.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/exchange.h"
#include "protocol/wire.h"

namespace protocol {

// One shared folder: a 36-byte block holding the share name, zero-filled after it.
struct ShareEntry {
    std::array<std::uint8_t, kShareEntrySize> bytes{};
    std::string Name() const;  // up to the first zero, at most 36 bytes
};

// Text of a field with its terminator: N-1 usable bytes, the last one always zero.
template <std::size_t N>
std::string FieldText(const std::array<char, N>& field)
{
    std::size_t n = 0;
    while (n + 1 < N && field[n] != '\0') ++n;
    return std::string(field.data(), n);
}

// Copies a wire field of W bytes into a record text field of N > W bytes, byte for byte; the
// bytes after W (the record's terminator) are left as they are.
template <std::size_t W, std::size_t N>
void StoreField(std::array<char, N>& to, const std::array<std::uint8_t, W>& from)
{
    static_assert(W < N, "a record text field keeps a terminator after the wire width");
    for (std::size_t i = 0; i < W; ++i) to[i] = static_cast<char>(from[i]);
}

struct DeviceInfo {
    std::array<char, 17> name{};         // 16 + terminator
    std::array<char, 65> description{};  // 64 + terminator
    std::array<char, 5> signature{};     // 4 + terminator
    std::array<char, 5> firmware{};      // 4 + terminator
    std::uint8_t passwordRequired = 0;
    Mac mac{};
    std::uint8_t ipMode = 0;
    std::array<char, 16> ipAddress{};  // at most 15 characters, byte 15 always zero
    std::array<char, 16> subnetMask{};
    std::array<char, 16> gateway{};
    std::array<char, 16> dns1{};
    std::array<char, 16> dns2{};
    std::array<char, 9> date{};  // YYYYMMDD + terminator
    std::array<char, 7> time{};  // hhmmss + terminator
    std::uint16_t webPort = 0;
    std::uint8_t timezone = 0;
    std::uint16_t shareCount = 0;
    // Null until the first status query; then emptied and refilled by each query.
    std::optional<std::vector<ShareEntry>> shares;
    // The host interface it answered on ("" when not known); never on the wire.
    std::string interfaceName;
    // Other interfaces where its MAC answered with something else: a host on another network
    // claims to be it, and which one is real is not known. Nothing secret and no write goes
    // to it then (IsAmbiguous).
    std::vector<std::string> alsoAnsweredOn;
};

bool IsAmbiguous(const DeviceInfo& device);
// "lan_a and lan_b": the interfaces that answered for an ambiguous device, its own first.
std::string AnsweringInterfaces(const DeviceInfo& device);
// Notes that `interfaceName` answered for `device` too, differently (once per interface).
void AddAnsweredElsewhere(DeviceInfo& device, const std::string& interfaceName);

// Where the exchanges for a device leave: the interface it answered on, or the system's
// choice when that is not known.
Route RouteTo(const DeviceInfo& device);

// Builds a new record from a valid discovery reply (mac, signature, ipAddress, name, webPort).
std::unique_ptr<DeviceInfo> MakeDeviceInfo(const DiscoveryReply& reply);

// The main window's records, in the order of the device list rows. Owns them; pointers
// handed out stay valid until Clear() or destruction.
class DeviceList {
public:
    void Add(std::unique_ptr<DeviceInfo> device);
    std::size_t GetSize() const { return m_devices.size(); }
    DeviceInfo* GetAt(std::size_t index) const;  // null when out of range
    void Clear();
    // Every record of `mac` learns that it answered by `interfaceName` too, differently.
    void AnsweredElsewhere(const Mac& mac, const std::string& interfaceName);

private:
    std::vector<std::unique_ptr<DeviceInfo>> m_devices;
};

}  // namespace protocol
