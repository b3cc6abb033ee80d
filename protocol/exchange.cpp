#include "protocol/exchange.h"

#include <cstring>

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
}

Session::~Session()
{
    Release();
}

void Session::Send(std::uint16_t cmd, const Mac& mac, std::span<const std::uint8_t> payload)
{
    if (!ok()) return;
    std::vector<std::uint8_t> request = BuildRequest(cmd, mac, payload);
    m_api.SendTo(m_socket, request.data(), request.size(), sockets::kAddrBroadcast, MGMT_PORT);
}

std::optional<Datagram> Session::Receive()
{
    if (!ok()) return std::nullopt;
    Datagram d;
    int n = m_api.RecvFrom(m_socket, d.buffer(), kBufferSize, nullptr, nullptr);
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
        if (auto reply = Receive()) return reply;
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
