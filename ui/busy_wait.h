// Waiting without freezing: the program's exchanges wait synchronously, yet its windows must
// keep painting. A wait is cut into short slices between which the backend runs what its queue
// holds, painting and timers, and drops the user's input (not deferred: no command can start
// during an exchange and no queued click fires after it), under the busy cursor. The number of
// slices is counted, not timed, so a virtual clock sees the same total.
#pragma once

#include <chrono>
#include <functional>

namespace ui {

// Waits `interval` in slices of at most `slice`, calling `waitSlice` with each; ends early when
// it returns true and `endWhenReady`. Returns the last slice's result. Turns the busy state on;
// the caller turns it off when its work is over (a run of waits is one busy stretch).
bool WaitWithoutFreezing(std::chrono::milliseconds interval, std::chrono::milliseconds slice,
                         bool endWhenReady,
                         const std::function<bool(std::chrono::milliseconds)>& waitSlice);

// The busy state: the busy cursor over the program's windows (a message box opened meanwhile
// shows the arrow).
void SetBusy(bool on);
bool IsBusy();

// The user's input events dropped during waits so far.
int DroppedInputEvents();

}  // namespace ui
