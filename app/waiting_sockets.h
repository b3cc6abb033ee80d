// The program's sockets as the window uses them: each wait of an exchange is a wait without
// freezing (the dialog framework's busy_wait.h), so the windows keep painting while the user's
// input is dropped, and the busy state lasts while any socket is open.
#pragma once

#include <chrono>

#include "platform/sockets/forwarding_sockets.h"
#include "platform/sockets/sockets.h"

namespace app {

class WaitingSocketApi : public sockets::ForwardingSocketApi {
public:
    // `slice`: the longest stretch without repainting.
    explicit WaitingSocketApi(sockets::SocketApi& inner,
                              std::chrono::milliseconds slice = std::chrono::milliseconds(20));
    ~WaitingSocketApi() override;

    // The calls that open and close sockets keep count, so the busy state ends with the last.
    int Cleanup() override;
    sockets::SocketHandle OpenUdp() override;
    sockets::SocketHandle OpenTcp() override;
    int Close(sockets::SocketHandle s) override;
    bool Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
              sockets::WaitKind kind) override;

private:
    std::chrono::milliseconds m_slice;
    int m_openSockets = 0;
};

}  // namespace app
