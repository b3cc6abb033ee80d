#include "protocol/device_info.h"

#include <algorithm>

namespace protocol {

std::string ShareEntry::Name() const
{
    auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return std::string(bytes.begin(), end);
}

std::unique_ptr<DeviceInfo> MakeDeviceInfo(const DiscoveryReply& reply)
{
    auto device = std::make_unique<DeviceInfo>();
    device->mac = reply.mac;
    StoreField(device->signature, reply.signature);
    StoreField(device->ipAddress, reply.ipAddress);
    StoreField(device->name, reply.name);
    device->webPort = reply.webPort;
    return device;
}

Route RouteTo(const DeviceInfo& device)
{
    if (device.interfaceName.empty()) return {};
    return {device.interfaceName};
}

bool IsAmbiguous(const DeviceInfo& device)
{
    return !device.alsoAnsweredOn.empty();
}

std::string AnsweringInterfaces(const DeviceInfo& device)
{
    std::vector<std::string> names;
    names.push_back(device.interfaceName.empty() ? "?" : device.interfaceName);
    names.insert(names.end(), device.alsoAnsweredOn.begin(), device.alsoAnsweredOn.end());
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

void AddAnsweredElsewhere(DeviceInfo& device, const std::string& interfaceName)
{
    if (interfaceName == device.interfaceName) return;
    auto& also = device.alsoAnsweredOn;
    if (std::find(also.begin(), also.end(), interfaceName) == also.end())
        also.push_back(interfaceName);
}

void DeviceList::AnsweredElsewhere(const Mac& mac, const std::string& interfaceName)
{
    for (const auto& device : m_devices)
        if (device->mac == mac) AddAnsweredElsewhere(*device, interfaceName);
}

void DeviceList::Add(std::unique_ptr<DeviceInfo> device)
{
    if (device) m_devices.push_back(std::move(device));
}

DeviceInfo* DeviceList::GetAt(std::size_t index) const
{
    return index < m_devices.size() ? m_devices[index].get() : nullptr;
}

void DeviceList::Clear()
{
    m_devices.clear();
}

}  // namespace protocol
