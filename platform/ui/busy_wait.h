// Waiting without freezing: a SocketApi decorator for the GUI. Each wait of an exchange is cut
// into short slices between which the windows repaint, under a busy cursor; user input that
// arrives meanwhile is dropped (not deferred), so no command can start during an exchange and
// no queued click fires after it. The number of waits the protocol makes and their total
// length are those of the wrapped backend.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/sockets/sockets.h"

namespace ui {

class UiSocketApi : public sockets::SocketApi {
public:
    // `slice`: the longest stretch without repainting.
    explicit UiSocketApi(sockets::SocketApi& inner,
                         std::chrono::milliseconds slice = std::chrono::milliseconds(20));
    ~UiSocketApi() override;

    int Startup(std::uint16_t version) override;
    int Cleanup() override;
    int LastError() const override;
    sockets::SocketHandle OpenUdp() override;
    sockets::SocketHandle OpenTcp() override;
    int Close(sockets::SocketHandle s) override;
    int SetNonBlocking(sockets::SocketHandle s, bool on) override;
    int SetBroadcast(sockets::SocketHandle s, bool on) override;
    int SetReceiveBuffer(sockets::SocketHandle s, int bytes) override;
    int Bind(sockets::SocketHandle s, std::uint32_t addr, std::uint16_t port) override;
    int Listen(sockets::SocketHandle s, int backlog) override;
    int SendTo(sockets::SocketHandle s, const std::uint8_t* data, std::size_t len,
               std::uint32_t addr, std::uint16_t port) override;
    int RecvFrom(sockets::SocketHandle s, std::uint8_t* buf, std::size_t cap,
                 std::uint32_t* fromAddr, std::uint16_t* fromPort) override;
    bool Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
              sockets::WaitKind kind) override;
    std::vector<sockets::NetworkInterface> Interfaces() override;
    int SendToVia(sockets::SocketHandle s, const std::uint8_t* data, std::size_t len,
                  std::uint32_t addr, std::uint16_t port,
                  const sockets::NetworkInterface& via) override;
    int RecvFromVia(sockets::SocketHandle s, std::uint8_t* buf, std::size_t cap,
                    std::uint32_t* fromAddr, std::uint16_t* fromPort,
                    std::uint32_t* arrivedOn) override;

    // Input events dropped during waits so far (tests).
    int droppedInputEvents() const;
    bool busy() const { return m_busy; }

private:
    void SetBusy(bool on);

    sockets::SocketApi& m_inner;
    std::chrono::milliseconds m_slice;
    int m_openSockets = 0;
    bool m_busy = false;
    class InputBlocker;
    InputBlocker* m_blocker;
};

}  // namespace ui
