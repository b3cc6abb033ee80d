// Discovery: one broadcast CMD_DISCOVER (per interface), then every valid answer becomes a
// DeviceInfo, until 20 empty polls of 100 ms have passed in all.
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

// The request goes out by every broadcast interface of the host, or by those named in
// `only`, and the answers of all are collected in the one listening window. A record
// remembers the interface it answered on; an adapter that answers by a second interface is
// listed once (its first answer counts), while doubles by one interface are listed as sent.
void DiscoverDevices(sockets::SocketApi& api, DiscoveryView& view, const Route& only = {});

}  // namespace protocol
