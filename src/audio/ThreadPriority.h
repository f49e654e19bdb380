// Scheduling for the layer's playback threads, which must keep the device supplied whatever else
// the machine is doing.
#pragma once

namespace audio::detail {

// Asks real-time scheduling at `realtimePriority` for the calling thread (granted to users
// through RLIMIT_RTPRIO); where the system refuses it, a larger share of the processor than
// ordinary work (`niceness`, negative), where that is allowed. Best effort: never fails.
void RaiseThreadPriority(int realtimePriority, int niceness);

}  // namespace audio::detail
