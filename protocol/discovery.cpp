#include "protocol/discovery.h"

#include <map>

#include "protocol/messages.h"

namespace protocol {

namespace {

constexpr int kListenBacklog = 5;

}  // namespace

void DiscoverDevices(sockets::SocketApi& api, DiscoveryView& view, const Route& only)
{
    // Between non-blocking and broadcast: the larger receive buffer (a burst of answers must
    // not be dropped) and the stream socket that is bound, put into listening state and
    // closed again at once.
    auto listeningStep = [&view](sockets::SocketApi& a, sockets::SocketHandle udp) {
        a.SetReceiveBuffer(udp, kDiscoveryReceiveBuffer);  // the system may grant less
        sockets::SocketHandle tcp = a.OpenTcp();
        if (tcp == sockets::kInvalidSocket) {
            view.ShowMessage(text::kServerSocketFailed);
            return false;
        }
        a.Bind(tcp, sockets::kAddrAny, MGMT_PORT);
        a.Listen(tcp, kListenBacklog);
        a.Close(tcp);
        return true;
    };
    Session session(api, view, kDiscoveryLibraryVersion, listeningStep);
    if (!session.ok()) return;

    session.SetRoute(only.empty() ? EveryInterface(api) : only);
    session.Send(CMD_DISCOVER, Mac{}, {});

    // The interface each adapter first answered on.
    std::map<Mac, std::uint32_t> firstSeenOn;
    // Only empty polls count, and the count is never reset: answers keep the collection
    // going for as long as they come.
    int emptyPolls = 0;
    for (;;) {
        std::optional<Datagram> d = session.Receive();
        if (!d) {
            if (emptyPolls >= kDiscoveryWait.waits) break;
            api.Wait(session.socket(), kDiscoveryWait.interval, sockets::WaitKind::FullInterval);
            ++emptyPolls;
            continue;
        }
        if (!IsValidDiscoveryReply(*d)) continue;
        const DiscoveryReply reply = ReadDiscoveryReply(*d);
        const auto seen = firstSeenOn.try_emplace(reply.mac, session.ArrivedOnIndex()).first;
        if (seen->second != session.ArrivedOnIndex()) continue;  // the same adapter, another way
        std::unique_ptr<DeviceInfo> device = MakeDeviceInfo(reply);
        device->interfaceName = session.ArrivedOn();
        view.AddDevice(std::move(device));
    }
    session.Release();
}

}  // namespace protocol
