// Waiting without freezing: a SocketApi decorator for the GUI. Each wait of an exchange is cut
// into short slices between which the windows repaint, under a busy cursor; user input that
// arrives meanwhile is dropped (not deferred), so no command can start during an exchange and
// no queued click fires after it. The number of waits the protocol makes and their total
// length are those of the wrapped backend.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/sockets/forwarding_sockets.h"
#include "platform/sockets/sockets.h"

namespace ui {

class UiSocketApi : public sockets::ForwardingSocketApi {
public:
    // `slice`: the longest stretch without repainting.
    explicit UiSocketApi(sockets::SocketApi& inner,
                         std::chrono::milliseconds slice = std::chrono::milliseconds(20));
    ~UiSocketApi() override;

    // The calls that open and close sockets keep count, so the busy state ends with the last.
    int Cleanup() override;
    sockets::SocketHandle OpenUdp() override;
    sockets::SocketHandle OpenTcp() override;
    int Close(sockets::SocketHandle s) override;
    bool Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
              sockets::WaitKind kind) override;

    // Input events dropped during waits so far (tests).
    int droppedInputEvents() const;
    bool busy() const { return m_busy; }

private:
    void SetBusy(bool on);

    std::chrono::milliseconds m_slice;
    int m_openSockets = 0;
    bool m_busy = false;
    class InputBlocker;
    std::unique_ptr<InputBlocker> m_blocker;
};

}  // namespace ui
