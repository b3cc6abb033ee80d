#include "protocol/discovery.h"

#include "protocol/messages.h"

namespace protocol {

namespace {

constexpr int kListenBacklog = 5;

}  // namespace

void DiscoverDevices(sockets::SocketApi& api, DiscoveryView& view)
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

    session.Send(CMD_DISCOVER, Mac{}, {});

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
        view.AddDevice(MakeDeviceInfo(ReadDiscoveryReply(*d)));
    }
    session.Release();
}

}  // namespace protocol
