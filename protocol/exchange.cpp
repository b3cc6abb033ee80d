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
    // The only interface of the host is where the system's route leads anyway: send exactly
    // as without. Any other one (a VPN's tunnel, say) may hold that route instead.
    if (m_interfaces.size() > 1) {
        for (const auto& i : m_interfaces) {
            if (i.broadcast && std::find(route.begin(), route.end(), i.name) != route.end())
                m_targets.push_back(i);
        }
    }
    m_settleOnAnswer = m_targets.size() > 1;
}

std::string Session::ArrivedOn() const
{
    for (const auto& i : m_interfaces)
        if (i.index == m_arrivedOn) return i.name;
    return {};
}

void Session::Send(std::uint16_t cmd, const Mac& mac, std::span<const std::uint8_t> payload)
{
    if (!ok()) return;
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

bool Session::Ours()
{
    if (m_settleOnAnswer) {
        auto by = std::find_if(m_targets.begin(), m_targets.end(),
                               [this](const auto& i) { return i.index == m_arrivedOn; });
        if (by != m_targets.end()) {
            m_targets = {*by};
            m_settleOnAnswer = false;
            m_settled = true;
        }
        return true;
    }
    // Once settled, a copy of our request answered by another network is not this exchange's.
    return !m_settled || m_arrivedOn == m_targets.front().index;
}

std::optional<Datagram> Session::Exchange(std::uint16_t cmd, const Mac& mac,
                                          std::span<const std::uint8_t> payload,
                                          const ExchangeParams& params, const LateCopy& isLateCopy)
{
    if (!ok()) return std::nullopt;
    Send(cmd, mac, payload);
    const ResendPolicy policy = g_resendPolicy;
    const auto start = m_api.Now();
    auto gap = policy.first;
    auto nextResend = start + gap;
    int resends = 0;
    int instantWakes = 0;
    bool told = false;
    // N waits: N + 1 receive attempts when nothing arrives. The first datagram, whoever sent
    // it, is the reply. The waits are measured on the clock: a datagram that wakes a wait but
    // is not taken leaves the rest of that wait to be waited.
    for (int waits = 0;;) {
        while (auto reply = Receive()) {
            if (!Ours()) continue;
            if (isLateCopy && isLateCopy(*reply)) continue;
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
