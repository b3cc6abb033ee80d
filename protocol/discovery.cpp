#include "protocol/discovery.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "protocol/messages.h"

namespace protocol {

namespace {

constexpr int kListenBacklog = 5;

}  // namespace

std::string DiscoveryCutShortText(DiscoveryEnd end)
{
    if (end == DiscoveryEnd::TimeBound)
        return "The search for adapters was stopped after 5 seconds: answers kept coming (a "
               "device on the network may be flooding it). The list may be incomplete.";
    if (end == DiscoveryEnd::RecordBound)
        return "The search for adapters was stopped at 65536 answers (a device on the network "
               "may be flooding it). The list may be incomplete.";
    return {};
}

DiscoveryEnd DiscoverDevices(sockets::SocketApi& api, DiscoveryView& view, const Route& only)
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
    if (!session.ok()) return DiscoveryEnd::NotStarted;

    session.SetRoute(only.empty() ? EveryInterface(api) : only);
    session.Send(CMD_DISCOVER, Mac{}, {});
    const auto start = api.Now();
    const int resends = std::min(CurrentResendPolicy().retries, kDiscoveryResends);
    int resent = 0;

    // Each adapter by MAC and address, so copies of it can be told when several requests went
    // out.
    std::set<std::pair<Mac, std::string>> listed;
    // Where each MAC answered first, what it answered there, and who else claimed it.
    struct Claim {
        std::uint32_t on = 0;
        std::set<std::vector<std::uint8_t>> answers;
        std::set<std::uint32_t> reported;
    };
    std::map<Mac, Claim> claims;
    std::size_t records = 0;
    DiscoveryEnd end = DiscoveryEnd::Complete;
    // Only empty polls count, and the count is never reset: answers keep the collection
    // going for as long as they come, up to the bounds.
    int emptyPolls = 0;
    for (;;) {
        if (api.Now() - start >= kDiscoveryMaxTime) {
            end = DiscoveryEnd::TimeBound;
            break;
        }
        std::optional<Datagram> d = session.Receive();
        if (!d) {
            if (emptyPolls >= kDiscoveryWait.waits) break;
            api.Wait(session.socket(), kDiscoveryWait.interval, sockets::WaitKind::FullInterval);
            ++emptyPolls;
            if (resent < resends && emptyPolls == (resent + 1) * kDiscoveryResendGap) {
                session.Send(CMD_DISCOVER, Mac{}, {});
                ++resent;
            }
            continue;
        }
        if (!session.ArrivedByRoute() || !IsValidDiscoveryReply(*d)) continue;
        const DiscoveryReply reply = ReadDiscoveryReply(*d);
        std::vector<std::uint8_t> bytes(d->data(), d->data() + d->size());
        const std::uint32_t on = session.ArrivedOnIndex();
        auto [claim, first] = claims.try_emplace(reply.mac);
        if (first) claim->second.on = on;
        if (claim->second.on != on) {
            if (!claim->second.answers.count(bytes) && claim->second.reported.insert(on).second)
                view.AnsweredElsewhere(reply.mac, session.ArrivedOn());
            continue;
        }
        claim->second.answers.insert(std::move(bytes));
        std::unique_ptr<DeviceInfo> device = MakeDeviceInfo(reply);
        const bool fresh = listed.emplace(reply.mac, FieldText(device->ipAddress)).second;
        if (!fresh && session.RequestsSent() > 1) continue;  // a copy: the same adapter again
        device->interfaceName = session.ArrivedOn();
        view.AddDevice(std::move(device));
        if (++records >= kDiscoveryMaxRecords) {
            end = DiscoveryEnd::RecordBound;
            break;
        }
    }
    session.Release();
    return end;
}

}  // namespace protocol
