// An in-process network segment with a virtual clock, for tests. FakeSocketApi is the
// SocketApi of one host on that segment; scripted adapters (responders, FakeAdapter) answer
// what it sends, faults are switched on through FakeFaults, and every call is recorded so a
// test can check bytes, wait counts, virtual time and that every resource was given back.
// Nothing here touches a real network, and Wait() never sleeps: it moves the virtual clock.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sockets/sockets.h"

namespace sockets {

using VirtualTime = std::chrono::milliseconds;

// 192.0.2.2, the address the fake adapters answer from (host byte order).
inline constexpr std::uint32_t kFakeAdapterAddr = 0xC0000202u;
// 192.0.2.1, the address of the host under test.
inline constexpr std::uint32_t kFakeHostAddr = 0xC0000201u;
// The host's one interface unless a test gives it more; the adapters' link by default.
inline constexpr std::uint32_t kFakeDefaultInterface = 1;

// Error numbers the fake reports (the Winsock values, so messages look familiar).
inline constexpr int kFakeWouldBlock = 10035;
inline constexpr int kFakeAccessDenied = 10013;
inline constexpr int kFakeNotSocket = 10038;
inline constexpr int kFakeVersionNotSupported = 10092;
inline constexpr int kFakeNotInitialised = 10093;
inline constexpr int kFakeNetworkDown = 10050;
inline constexpr int kFakeNoBuffers = 10055;
inline constexpr int kFakeMessageSize = 10040;
inline constexpr int kFakeAddressInUse = 10048;

// One datagram that went out on the segment.
struct FakeDatagram {
    std::vector<std::uint8_t> bytes;
    std::uint32_t addr = 0;  // destination
    std::uint16_t port = 0;
    SocketHandle socket = kInvalidSocket;  // the sending socket
    VirtualTime time{0};                   // when it was sent
    std::uint32_t via = 0;                 // index of the interface it left by
    bool chosen = false;                   // the sender chose that interface (SendToVia)
    std::uint16_t fromPort = 0;            // the socket's bound port; 0: the system's choice

    std::uint16_t Cmd() const;  // little-endian header word 0 (0 when too short)
};

// One answer of a responder: receivable on the sending socket at send time + delay.
struct FakeReply {
    std::vector<std::uint8_t> bytes;
    VirtualTime delay{0};
    std::uint32_t fromAddr = kFakeAdapterAddr;
    std::uint16_t fromPort = 1638;
    std::uint32_t arrivesOn = 0;  // interface index; 0: the one the request left by
};

using FakeResponder = std::function<std::vector<FakeReply>(const FakeDatagram& request)>;

// Failures a test switches on. Each applies to every later call until switched off.
struct FakeFaults {
    int startupResult = 0;                        // non-zero: Startup fails with this result
    std::optional<std::uint16_t> offeredVersion;  // set: Startup of any other version fails
    bool failOpenUdp = false;
    bool failOpenTcp = false;
    bool failNonBlocking = false;
    bool failBroadcast = false;
    bool failReceiveBuffer = false;
    int cleanupError = 0;    // non-zero: Cleanup fails and LastError() gives this value
    bool dropSends = false;  // SendTo fails, nothing goes out
    bool failRecv = false;   // RecvFrom fails with a network error even when data waits
    // Datagram ports other programs hold: binding one fails with "address in use".
    std::set<std::uint16_t> udpPortsInUse;
};

struct FakeWait {
    SocketHandle socket = kInvalidSocket;
    std::chrono::milliseconds interval{0};
    WaitKind kind = WaitKind::FullInterval;
    VirtualTime start{0};
    VirtualTime end{0};
    bool ready = false;  // what Wait returned
};

struct FakeBind {
    SocketHandle socket = kInvalidSocket;
    std::uint32_t addr = 0;
    std::uint16_t port = 0;
};

struct FakeListen {
    SocketHandle socket = kInvalidSocket;
    int backlog = 0;
};

// A scriptable storage adapter: answers the management commands from the fields below, and
// SET commands change those fields. Requests for another MAC are not answered. The wire
// layout is written out here independently of protocol/, so tests compare two encodings.
class FakeAdapter {
public:
    using MacBytes = std::array<std::uint8_t, 6>;
    struct Disk {
        std::string shareName;
        std::string deviceId;
        std::string fsType;
        std::int32_t totalSizeMB = 0;
        std::int16_t freePercent = 0;
    };

    explicit FakeAdapter(const MacBytes& mac);

    // Identity (discovery reply).
    MacBytes mac{};
    std::string signature = "0101";
    std::string name = "NAS-ADAPTER";
    std::string ipAddress = "192.0.2.2";
    std::uint16_t webPort = 80;
    // System information.
    std::string firmware = "1203";
    std::uint8_t passwordRequired = 0;
    std::string description = "Storage adapter";
    std::string date = "20260315";  // YYYYMMDD
    std::string time = "081530";    // hhmmss
    std::uint8_t timezone = 27;
    // Network information: ipAddress (the field above is the discovery text), mask, gateway,
    // dns1, dns2.
    std::uint8_t ipMode = 0;
    std::array<std::string, 5> addresses{"192.0.2.2", "255.255.255.0", "192.0.2.1", "192.0.2.53",
                                         "192.0.2.54"};
    // Shares (paged by 20) and USB disks.
    std::vector<std::string> shares;
    std::optional<std::uint16_t> shareCountOverride;  // claim another count than shares.size()
    std::vector<Disk> disks;
    // Administrator.
    std::string adminUser = "admin";
    std::string adminPassword = "admin";

    // The host interfaces it is reachable from: it sees only requests that left by one.
    std::set<std::uint32_t> links{kFakeDefaultInterface};
    // Set: every answer arrives by this host interface, whichever its request left by (two
    // interfaces of the host on one network, where the host answers address lookups on both).
    std::optional<std::uint32_t> answersOn;

    // Faults.
    bool silent = false;                    // answers nothing at all
    std::set<std::uint16_t> silentFor;      // commands left unanswered
    bool refuseNetwork = false;             // CMD_SET_NETWORK_INFO answered with status 1
    VirtualTime delay{0};                   // every answer arrives this much later
    int copies = 1;                         // each answer sent this many times
    std::optional<std::uint16_t> replyCmd;  // answer with this cmd instead of the request's
    int pageEchoOffset = 0;                 // share pages echo the index plus this
    std::optional<std::size_t> truncateTo;  // cut every answer to this many bytes
    int loseRequests = 0;                   // the next this many requests to it are lost
    int loseAnswers = 0;                    // the next this many answers of it are lost

    // What it received (every request addressed to it, and discoveries).
    std::vector<std::vector<std::uint8_t>> requests;

    std::vector<FakeReply> Respond(const FakeDatagram& request);

    // The reply payloads, for tests that build odd replies around them.
    std::vector<std::uint8_t> DiscoveryReply() const;
    std::vector<std::uint8_t> SystemInfoReply() const;
    std::vector<std::uint8_t> NetworkInfoReply() const;
    std::vector<std::uint8_t> ShareCountReply() const;
    std::vector<std::uint8_t> SharePageReply(std::uint8_t page) const;
    std::vector<std::uint8_t> DiskInfoReply() const;

private:
    std::vector<std::uint8_t> Answer(std::uint16_t cmd, const std::vector<std::uint8_t>& req);
};

// Builds a datagram with the 12-byte header and `payload` (status as given, length = size).
std::vector<std::uint8_t> FakeMessage(std::uint16_t cmd, std::uint16_t status,
                                      const std::array<std::uint8_t, 6>& mac,
                                      const std::vector<std::uint8_t>& payload = {});

class FakeSocketApi;

// The segment: the virtual clock, the responders, datagrams injected at given times, and the
// log of everything sent.
class FakeNetwork {
public:
    FakeNetwork() = default;
    FakeNetwork(const FakeNetwork&) = delete;
    FakeNetwork& operator=(const FakeNetwork&) = delete;

    VirtualTime Now() const { return m_now; }
    // Moves the clock forward (delivering what became due); never backwards.
    void Advance(VirtualTime by);

    // A responder sees every datagram sent on the segment, in order of registration.
    void AddResponder(FakeResponder responder);
    void ClearResponders();
    // An adapter owned by the network, answering from now on. The reference stays valid for
    // the network's life.
    FakeAdapter& AddAdapter(const FakeAdapter::MacBytes& mac);
    std::vector<FakeAdapter*> Adapters() const;

    // A datagram that arrives at virtual time `at` (absolute) at every datagram socket open
    // at that moment: late, doubled or foreign replies, independent of any request.
    void Inject(std::vector<std::uint8_t> bytes, VirtualTime at,
                std::uint32_t fromAddr = kFakeAdapterAddr, std::uint16_t fromPort = 1638,
                std::uint32_t arrivesOn = kFakeDefaultInterface);

    // The host's interfaces (what Interfaces lists): one, "fake0", unless a test
    // changes them. Removing one takes it down: sends by it fail from then on.
    std::vector<NetworkInterface> interfaces{{"fake0", kFakeDefaultInterface, kFakeHostAddr}};
    // Where a limited broadcast leaves when the sender does not choose: the default route.
    std::uint32_t routeInterface = kFakeDefaultInterface;
    // Adds an interface with the given index (its address: 192.0.2.index).
    void AddInterface(const std::string& name, std::uint32_t index, bool broadcast = true);
    void RemoveInterface(const std::string& name);

    // Every datagram that went out, in order.
    const std::vector<FakeDatagram>& Sent() const { return m_sent; }
    // The ones with this command code.
    std::vector<FakeDatagram> SentWithCmd(std::uint16_t cmd) const;
    void ClearSent() { m_sent.clear(); }

private:
    friend class FakeSocketApi;
    struct Injection {
        std::vector<std::uint8_t> bytes;
        VirtualTime at{0};
        std::uint32_t fromAddr = 0;
        std::uint16_t fromPort = 0;
        std::uint32_t arrivesOn = 0;
    };

    void Attach(FakeSocketApi* host);
    void Detach(FakeSocketApi* host);
    void AdvanceTo(VirtualTime t);
    void DeliverDue();
    std::optional<VirtualTime> NextInjection() const;
    std::vector<FakeReply> Transmit(const FakeDatagram& datagram);

    VirtualTime m_now{0};
    std::vector<FakeResponder> m_responders;
    std::vector<std::unique_ptr<FakeAdapter>> m_adapters;
    std::vector<Injection> m_injections;  // not yet delivered
    std::vector<FakeDatagram> m_sent;
    std::vector<FakeSocketApi*> m_hosts;
};

// The socket library of one host on a FakeNetwork. Every socket behaves as non-blocking.
class FakeSocketApi : public SocketApi {
public:
    explicit FakeSocketApi(FakeNetwork& network);
    ~FakeSocketApi() override;
    FakeSocketApi(const FakeSocketApi&) = delete;
    FakeSocketApi& operator=(const FakeSocketApi&) = delete;

    FakeFaults faults;

    int Startup(std::uint16_t version) override;
    int Cleanup() override;
    int LastError() const override { return m_lastError; }
    SocketHandle OpenUdp() override;
    SocketHandle OpenTcp() override;
    int Close(SocketHandle s) override;
    int SetNonBlocking(SocketHandle s, bool on) override;
    int SetBroadcast(SocketHandle s, bool on) override;
    int SetReceiveBuffer(SocketHandle s, int bytes) override;
    int Bind(SocketHandle s, std::uint32_t addr, std::uint16_t port) override;
    int Listen(SocketHandle s, int backlog) override;
    int SendTo(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
               std::uint16_t port) override;
    int RecvFrom(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                 std::uint16_t* fromPort) override;
    bool Wait(SocketHandle s, std::chrono::milliseconds interval, WaitKind kind) override;
    std::chrono::milliseconds Now() override { return m_network.Now(); }
    std::vector<NetworkInterface> Interfaces() override;
    int SendToVia(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
                  std::uint16_t port, const NetworkInterface& via) override;
    int RecvFromVia(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                    std::uint16_t* fromPort, std::uint32_t* arrivedOn) override;

    // --- Inspection --------------------------------------------------------------------
    VirtualTime Now() const { return m_network.Now(); }
    FakeNetwork& network() { return m_network; }

    int StartupCalls() const { return m_startupCalls; }
    int Startups() const { return m_startups; }  // the ones that succeeded
    int Cleanups() const { return m_cleanups; }  // calls, failed or not
    const std::vector<std::uint16_t>& RequestedVersions() const { return m_versions; }
    int UdpOpens() const { return m_udpOpens; }
    int TcpOpens() const { return m_tcpOpens; }
    int Opens() const { return m_udpOpens + m_tcpOpens; }
    int Closes() const { return m_closes; }
    int BadCloses() const { return m_badCloses; }  // of handles that were not open
    std::size_t OpenSockets() const { return m_sockets.size(); }
    // Library started as often as released, every opened socket closed, no stray close.
    bool Balanced() const;

    int RecvCalls() const { return m_recvCalls; }
    int RecvCalls(SocketHandle s) const;
    int SendFailures() const { return m_sendFailures; }
    const std::vector<FakeWait>& Waits() const { return m_waits; }
    int WaitCount() const { return static_cast<int>(m_waits.size()); }
    int WaitCount(SocketHandle s) const;
    int LastReceiveBuffer() const { return m_lastReceiveBuffer; }  // 0 when never asked
    const std::vector<FakeBind>& Binds() const { return m_binds; }
    const std::vector<FakeListen>& Listens() const { return m_listens; }
    int BroadcastSets() const { return m_broadcastSets; }
    int NonBlockingSets() const { return m_nonBlockingSets; }
    // Handles of the datagram sockets ever opened, in order.
    const std::vector<SocketHandle>& UdpHandles() const { return m_udpHandles; }

private:
    friend class FakeNetwork;
    struct Queued {
        VirtualTime time{0};
        std::uint64_t seq = 0;
        std::vector<std::uint8_t> bytes;
        std::uint32_t fromAddr = 0;
        std::uint16_t fromPort = 0;
        std::uint32_t arrivedOn = 0;
    };
    struct Socket {
        bool udp = true;
        bool broadcast = false;
        bool nonBlocking = false;
        std::uint16_t port = 0;  // bound to; 0: not bound
        std::vector<Queued> inbox;
    };

    Socket* Find(SocketHandle s);
    SocketHandle Open(bool udp);
    void Enqueue(Socket& socket, VirtualTime at, std::vector<std::uint8_t> bytes,
                 std::uint32_t fromAddr, std::uint16_t fromPort, std::uint32_t arrivedOn);
    int Send(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
             std::uint16_t port, std::uint32_t via, bool chosen);
    void DeliverInjection(const FakeNetwork::Injection& injection);
    bool Ready(const Socket& socket) const;
    std::optional<VirtualTime> NextArrival(const Socket& socket) const;
    int Fail(int error);

    FakeNetwork& m_network;
    std::map<SocketHandle, Socket> m_sockets;
    SocketHandle m_nextHandle = 3;
    std::uint64_t m_seq = 0;
    int m_lastError = 0;
    int m_startupCalls = 0;
    int m_startups = 0;
    int m_cleanups = 0;
    int m_libraryRefs = 0;
    std::vector<std::uint16_t> m_versions;
    int m_udpOpens = 0;
    int m_tcpOpens = 0;
    int m_closes = 0;
    int m_badCloses = 0;
    int m_recvCalls = 0;
    std::map<SocketHandle, int> m_recvBySocket;
    int m_sendFailures = 0;
    std::vector<FakeWait> m_waits;
    int m_lastReceiveBuffer = 0;
    std::vector<FakeBind> m_binds;
    std::vector<FakeListen> m_listens;
    int m_broadcastSets = 0;
    int m_nonBlockingSets = 0;
    std::vector<SocketHandle> m_udpHandles;
};

}  // namespace sockets
