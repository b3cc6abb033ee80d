#include "ui/busy_wait.h"

#include <algorithm>

#include "ui/driver.h"

namespace ui {

namespace {
bool g_busy = false;
int g_dropped = 0;
}  // namespace

void SetBusy(bool on)
{
    if (on == g_busy) return;
    g_busy = on;
    if (Backend* backend = CurrentBackend()) backend->SetBusyCursor(on);
}

bool IsBusy()
{
    return g_busy;
}

int DroppedInputEvents()
{
    return g_dropped;
}

bool WaitWithoutFreezing(std::chrono::milliseconds interval, std::chrono::milliseconds slice,
                         bool endWhenReady,
                         const std::function<bool(std::chrono::milliseconds)>& waitSlice)
{
    Backend* backend = CurrentBackend();
    if (backend == nullptr) return waitSlice(interval);
    SetBusy(true);
    slice = std::max(slice, std::chrono::milliseconds(1));
    bool ready = false;
    std::chrono::milliseconds left = interval;
    do {
        const std::chrono::milliseconds step = std::min(left, slice);
        ready = waitSlice(step);
        left -= step;
        g_dropped += backend->PumpEventsDroppingInput();
        if (ready && endWhenReady) break;
    } while (left.count() > 0);
    return ready;
}

}  // namespace ui
