// A SocketApi that passes every call to another one: the base of decorators that change a
// few calls (waits that keep the window painted, waits scaled down for tests).
#pragma once

#include <vector>

#include "platform/sockets/sockets.h"

namespace sockets {

class ForwardingSocketApi : public SocketApi {
public:
    explicit ForwardingSocketApi(SocketApi& inner) : m_inner(inner) {}

    int Startup(std::uint16_t version) override { return m_inner.Startup(version); }
    int Cleanup() override { return m_inner.Cleanup(); }
    int LastError() const override { return m_inner.LastError(); }
    SocketHandle OpenUdp() override { return m_inner.OpenUdp(); }
    SocketHandle OpenTcp() override { return m_inner.OpenTcp(); }
    int Close(SocketHandle s) override { return m_inner.Close(s); }
    int SetNonBlocking(SocketHandle s, bool on) override { return m_inner.SetNonBlocking(s, on); }
    int SetBroadcast(SocketHandle s, bool on) override { return m_inner.SetBroadcast(s, on); }
    int SetReceiveBuffer(SocketHandle s, int bytes) override
    {
        return m_inner.SetReceiveBuffer(s, bytes);
    }
    int Bind(SocketHandle s, std::uint32_t addr, std::uint16_t port) override
    {
        return m_inner.Bind(s, addr, port);
    }
    int Listen(SocketHandle s, int backlog) override { return m_inner.Listen(s, backlog); }
    int SendTo(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
               std::uint16_t port) override
    {
        return m_inner.SendTo(s, data, len, addr, port);
    }
    int RecvFrom(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                 std::uint16_t* fromPort) override
    {
        return m_inner.RecvFrom(s, buf, cap, fromAddr, fromPort);
    }
    bool Wait(SocketHandle s, std::chrono::milliseconds interval, WaitKind kind) override
    {
        return m_inner.Wait(s, interval, kind);
    }
    std::chrono::milliseconds Now() override { return m_inner.Now(); }
    std::vector<NetworkInterface> Interfaces() override { return m_inner.Interfaces(); }
    int SendToVia(SocketHandle s, const std::uint8_t* data, std::size_t len, std::uint32_t addr,
                  std::uint16_t port, const NetworkInterface& via) override
    {
        return m_inner.SendToVia(s, data, len, addr, port, via);
    }
    int RecvFromVia(SocketHandle s, std::uint8_t* buf, std::size_t cap, std::uint32_t* fromAddr,
                    std::uint16_t* fromPort, std::uint32_t* arrivedOn) override
    {
        return m_inner.RecvFromVia(s, buf, cap, fromAddr, fromPort, arrivedOn);
    }

protected:
    SocketApi& inner() const { return m_inner; }

private:
    SocketApi& m_inner;
};

}  // namespace sockets
