// Discovery: one broadcast CMD_DISCOVER, then every valid answer becomes a DeviceInfo,
// until 20 empty polls of 100 ms have passed in all.
#pragma once

#include <memory>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/exchange.h"

namespace protocol {

class DiscoveryView : public MessageSink {
public:
    // Takes ownership; called once per valid reply, in order of arrival.
    virtual void AddDevice(std::unique_ptr<DeviceInfo> device) = 0;
};

// Receive buffer asked for during discovery, so a burst of answers is not dropped.
inline constexpr int kDiscoveryReceiveBuffer = 8 * 1024 * 1024;

void DiscoverDevices(sockets::SocketApi& api, DiscoveryView& view);

}  // namespace protocol
