// Waiting out a run of work that another thread brackets with a sequence counter: it counts up
// once as a run starts and once as it ends, so the count is odd while a run is under way.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace audio::detail {

// Returns once the run under way at the call, if any, has ended (a later run is not waited for).
// Returns at once on the `owner` thread, which cannot wait for itself. A run takes a few
// milliseconds; the bound of about a second only keeps a caller that holds a lock the owner waits
// for from waiting forever.
inline void WaitForRunEnd(const std::atomic<std::uint64_t>& sequence,
                          const std::atomic<std::thread::id>& owner) {
    if (std::this_thread::get_id() == owner.load()) return;
    const std::uint64_t started = sequence.load();
    if (started % 2 == 0) return;
    for (int i = 0; i < 10000 && sequence.load() == started; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
}

}  // namespace audio::detail
