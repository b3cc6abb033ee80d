// What both backends' waiting decorators share: the count of open sockets, so the busy state
// ends with the last one closed. The waits themselves and the busy look are the backend's
// (qt/busy_wait.cpp, win32/busy_wait.cpp).
#include "platform/ui/busy_wait.h"

namespace ui {

int UiSocketApi::Cleanup()
{
    const int r = inner().Cleanup();
    if (m_openSockets == 0) SetBusy(false);
    return r;
}

sockets::SocketHandle UiSocketApi::OpenUdp()
{
    const sockets::SocketHandle s = inner().OpenUdp();
    if (s != sockets::kInvalidSocket) ++m_openSockets;
    return s;
}

sockets::SocketHandle UiSocketApi::OpenTcp()
{
    const sockets::SocketHandle s = inner().OpenTcp();
    if (s != sockets::kInvalidSocket) ++m_openSockets;
    return s;
}

int UiSocketApi::Close(sockets::SocketHandle s)
{
    const int r = inner().Close(s);
    // Failed or not, the caller is done with the socket; the busy state must not outlive it.
    if (m_openSockets > 0) --m_openSockets;
    if (m_openSockets == 0) SetBusy(false);
    return r;
}

}  // namespace ui
