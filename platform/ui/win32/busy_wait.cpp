// The GUI's waiting socket decorator on Windows: the queue is emptied between slices, paint
// and timers dispatched, the user's input dropped.
#include "platform/ui/busy_wait.h"

#include <windows.h>

#include <algorithm>

namespace ui {

class UiSocketApi::InputBlocker {
public:
    int dropped = 0;
};

namespace {

bool IsInput(UINT m)
{
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK) || m == WM_CONTEXTMENU ||
           m == WM_SYSCOMMAND;
}

}  // namespace

UiSocketApi::UiSocketApi(sockets::SocketApi& inner, std::chrono::milliseconds slice)
    : ForwardingSocketApi(inner),
      m_slice(slice.count() > 0 ? slice : std::chrono::milliseconds(1)),
      m_blocker(std::make_unique<InputBlocker>())
{
}

UiSocketApi::~UiSocketApi()
{
    SetBusy(false);
}

void UiSocketApi::SetBusy(bool on)
{
    if (on == m_busy) return;
    m_busy = on;
    SetCursor(LoadCursorW(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

bool UiSocketApi::Wait(sockets::SocketHandle s, std::chrono::milliseconds interval,
                       sockets::WaitKind kind)
{
    SetBusy(true);
    bool ready = false;
    // Slices are counted, not timed, so a backend with a virtual clock sees the same total.
    std::chrono::milliseconds left = interval;
    do {
        const std::chrono::milliseconds step = std::min(left, m_slice);
        ready = inner().Wait(s, step, kind);
        left -= step;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (IsInput(msg.message)) {
                ++m_blocker->dropped;
                continue;
            }
            DispatchMessageW(&msg);
        }
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        if (ready && kind == sockets::WaitKind::UntilDatagram) break;
    } while (left.count() > 0);
    return ready;
}

int UiSocketApi::droppedInputEvents() const
{
    return m_blocker->dropped;
}

}  // namespace ui
