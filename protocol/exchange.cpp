#include "protocol/exchange.h"

#include <algorithm>
#include <cstring>

#include "platform/sockets/source_port.h"
#include "protocol/messages.h"

namespace protocol {

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

std::optional<Datagram> Session::Exchange(std::uint16_t cmd, const Mac& mac,
                                          std::span<const std::uint8_t> payload,
                                          const ExchangeParams& params)
{
    if (!ok()) return std::nullopt;
    Send(cmd, mac, payload);
    // N waits: N + 1 receive attempts. The first datagram, whoever sent it, is the reply.
    for (int waits = 0;; ++waits) {
        while (auto reply = Receive()) {
            if (m_settleOnAnswer) {
                auto by = std::find_if(m_targets.begin(), m_targets.end(),
                                       [this](const auto& i) { return i.index == m_arrivedOn; });
                if (by != m_targets.end()) {
                    m_targets = {*by};
                    m_settleOnAnswer = false;
                    m_settled = true;
                }
            } else if (m_settled && m_arrivedOn != m_targets.front().index) {
                // Our own request's copy answered by another network: not this exchange's.
                continue;
            }
            return reply;
        }
        if (waits >= params.waits) return std::nullopt;
        m_api.Wait(m_socket, params.interval, sockets::WaitKind::UntilDatagram);
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
