#include "app/waiting_sockets.h"

#include "ui/busy_wait.h"

namespace app {

WaitingSocketApi::WaitingSocketApi(sockets::SocketApi& inner, std::chrono::milliseconds slice)
    : ForwardingSocketApi(inner), m_slice(slice)
{
}

WaitingSocketApi::~WaitingSocketApi()
{
    if (m_openSockets > 0) ui::SetBusy(false);
}

int WaitingSocketApi::Cleanup()
{
    const int r = inner().Cleanup();
    if (m_openSockets == 0) ui::SetBusy(false);
    return r;
}

sockets::SocketHandle WaitingSocketApi::OpenUdp()
{
    const sockets::SocketHandle s = inner().OpenUdp();
    if (s != sockets::kInvalidSocket) ++m_openSockets;
    return s;
}

sockets::SocketHandle WaitingSocketApi::OpenTcp()
{
    const sockets::SocketHandle s = inner().OpenTcp();
    if (s != sockets::kInvalidSocket) ++m_openSockets;
    return s;
}

int WaitingSocketApi::Close(sockets::SocketHandle s)
{
    const int r = inner().Close(s);
    // Failed or not, the caller is done with the socket; the busy state must not outlive it.
    if (m_openSockets > 0) --m_openSockets;
    if (m_openSockets == 0) ui::SetBusy(false);
    return r;
}

bool WaitingSocketApi::Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
                            sockets::WaitKind kind)
{
    // FullInterval: a backend that drains into its own queue tells readiness of its last slice.
    return ui::WaitWithoutFreezing(
        interval, m_slice, kind == sockets::WaitKind::UntilDatagram,
        [&](std::chrono::milliseconds step) { return inner().Wait(s, step, kind); });
}

}  // namespace app
