#include "platform/sockets/fake_sockets.h"

#include <algorithm>
#include <cstring>

namespace sockets {
namespace {

constexpr std::uint16_t kCmdDiscover = 0;
constexpr std::uint16_t kCmdGetSystemInfo = 16;
constexpr std::uint16_t kCmdSetSystemInfo = 17;
constexpr std::uint16_t kCmdGetNetworkInfo = 18;
constexpr std::uint16_t kCmdSetNetworkInfo = 19;
constexpr std::uint16_t kCmdGetDiskInfo = 20;
constexpr std::uint16_t kCmdVerify = 21;
constexpr std::uint16_t kCmdGetShareCount = 32;
constexpr std::uint16_t kCmdGetShareList = 33;
constexpr std::size_t kHeader = 12;

void PutU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v)
{
    out[at] = static_cast<std::uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void PutText(std::vector<std::uint8_t>& out, std::size_t at, std::size_t width,
             const std::string& text)
{
    std::size_t n = std::min(width, text.size());
    std::memcpy(out.data() + at, text.data(), n);
}

// Bytes of a request past its end read as zero, like the protocol's own reader.
std::uint8_t At(const std::vector<std::uint8_t>& v, std::size_t i)
{
    return i < v.size() ? v[i] : 0;
}

std::string TextAt(const std::vector<std::uint8_t>& v, std::size_t at, std::size_t width)
{
    std::string s;
    for (std::size_t i = 0; i < width; ++i) {
        std::uint8_t c = At(v, at + i);
        if (c == 0) break;
        s.push_back(static_cast<char>(c));
    }
    return s;
}

}  // namespace

std::uint16_t FakeDatagram::Cmd() const
{
    if (bytes.size() < 2) return 0;
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::vector<std::uint8_t> FakeMessage(std::uint16_t cmd, std::uint16_t status,
                                      const std::array<std::uint8_t, 6>& mac,
                                      const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> out(kHeader + payload.size(), 0);
    PutU16(out, 0, cmd);
    PutU16(out, 2, status);
    PutU16(out, 4, static_cast<std::uint16_t>(payload.size()));
    std::copy(mac.begin(), mac.end(), out.begin() + 6);
    std::copy(payload.begin(), payload.end(), out.begin() + kHeader);
    return out;
}

// --- FakeAdapter ------------------------------------------------------------------------

FakeAdapter::FakeAdapter(const MacBytes& m) : mac(m) {}

std::vector<std::uint8_t> FakeAdapter::DiscoveryReply() const
{
    std::vector<std::uint8_t> p(38, 0);
    PutText(p, 0, 4, signature);
    PutText(p, 4, 16, name);
    PutText(p, 20, 15, ipAddress);
    PutU16(p, 36, webPort);
    return FakeMessage(kCmdDiscover, 0, mac, p);
}

std::vector<std::uint8_t> FakeAdapter::SystemInfoReply() const
{
    std::vector<std::uint8_t> p(104, 0);
    PutText(p, 0, 4, signature);
    PutText(p, 4, 4, firmware);
    p[8] = passwordRequired;
    PutText(p, 9, 16, name);
    PutText(p, 25, 64, description);
    PutText(p, 89, 8, date);
    PutText(p, 97, 6, time);
    p[103] = timezone;
    return FakeMessage(kCmdGetSystemInfo, 0, mac, p);
}

std::vector<std::uint8_t> FakeAdapter::NetworkInfoReply() const
{
    std::vector<std::uint8_t> p(76, 0);
    p[0] = ipMode;
    for (std::size_t i = 0; i < addresses.size(); ++i) PutText(p, 1 + 15 * i, 15, addresses[i]);
    return FakeMessage(kCmdGetNetworkInfo, 0, mac, p);
}

std::vector<std::uint8_t> FakeAdapter::ShareCountReply() const
{
    std::vector<std::uint8_t> p(2, 0);
    PutU16(p, 0, shareCountOverride.value_or(static_cast<std::uint16_t>(shares.size())));
    return FakeMessage(kCmdGetShareCount, 0, mac, p);
}

std::vector<std::uint8_t> FakeAdapter::SharePageReply(std::uint8_t page) const
{
    std::size_t first = std::size_t{page} * 20;
    std::size_t count =
        first < shares.size() ? std::min<std::size_t>(20, shares.size() - first) : 0;
    std::vector<std::uint8_t> p(2 + 36 * count, 0);
    p[0] = static_cast<std::uint8_t>(page + pageEchoOffset);
    p[1] = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) PutText(p, 2 + 36 * i, 36, shares[first + i]);
    return FakeMessage(kCmdGetShareList, 0, mac, p);
}

std::vector<std::uint8_t> FakeAdapter::DiskInfoReply() const
{
    std::size_t count = std::min<std::size_t>(disks.size(), 14);
    std::vector<std::uint8_t> p(1 + 68 * count, 0);
    p[0] = static_cast<std::uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t at = 1 + 68 * i;
        const Disk& d = disks[i];
        PutText(p, at, 36, d.shareName);
        PutText(p, at + 36, 16, d.deviceId);
        PutText(p, at + 52, 10, d.fsType);
        auto total = static_cast<std::uint32_t>(d.totalSizeMB);
        for (std::size_t b = 0; b < 4; ++b)
            p[at + 62 + b] = static_cast<std::uint8_t>(total >> (8 * b));
        PutU16(p, at + 66, static_cast<std::uint16_t>(d.freePercent));
    }
    return FakeMessage(kCmdGetDiskInfo, 0, mac, p);
}

std::vector<std::uint8_t> FakeAdapter::Answer(std::uint16_t cmd,
                                              const std::vector<std::uint8_t>& req)
{
    switch (cmd) {
        case kCmdDiscover:
            return DiscoveryReply();
        case kCmdGetSystemInfo:
            return SystemInfoReply();
        case kCmdGetNetworkInfo:
            return NetworkInfoReply();
        case kCmdGetShareCount:
            return ShareCountReply();
        case kCmdGetShareList:
            return SharePageReply(At(req, kHeader));
        case kCmdGetDiskInfo:
            return DiskInfoReply();
        case kCmdSetSystemInfo:
            passwordRequired = At(req, kHeader);
            name = TextAt(req, kHeader + 1, 16);
            description = TextAt(req, kHeader + 17, 64);
            date = TextAt(req, kHeader + 81, 8);
            time = TextAt(req, kHeader + 89, 6);
            timezone = At(req, kHeader + 95);
            return FakeMessage(kCmdSetSystemInfo, 0, mac);
        case kCmdSetNetworkInfo:
            if (refuseNetwork) return FakeMessage(kCmdSetNetworkInfo, 1, mac);
            ipMode = At(req, kHeader);
            for (std::size_t i = 0; i < addresses.size(); ++i)
                addresses[i] = TextAt(req, kHeader + 1 + 15 * i, 15);
            return FakeMessage(kCmdSetNetworkInfo, 0, mac);
        case kCmdVerify: {
            bool ok = TextAt(req, kHeader, 16) == adminUser.substr(0, 16) &&
                      TextAt(req, kHeader + 16, 8) == adminPassword.substr(0, 8);
            return FakeMessage(kCmdVerify, ok ? 0 : 1, mac);
        }
        default:
            return {};
    }
}

std::vector<FakeReply> FakeAdapter::Respond(const FakeDatagram& request)
{
    const auto& req = request.bytes;
    if (req.size() < kHeader) return {};
    std::uint16_t cmd = request.Cmd();
    bool forMe = std::equal(mac.begin(), mac.end(), req.begin() + 6);
    if (cmd != kCmdDiscover && !forMe) return {};
    if (links.count(request.via) == 0) return {};  // left by an interface we are not on
    if (loseRequests > 0) {
        --loseRequests;
        return {};
    }
    requests.push_back(req);
    if (silent || silentFor.count(cmd) != 0) return {};

    std::vector<std::uint8_t> bytes = Answer(cmd, req);
    if (bytes.empty()) return {};
    if (replyCmd) PutU16(bytes, 0, *replyCmd);
    if (truncateTo && bytes.size() > *truncateTo) bytes.resize(*truncateTo);

    std::vector<FakeReply> out;
    for (int i = 0; i < copies; ++i) {
        if (loseAnswers > 0) {
            --loseAnswers;
            continue;
        }
        FakeReply r;
        r.bytes = bytes;
        r.delay = delay;
        r.arrivesOn = answersOn.value_or(0);
        out.push_back(std::move(r));
    }
    return out;
}

// --- FakeNetwork ------------------------------------------------------------------------

void FakeNetwork::Advance(VirtualTime by)
{
    if (by.count() > 0) AdvanceTo(m_now + by);
}

void FakeNetwork::AddResponder(FakeResponder responder)
{
    m_responders.push_back(std::move(responder));
}

void FakeNetwork::ClearResponders()
{
    m_responders.clear();
}

FakeAdapter& FakeNetwork::AddAdapter(const FakeAdapter::MacBytes& mac)
{
    m_adapters.push_back(std::make_unique<FakeAdapter>(mac));
    FakeAdapter* adapter = m_adapters.back().get();
    AddResponder([adapter](const FakeDatagram& d) { return adapter->Respond(d); });
    return *adapter;
}

std::vector<FakeAdapter*> FakeNetwork::Adapters() const
{
    std::vector<FakeAdapter*> out;
    for (const auto& a : m_adapters) out.push_back(a.get());
    return out;
}

void FakeNetwork::Inject(std::vector<std::uint8_t> bytes, VirtualTime at, std::uint32_t fromAddr,
                         std::uint16_t fromPort, std::uint32_t arrivesOn)
{
    m_injections.push_back(Injection{std::move(bytes), at, fromAddr, fromPort, arrivesOn});
    DeliverDue();
}

void FakeNetwork::AddInterface(const std::string& name, std::uint32_t index, bool broadcast)
{
    interfaces.push_back(NetworkInterface{name, index, 0xC0000200u | (index & 0xFFu), broadcast});
}

void FakeNetwork::RemoveInterface(const std::string& name)
{
    interfaces.erase(std::remove_if(interfaces.begin(), interfaces.end(),
                                    [&](const NetworkInterface& i) { return i.name == name; }),
                     interfaces.end());
}

std::vector<FakeDatagram> FakeNetwork::SentWithCmd(std::uint16_t cmd) const
{
    std::vector<FakeDatagram> out;
    for (const auto& d : m_sent)
        if (d.bytes.size() >= 2 && d.Cmd() == cmd) out.push_back(d);
    return out;
}

void FakeNetwork::Attach(FakeSocketApi* host)
{
    m_hosts.push_back(host);
}

void FakeNetwork::Detach(FakeSocketApi* host)
{
    m_hosts.erase(std::remove(m_hosts.begin(), m_hosts.end(), host), m_hosts.end());
}

void FakeNetwork::AdvanceTo(VirtualTime t)
{
    if (t > m_now) m_now = t;
    DeliverDue();
}

void FakeNetwork::DeliverDue()
{
    // Stable: injections due at the same time arrive in the order they were made.
    std::stable_sort(m_injections.begin(), m_injections.end(),
                     [](const Injection& a, const Injection& b) { return a.at < b.at; });
    auto due = std::find_if(m_injections.begin(), m_injections.end(),
                            [this](const Injection& i) { return i.at > m_now; });
    for (auto it = m_injections.begin(); it != due; ++it)
        for (FakeSocketApi* host : m_hosts) host->DeliverInjection(*it);
    m_injections.erase(m_injections.begin(), due);
}

std::optional<VirtualTime> FakeNetwork::NextInjection() const
{
    std::optional<VirtualTime> next;
    for (const auto& i : m_injections)
        if (!next || i.at < *next) next = i.at;
    return next;
}

std::vector<FakeReply> FakeNetwork::Transmit(const FakeDatagram& datagram)
{
    m_sent.push_back(datagram);
    std::vector<FakeReply> replies;
    for (auto& responder : m_responders) {
        auto r = responder(datagram);
        for (auto& one : r) replies.push_back(std::move(one));
    }
    return replies;
}

// --- FakeSocketApi ----------------------------------------------------------------------

FakeSocketApi::FakeSocketApi(FakeNetwork& network) : m_network(network)
{
    m_network.Attach(this);
}

FakeSocketApi::~FakeSocketApi()
{
    m_network.Detach(this);
}

int FakeSocketApi::Fail(int error)
{
    m_lastError = error;
    return kSocketError;
}

FakeSocketApi::Socket* FakeSocketApi::Find(SocketHandle s)
{
    auto it = m_sockets.find(s);
    return it == m_sockets.end() ? nullptr : &it->second;
}

int FakeSocketApi::Startup(std::uint16_t version)
{
    ++m_startupCalls;
    m_versions.push_back(version);
    if (faults.startupResult != 0) return faults.startupResult;
    if (faults.offeredVersion && *faults.offeredVersion != version) return kFakeVersionNotSupported;
    ++m_startups;
    ++m_libraryRefs;
    return 0;
}

int FakeSocketApi::Cleanup()
{
    ++m_cleanups;
    if (m_libraryRefs == 0) return Fail(kFakeNotInitialised);
    --m_libraryRefs;
    if (faults.cleanupError != 0) return Fail(faults.cleanupError);
    return 0;
}

SocketHandle FakeSocketApi::Open(bool udp)
{
    if (m_libraryRefs == 0) {
        m_lastError = kFakeNotInitialised;
        return kInvalidSocket;
    }
    if (udp ? faults.failOpenUdp : faults.failOpenTcp) {
        m_lastError = kFakeNoBuffers;
        return kInvalidSocket;
    }
    SocketHandle h = m_nextHandle++;
    Socket socket;
    socket.udp = udp;
    m_sockets.emplace(h, std::move(socket));
    if (udp) {
        ++m_udpOpens;
        m_udpHandles.push_back(h);
    } else {
        ++m_tcpOpens;
    }
    return h;
}

SocketHandle FakeSocketApi::OpenUdp()
{
    m_network.DeliverDue();
    return Open(true);
}

SocketHandle FakeSocketApi::OpenTcp()
{
    return Open(false);
}

int FakeSocketApi::Close(SocketHandle s)
{
    if (m_sockets.erase(s) == 0) {
        ++m_badCloses;
        return Fail(kFakeNotSocket);
    }
    ++m_closes;
    return 0;
}

int FakeSocketApi::SetNonBlocking(SocketHandle s, bool on)
{
    ++m_nonBlockingSets;
    Socket* socket = Find(s);
    if (!socket) return Fail(kFakeNotSocket);
    if (faults.failNonBlocking) return Fail(kFakeNetworkDown);
    socket->nonBlocking = on;
    return 0;
}

int FakeSocketApi::SetBroadcast(SocketHandle s, bool on)
{
    ++m_broadcastSets;
    Socket* socket = Find(s);
    if (!socket) return Fail(kFakeNotSocket);
    if (faults.failBroadcast) return Fail(kFakeNetworkDown);
    socket->broadcast = on;
    return 0;
}

int FakeSocketApi::SetReceiveBuffer(SocketHandle s, int bytes)
{
    m_lastReceiveBuffer = bytes;
    if (!Find(s)) return Fail(kFakeNotSocket);
    if (faults.failReceiveBuffer) return Fail(kFakeNoBuffers);
    return 0;
}

int FakeSocketApi::Bind(SocketHandle s, std::uint32_t addr, std::uint16_t port)
{
    m_binds.push_back(FakeBind{s, addr, port});
    Socket* socket = Find(s);
    if (!socket) return Fail(kFakeNotSocket);
    if (socket->udp && port != 0) {
        const bool ours = std::any_of(m_sockets.begin(), m_sockets.end(), [&](const auto& o) {
            return o.second.udp && o.second.port == port;
        });
        if (ours || faults.udpPortsInUse.count(port) != 0) return Fail(kFakeAddressInUse);
        socket->port = port;
    }
    return 0;
}

int FakeSocketApi::Listen(SocketHandle s, int backlog)
{
    m_listens.push_back(FakeListen{s, backlog});
    return Find(s) ? 0 : Fail(kFakeNotSocket);
}

int FakeSocketApi::SendTo(SocketHandle s, const std::uint8_t* data, std::size_t len,
                          std::uint32_t addr, std::uint16_t port)
{
    return Send(s, data, len, addr, port, m_network.routeInterface, false);
}

int FakeSocketApi::SendToVia(SocketHandle s, const std::uint8_t* data, std::size_t len,
                             std::uint32_t addr, std::uint16_t port, const NetworkInterface& via)
{
    return Send(s, data, len, addr, port, via.index, true);
}

int FakeSocketApi::Send(SocketHandle s, const std::uint8_t* data, std::size_t len,
                        std::uint32_t addr, std::uint16_t port, std::uint32_t via, bool chosen)
{
    m_network.DeliverDue();
    Socket* socket = Find(s);
    if (!socket || !socket->udp) {
        ++m_sendFailures;
        return Fail(kFakeNotSocket);
    }
    // Without broadcast permission the limited broadcast is refused, as real stacks do.
    if (faults.dropSends || (addr == kAddrBroadcast && !socket->broadcast)) {
        ++m_sendFailures;
        return Fail(faults.dropSends ? kFakeNetworkDown : kFakeAccessDenied);
    }
    // An interface that is gone takes nothing.
    const auto& ifs = m_network.interfaces;
    if (chosen && std::none_of(ifs.begin(), ifs.end(),
                               [via](const NetworkInterface& i) { return i.index == via; })) {
        ++m_sendFailures;
        return Fail(kFakeNetworkDown);
    }
    FakeDatagram datagram;
    datagram.bytes.assign(data, data + len);
    datagram.addr = addr;
    datagram.port = port;
    datagram.socket = s;
    datagram.time = m_network.Now();
    datagram.via = via;
    datagram.chosen = chosen;
    datagram.fromPort = socket->port;
    std::vector<FakeReply> replies = m_network.Transmit(datagram);
    // A responder may not close sockets, but look the socket up again to be safe.
    socket = Find(s);
    if (socket) {
        for (auto& r : replies)
            Enqueue(*socket, m_network.Now() + r.delay, std::move(r.bytes), r.fromAddr, r.fromPort,
                    r.arrivesOn != 0 ? r.arrivesOn : via);
    }
    return static_cast<int>(len);
}

std::vector<NetworkInterface> FakeSocketApi::Interfaces()
{
    return m_network.interfaces;
}

void FakeSocketApi::Enqueue(Socket& socket, VirtualTime at, std::vector<std::uint8_t> bytes,
                            std::uint32_t fromAddr, std::uint16_t fromPort, std::uint32_t arrivedOn)
{
    socket.inbox.push_back(Queued{at, m_seq++, std::move(bytes), fromAddr, fromPort, arrivedOn});
}

void FakeSocketApi::DeliverInjection(const FakeNetwork::Injection& injection)
{
    for (auto& [handle, socket] : m_sockets)
        if (socket.udp)
            Enqueue(socket, injection.at, injection.bytes, injection.fromAddr, injection.fromPort,
                    injection.arrivesOn);
}

bool FakeSocketApi::Ready(const Socket& socket) const
{
    return std::any_of(socket.inbox.begin(), socket.inbox.end(),
                       [this](const Queued& q) { return q.time <= m_network.Now(); });
}

std::optional<VirtualTime> FakeSocketApi::NextArrival(const Socket& socket) const
{
    std::optional<VirtualTime> next;
    for (const auto& q : socket.inbox)
        if (!next || q.time < *next) next = q.time;
    if (socket.udp) {
        auto injection = m_network.NextInjection();
        if (injection && (!next || *injection < *next)) next = injection;
    }
    return next;
}

int FakeSocketApi::RecvFrom(SocketHandle s, std::uint8_t* buf, std::size_t cap,
                            std::uint32_t* fromAddr, std::uint16_t* fromPort)
{
    return RecvFromVia(s, buf, cap, fromAddr, fromPort, nullptr);
}

int FakeSocketApi::RecvFromVia(SocketHandle s, std::uint8_t* buf, std::size_t cap,
                               std::uint32_t* fromAddr, std::uint16_t* fromPort,
                               std::uint32_t* arrivedOn)
{
    m_network.DeliverDue();
    ++m_recvCalls;
    ++m_recvBySocket[s];
    Socket* socket = Find(s);
    if (!socket) return Fail(kFakeNotSocket);
    if (faults.failRecv) return Fail(kFakeNetworkDown);
    // The earliest due datagram; equal times in the order they were queued.
    auto best = socket->inbox.end();
    for (auto it = socket->inbox.begin(); it != socket->inbox.end(); ++it) {
        if (it->time > m_network.Now()) continue;
        if (best == socket->inbox.end() || it->time < best->time ||
            (it->time == best->time && it->seq < best->seq))
            best = it;
    }
    if (best == socket->inbox.end()) return Fail(kFakeWouldBlock);
    // Longer than the buffer: a failed receive, and the datagram is gone (as the system's).
    if (best->bytes.size() > cap) {
        socket->inbox.erase(best);
        return Fail(kFakeMessageSize);
    }
    std::size_t n = best->bytes.size();
    if (n > 0) std::memcpy(buf, best->bytes.data(), n);
    if (fromAddr) *fromAddr = best->fromAddr;
    if (fromPort) *fromPort = best->fromPort;
    if (arrivedOn) *arrivedOn = best->arrivedOn;
    socket->inbox.erase(best);
    return static_cast<int>(n);
}

bool FakeSocketApi::Wait(SocketHandle s, std::chrono::milliseconds interval, WaitKind kind)
{
    m_network.DeliverDue();
    FakeWait wait;
    wait.socket = s;
    wait.interval = interval;
    wait.kind = kind;
    wait.start = m_network.Now();
    VirtualTime end = wait.start + interval;
    Socket* socket = Find(s);
    if (socket && kind == WaitKind::UntilDatagram) {
        if (Ready(*socket)) {
            end = wait.start;
        } else {
            auto next = NextArrival(*socket);
            if (next && *next < end) end = *next;
        }
    }
    m_network.AdvanceTo(end);
    socket = Find(s);
    wait.end = m_network.Now();
    wait.ready = socket && Ready(*socket);
    m_waits.push_back(wait);
    return wait.ready;
}

bool FakeSocketApi::Balanced() const
{
    return m_startups == m_cleanups && Opens() == m_closes && m_badCloses == 0 && m_sockets.empty();
}

int FakeSocketApi::RecvCalls(SocketHandle s) const
{
    auto it = m_recvBySocket.find(s);
    return it == m_recvBySocket.end() ? 0 : it->second;
}

int FakeSocketApi::WaitCount(SocketHandle s) const
{
    return static_cast<int>(std::count_if(m_waits.begin(), m_waits.end(),
                                          [s](const FakeWait& w) { return w.socket == s; }));
}

}  // namespace sockets
