// Shared pieces of the wizard's dialog tests: a fake segment with one adapter, the device
// record the main window would hold for it, and requests as the adapter expects them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sockets/fake_sockets.h"
#include "protocol/device_info.h"
#include "res/resource.h"
#include "tests/support/gui_support.h"
#include "ui/cdialog.h"

namespace wizard_test {

inline const sockets::FakeAdapter::MacBytes kMac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

template <std::size_t N>
void SetField(std::array<char, N>& field, const std::string& text)
{
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

// The record that discovery and a status query would have built for `a`.
inline protocol::DeviceInfo MakeDevice(const sockets::FakeAdapter& a)
{
    protocol::DeviceInfo d;
    d.mac = a.mac;
    SetField(d.name, a.name);
    SetField(d.signature, a.signature);
    SetField(d.firmware, a.firmware);
    SetField(d.description, a.description);
    SetField(d.date, a.date);
    SetField(d.time, a.time);
    d.timezone = a.timezone;
    d.passwordRequired = a.passwordRequired;
    d.ipMode = a.ipMode;
    SetField(d.ipAddress, a.addresses[0]);
    SetField(d.subnetMask, a.addresses[1]);
    SetField(d.gateway, a.addresses[2]);
    SetField(d.dns1, a.addresses[3]);
    SetField(d.dns2, a.addresses[4]);
    d.webPort = a.webPort;
    return d;
}

using gui_test::Button;
using gui_test::ButtonByText;
using gui_test::MessageRecorder;
using gui_test::OnNextModal;
using gui_test::RunModal;

// A request as the adapters expect it, built here independently of the protocol code.
inline std::vector<std::uint8_t> Request(std::uint16_t cmd,
                                         const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> out(12 + payload.size(), 0);
    out[0] = static_cast<std::uint8_t>(cmd & 0xFF);
    out[1] = static_cast<std::uint8_t>(cmd >> 8);
    out[4] = static_cast<std::uint8_t>(payload.size() & 0xFF);
    out[5] = static_cast<std::uint8_t>(payload.size() >> 8);
    std::memcpy(out.data() + 6, kMac.data(), 6);
    std::copy(payload.begin(), payload.end(), out.begin() + 12);
    return out;
}

inline void Put(std::vector<std::uint8_t>& buf, std::size_t offset, const std::string& text)
{
    std::memcpy(buf.data() + offset, text.data(), text.size());
}

}  // namespace wizard_test
