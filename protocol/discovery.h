// Discovery: a broadcast CMD_DISCOVER (per interface, asked again up to twice in the window by
// the resend policy), then every valid answer becomes a DeviceInfo, until 20 empty polls of
// 100 ms have passed in all, or a bound on time or records cuts a flood of answers short.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/exchange.h"

namespace protocol {

class DiscoveryView : public MessageSink {
public:
    // Takes ownership; called once per valid reply, in order of arrival.
    virtual void AddDevice(std::unique_ptr<DeviceInfo> device) = 0;
    // The MAC of devices listed earlier answered by another interface, differently: another
    // host there claims it. A front end that sends secrets or writes marks its records
    // (DeviceList::AnsweredElsewhere); the listing itself does not change.
    virtual void AnsweredElsewhere(const Mac& mac, const std::string& interfaceName)
    {
        (void)mac;
        (void)interfaceName;
    }
};

// Receive buffer asked for during discovery, so a burst of answers is not dropped.
inline constexpr int kDiscoveryReceiveBuffer = 8 * 1024 * 1024;

// However long answers keep coming, a discovery ends this long after its request, and with
// this many records: a host sending answers with ever new MACs cannot hold the program.
inline constexpr std::chrono::milliseconds kDiscoveryMaxTime{5000};
inline constexpr std::size_t kDiscoveryMaxRecords = 65536;

enum class DiscoveryEnd {
    Complete,     // the 20 empty polls passed
    TimeBound,    // kDiscoveryMaxTime passed first
    RecordBound,  // kDiscoveryMaxRecords were listed
    NotStarted,   // the library or the sockets could not be had (shown)
};

// What a front end tells the user when a bound ended the discovery ("" for the others).
std::string DiscoveryCutShortText(DiscoveryEnd end);

// The request goes out by every broadcast interface of the host, or by those named in
// `only`, and the answers of all are collected in the one listening window; datagrams by any
// other interface are not answers. A record remembers the interface its first answer came
// by. A MAC belongs to the interface that answered for it first: a later answer for it by
// another interface is never listed, and, when it differs from every answer listed for that
// MAC, is reported through AnsweredElsewhere. When more than one request went out (by several
// interfaces, or asked again), an adapter is listed once: later answers with the same MAC and
// address are copies; the same MAC with another address on the same interface is another
// device. Doubles of a single request are listed as they come.
DiscoveryEnd DiscoverDevices(sockets::SocketApi& api, DiscoveryView& view, const Route& only = {});

}  // namespace protocol
