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
