// The management exchange: start the socket library, open a broadcast UDP socket, send one
// request to 255.255.255.255:1638, poll for the first datagram with a fixed number of waits,
// close and release. Session holds the library and the socket for one operation (RAII), so
// every path releases both; the status query runs several exchanges on one Session.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sockets/sockets.h"
#include "protocol/wire.h"

namespace protocol {

// Where the protocol layer shows its messages (a modal box in the GUI, stderr in the CLI,
// a recorder in tests). ShowMessage returns when the user has seen it.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // Every port of the request range was taken, so this operation's requests leave from a
    // port the system chose, which a firewall opened for the range does not let answers back
    // to. Nothing is shown by default: the window goes on as it would without a firewall.
    virtual void SourcePortFallback() {}
};

// Formats one of the "%d" texts with a decimal number.
std::string FormatText(const char* format, int number);

struct ExchangeParams {
    int waits;                           // waits before giving up: waits + 1 receive attempts
    std::chrono::milliseconds interval;  // one wait
};
inline constexpr std::uint16_t kLibraryVersion = sockets::MakeVersion(1, 1);
inline constexpr std::uint16_t kDiscoveryLibraryVersion = sockets::MakeVersion(2, 2);
inline constexpr ExchangeParams kDiscoveryWait{20, std::chrono::milliseconds(100)};
inline constexpr ExchangeParams kStatusWait{200, std::chrono::milliseconds(100)};
inline constexpr ExchangeParams kVerifyWait{20, std::chrono::milliseconds(200)};
inline constexpr ExchangeParams kWriteWait{200, std::chrono::milliseconds(100)};

// Asking again when nothing answers, beyond the one send of each request: an exchange that has
// heard no answer `first` after its request sends the same request again, then again after
// twice that gap, and so on, at most `retries` times and never past its own time-out. Discovery
// sends its request up to `retries` more times (at most kDiscoveryResends), kDiscoveryResendGap
// apart, in its listening window. retries = 0: every request goes out once, which is what an
// operation does until its front end chooses otherwise.
struct ResendPolicy {
    int retries = 0;
    std::chrono::milliseconds first{1000};
};
// What the window and the command line use: within 20 s an exchange asks again at 1, 3, 7 and
// 15 s, verification (4 s) at 1 and 3 s; discovery asks at 0, 0.5 and 1 s.
inline constexpr ResendPolicy kFieldResends{4, std::chrono::milliseconds(1000)};
inline constexpr int kDiscoveryResends = 2;
inline constexpr int kDiscoveryResendGap = 5;  // empty polls of 100 ms
// How long an exchange asked by several interfaces listens on after its first answer, so that
// an answer from another network that came first cannot pass unnoticed for the adapter's: an
// adapter on the segment answers well within it.
inline constexpr std::chrono::milliseconds kSettleWindow{500};
// Process-wide, as the front end chose it (the command line's --retries).
const ResendPolicy& CurrentResendPolicy();
void SetResendPolicy(const ResendPolicy& policy);

// Told once per exchange when it has waited the policy's first gap without an answer, and
// whether it asks again then (the command line says so on stderr); unset: nobody is told.
using ResendNotice = std::function<void(std::uint16_t cmd, const Mac& mac, bool askingAgain)>;
void SetResendNotice(ResendNotice notice);

// The interfaces, by name, that the requests of one operation leave by; nothing of it is on
// the wire. Empty: the system's choice (the route to 255.255.255.255), as on a host with one
// network; on a host with a single interface it makes no difference.
using Route = std::vector<std::string>;
// Every interface of the host that can broadcast, by name.
Route EveryInterface(sockets::SocketApi& api);

class Session {
public:
    // Starts the socket library, opens the UDP socket, makes it non-blocking, allows
    // broadcasts and binds it to a port of the request range (sockets/source_port.h);
    // failures are shown through `sink` with their numbers. ok() tells whether an exchange
    // can run.
    Session(sockets::SocketApi& api, MessageSink& sink, std::uint16_t version = kLibraryVersion);
    // As above, with one more step between making the socket non-blocking and allowing
    // broadcasts (discovery's listening socket). When it returns false the session is
    // released at once and ok() is false; the step shows its own message.
    using ExtraStep = std::function<bool(sockets::SocketApi& api, sockets::SocketHandle socket)>;
    Session(sockets::SocketApi& api, MessageSink& sink, std::uint16_t version,
            const ExtraStep& beforeBroadcast);
    ~Session();  // Release()
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ok() const { return m_socket != sockets::kInvalidSocket; }
    sockets::SocketHandle socket() const { return m_socket; }

    // Sends the request, then polls until the first datagram that arrived by an interface the
    // request left by (returned, whatever it holds) or the time-out (nullopt), asking again by
    // the resend policy while nothing answers. A datagram from elsewhere, one that
    // `isLateCopy` names (a late or doubled copy of an answer this operation already had) and
    // a receive that fails are skipped and the wait goes on: none ends a wait early, so the
    // waits keep their whole time. Asked by several interfaces, the exchange listens
    // kSettleWindow longer after that first datagram for what the others answer.
    using LateCopy = std::function<bool(const Datagram&)>;
    std::optional<Datagram> Exchange(std::uint16_t cmd, const Mac& mac,
                                     std::span<const std::uint8_t> payload,
                                     const ExchangeParams& params, const LateCopy& isLateCopy = {});
    // How many requests were sent by this session, counting each interface and each resend.
    int RequestsSent() const { return m_requestsSent; }

    // Requests from now on leave by each interface of `route` that is up and can broadcast. An
    // empty route, or a host with one interface: the system's choice. A route none of whose
    // interfaces is up any more (a network gone since) sends nothing: its requests must not
    // leave by another network. With several, the first answer settles the interface: later
    // requests leave only there.
    void SetRoute(const Route& route);
    // Whether the last received datagram arrived by an interface the requests leave by: any
    // other one is a network this exchange did not ask, whose hosts may send anything.
    bool ArrivedByRoute() const;
    // Interfaces that answered the settling exchange differently from the one it settled on:
    // which network holds the adapter is not known then (see DeviceInfo::alsoAnsweredOn).
    const std::vector<std::string>& AnsweredDifferently() const { return m_answeredDifferently; }
    // Name of the interface the last received datagram arrived on ("" when not known).
    std::string ArrivedOn() const;
    std::uint32_t ArrivedOnIndex() const { return m_arrivedOn; }

    // Only sends the request, to 255.255.255.255:1638 (the result is not tested: a
    // request that does not go out ends in a time-out).
    void Send(std::uint16_t cmd, const Mac& mac, std::span<const std::uint8_t> payload);
    // One receive attempt of the polling: the datagram waiting, or nullopt.
    std::optional<Datagram> Receive();

    // Closes the socket and releases the library (once); a failed release is shown.
    void Release();

private:
    sockets::SocketApi& m_api;
    MessageSink& m_sink;
    bool m_started = false;
    sockets::SocketHandle m_socket = sockets::kInvalidSocket;
    std::vector<sockets::NetworkInterface> m_interfaces;
    std::vector<sockets::NetworkInterface> m_targets;  // empty: the system's choice
    bool m_nowhere = false;  // the route's interfaces are all gone: nothing leaves
    std::uint32_t m_arrivedOn = 0;
    int m_requestsSent = 0;
    std::vector<std::string> m_answeredDifferently;

    std::string NameOf(std::uint32_t index) const;
    // Several targets: listens out the settle window after `first`, noting who answers
    // otherwise, then keeps only the interface `first` came by.
    void Settle(const Datagram& first, const LateCopy& isLateCopy);
};

}  // namespace protocol
