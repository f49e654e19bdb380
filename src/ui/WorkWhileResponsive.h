#pragma once

#include <functional>

namespace ui {

// Runs `work` on a thread of its own and returns once it has finished, rethrowing what it threw.
//
// Meanwhile the calling thread, which must be the user-interface thread, keeps its event loop
// running for everything but user input: paints, timers, posted messages, sockets and drops go
// on, while clicks, keys and the window manager's close wait in the queue until the work is
// done. Whatever those events call may therefore run in the middle of the caller: the caller
// guards against starting itself again. Work that finishes within a few milliseconds returns
// without any event having run, as a plain call would.
//
// If the application is told to quit meanwhile (every event loop then returns), the wait goes on
// without events until the work ends: the work is never abandoned while it runs.
void WorkWhileResponsive(const std::function<void()>& work);

}  // namespace ui
