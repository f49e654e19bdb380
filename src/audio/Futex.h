// A futex word: one thread sleeps until another changes the word and wakes it, without a lock on
// either side (the device callback and the mixing thread may wake, never block). The standard
// library's waits spin with sched_yield before they sleep, which costs more than the mixing
// itself at a few hundred wake-ups a second.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace audio::detail {

// Sleeps while `word` holds `expected`, until woken or `timeout` has passed. False only when the
// timeout passed.
bool FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected,
               std::chrono::milliseconds timeout);
// Wakes one thread sleeping on `word`.
void FutexWakeOne(std::atomic<std::uint32_t>& word);

}  // namespace audio::detail
