// Recorders for what the protocol layer shows, shared by the protocol unit tests.
#pragma once

#include <array>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sockets/fake_sockets.h"
#include "protocol/discovery.h"
#include "protocol/status_query.h"

namespace testing_support {

inline const protocol::Mac kMac{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
inline const protocol::Mac kOtherMac{0x02, 0x00, 0x00, 0x00, 0x00, 0x09};

// Records every call in order as one line, so tests can check both content and sequence.
class Recorder : public protocol::StatusView, public protocol::DiscoveryView {
public:
    std::vector<std::string> events;
    std::vector<std::string> messages;
    std::vector<std::unique_ptr<protocol::DeviceInfo>> devices;
    std::array<std::string, 5> panel;
    std::vector<std::array<std::string, 5>> diskRows;
    int enabled = 0;
    int sourcePortFallbacks = 0;
    // Called inside ShowMessage, e.g. to note what the sockets looked like at that moment.
    std::function<void()> onMessage;

    // Both views derive from MessageSink; exchanges that only show messages take this one.
    protocol::MessageSink& AsSink() { return static_cast<protocol::StatusView&>(*this); }

    void ShowMessage(const std::string& text) override
    {
        if (onMessage) onMessage();
        messages.push_back(text);
        events.push_back("message:" + text);
    }
    void SourcePortFallback() override { ++sourcePortFallbacks; }
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> device) override
    {
        events.push_back("device");
        devices.push_back(std::move(device));
    }
    void AnsweredElsewhere(const protocol::Mac& mac, const std::string& name) override
    {
        events.push_back("elsewhere:" + name);
        for (auto& d : devices)
            if (d->mac == mac) protocol::AddAnsweredElsewhere(*d, name);
    }
    void ClearDeviceInfo() override
    {
        panel = {};
        diskRows.clear();
        events.push_back("clear");
    }
    void ShowPanel(const protocol::DeviceInfo& device) override
    {
        panel = protocol::PanelBytes(device);
        for (const std::string& text : panel) events.push_back("panel:" + text);
    }
    void ShowDisks(const std::vector<protocol::Disk>& disks) override
    {
        diskRows.clear();
        events.push_back("clear-disks");
        for (const protocol::Disk& disk : disks) {
            diskRows.push_back(protocol::DiskColumns(disk));
            events.push_back("disk");
        }
    }
    void EnableDeviceCommands() override
    {
        ++enabled;
        events.push_back("enable");
    }
};

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<std::uint8_t> v;
    for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

// Sets the TZ variable the C runtime reads; an empty value removes it.
inline void SetTimeZoneVariable(const std::string& value)
{
#ifdef _WIN32
    _putenv_s("TZ", value.c_str());
    _tzset();
#else
    if (value.empty())
        unsetenv("TZ");
    else
        setenv("TZ", value.c_str(), 1);
    tzset();
#endif
}

}  // namespace testing_support
