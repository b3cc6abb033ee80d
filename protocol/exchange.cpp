#include "protocol/exchange.h"

#include <algorithm>
#include <cstring>

#include "platform/sockets/source_port.h"
#include "protocol/messages.h"

namespace protocol {

namespace {

ResendPolicy g_resendPolicy;
ResendNotice g_resendNotice;

// A wait that ends at once, time standing still, more often than this in a row is counted as
// a whole one: a receive that keeps failing with data waiting cannot hold an exchange forever.
constexpr int kMaxInstantWakes = 64;

}  // namespace

const ResendPolicy& CurrentResendPolicy()
{
    return g_resendPolicy;
}

void SetResendPolicy(const ResendPolicy& policy)
{
    g_resendPolicy = policy;
}

void SetResendNotice(ResendNotice notice)
{
    g_resendNotice = std::move(notice);
}

std::string FormatText(const char* format, int number)
{
    std::string text = format;
    auto at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

Session::Session(sockets::SocketApi& api, MessageSink& sink, std::uint16_t version)
    : Session(api, sink, version, ExtraStep{})
{
}

Session::Session(sockets::SocketApi& api, MessageSink& sink, std::uint16_t version,
                 const ExtraStep& beforeBroadcast)
    : m_api(api), m_sink(sink)
{
    int result = m_api.Startup(version);
    if (result != 0) {
        m_sink.ShowMessage(FormatText(text::kNetworkFailed, result));
        return;
    }
    m_started = true;

    sockets::SocketHandle s = m_api.OpenUdp();
    if (s == sockets::kInvalidSocket) {
        m_sink.ShowMessage(FormatText(text::kNetworkFailed, 0));
        Release();
        return;
    }
    m_socket = s;
    m_api.SetNonBlocking(m_socket, true);  // not tested: the fallback is the time-out

    if (beforeBroadcast && !beforeBroadcast(m_api, m_socket)) {
        Release();
        return;
    }

    if (m_api.SetBroadcast(m_socket, true) != 0)
        m_sink.ShowMessage(FormatText(text::kNetworkFailed, -1));

    // Requests leave from a known port, so a firewall can let in the answers to it alone.
    if (sockets::BindSourcePort(m_api, m_socket) == 0) m_sink.SourcePortFallback();
}

Session::~Session()
{
    Release();
}

Route EveryInterface(sockets::SocketApi& api)
{
    Route names;
    for (const auto& i : api.Interfaces())
        if (i.broadcast) names.push_back(i.name);
    return names;
}

void Session::SetRoute(const Route& route)
{
    m_interfaces = m_api.Interfaces();
    m_targets.clear();
    m_nowhere = false;
    m_answeredDifferently.clear();
    if (route.empty()) return;
    for (const auto& i : m_interfaces) {
        if (i.broadcast && std::find(route.begin(), route.end(), i.name) != route.end())
            m_targets.push_back(i);
    }
    // A route that names no interface up leads nowhere: the system's choice would send the
    // request (a password among them) into whatever network is left.
    m_nowhere = m_targets.empty();
    // The only interface of the host is where the system's route leads anyway: send exactly
    // as without. Any other one (a VPN's tunnel, say) may hold that route instead.
    if (m_interfaces.size() <= 1) m_targets.clear();
}

std::string Session::NameOf(std::uint32_t index) const
{
    for (const auto& i : m_interfaces)
        if (i.index == index) return i.name;
    return {};
}

std::string Session::ArrivedOn() const
{
    return NameOf(m_arrivedOn);
}

void Session::Send(std::uint16_t cmd, const Mac& mac, std::span<const std::uint8_t> payload)
{
    if (!ok() || m_nowhere) return;
    std::vector<std::uint8_t> request = BuildRequest(cmd, mac, payload);
    m_requestsSent += m_targets.empty() ? 1 : static_cast<int>(m_targets.size());
    if (m_targets.empty()) {
        m_api.SendTo(m_socket, request.data(), request.size(), sockets::kAddrBroadcast, MGMT_PORT);
        return;
    }
    for (const auto& via : m_targets) {
        m_api.SendToVia(m_socket, request.data(), request.size(), sockets::kAddrBroadcast,
                        MGMT_PORT, via);
    }
}

std::optional<Datagram> Session::Receive()
{
    if (!ok()) return std::nullopt;
    Datagram d;
    int n = m_api.RecvFromVia(m_socket, d.buffer(), kBufferSize, nullptr, nullptr, &m_arrivedOn);
    if (n < 0) return std::nullopt;
    d.SetSize(static_cast<std::size_t>(n));
    return d;
}

bool Session::ArrivedByRoute() const
{
    if (m_nowhere) return false;
    if (m_targets.empty()) return true;  // the system's choice: one network
    return std::any_of(m_targets.begin(), m_targets.end(),
                       [this](const auto& i) { return i.index == m_arrivedOn; });
}

void Session::Settle(const Datagram& first, const LateCopy& isLateCopy)
{
    const std::uint32_t firstOn = m_arrivedOn;
    const auto end = m_api.Now() + kSettleWindow;
    for (;;) {
        while (auto other = Receive()) {
            if (!ArrivedByRoute() || m_arrivedOn == firstOn) continue;
            if (isLateCopy && isLateCopy(*other)) continue;
            // The same answer by two interfaces is one network reached twice (a laptop's
            // Ethernet and Wi-Fi); another answer is another host claiming the adapter.
            const bool same = other->size() == first.size() &&
                              std::equal(first.data(), first.data() + first.size(), other->data());
            const std::string name = NameOf(m_arrivedOn);
            if (!same && std::find(m_answeredDifferently.begin(), m_answeredDifferently.end(),
                                   name) == m_answeredDifferently.end())
                m_answeredDifferently.push_back(name);
        }
        const auto now = m_api.Now();
        if (now >= end) break;
        m_api.Wait(m_socket, end - now, sockets::WaitKind::UntilDatagram);
    }
    auto by = std::find_if(m_targets.begin(), m_targets.end(),
                           [firstOn](const auto& i) { return i.index == firstOn; });
    m_targets = {*by};
    m_arrivedOn = firstOn;
}

std::optional<Datagram> Session::Exchange(std::uint16_t cmd, const Mac& mac,
                                          std::span<const std::uint8_t> payload,
                                          const ExchangeParams& params, const LateCopy& isLateCopy)
{
    // Nowhere to ask: no answer can come, so none is waited for.
    if (!ok() || m_nowhere) return std::nullopt;
    Send(cmd, mac, payload);
    const ResendPolicy policy = g_resendPolicy;
    const auto start = m_api.Now();
    auto gap = policy.first;
    auto nextResend = start + gap;
    int resends = 0;
    int instantWakes = 0;
    bool told = false;
    // N waits: N + 1 receive attempts when nothing arrives. The first datagram by the route,
    // whatever it holds, is the reply. The waits are measured on the clock: a datagram that
    // wakes a wait but is not taken leaves the rest of that wait to be waited.
    for (int waits = 0;;) {
        while (auto reply = Receive()) {
            if (!ArrivedByRoute()) continue;
            if (isLateCopy && isLateCopy(*reply)) continue;
            if (m_targets.size() > 1) Settle(*reply, isLateCopy);
            return reply;
        }
        if (waits >= params.waits) return std::nullopt;
        const auto now = m_api.Now();
        if (!told && now - start >= policy.first) {
            told = true;
            if (g_resendNotice) g_resendNotice(cmd, mac, policy.retries > 0);
        }
        if (resends < policy.retries && now >= nextResend) {
            Send(cmd, mac, payload);
            ++resends;
            gap *= 2;
            nextResend = now + gap;
        }
        const auto waitEnd = start + params.interval * (waits + 1);
        if (now < waitEnd) m_api.Wait(m_socket, waitEnd - now, sockets::WaitKind::UntilDatagram);
        const auto after = m_api.Now();
        instantWakes = after == now ? instantWakes + 1 : 0;
        if (after >= waitEnd || instantWakes > kMaxInstantWakes) {
            ++waits;
            instantWakes = 0;
        }
    }
}

void Session::Release()
{
    if (m_socket != sockets::kInvalidSocket) {
        m_api.Close(m_socket);
        m_socket = sockets::kInvalidSocket;
    }
    if (m_started) {
        m_started = false;
        if (m_api.Cleanup() != 0)
            m_sink.ShowMessage(FormatText(text::kCleanupFailed, m_api.LastError()));
    }
}

}  // namespace protocol
