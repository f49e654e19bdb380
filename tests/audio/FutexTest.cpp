// The futex word the device and the producer sleep on: a wait ends at a wake, at once when the
// word has changed already, and reports a timeout only when nobody woke it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/Futex.h"

using audio::detail::FutexWait;
using audio::detail::FutexWakeOne;
using namespace std::chrono_literals;

TEST(Futex, AWaitEndsAtAWakeOrAChangedWordAndTimesOutOtherwise) {
    std::atomic<std::uint32_t> word{3};
    EXPECT_TRUE(FutexWait(word, 2, 10s));   // changed before the wait: no sleep at all
    EXPECT_FALSE(FutexWait(word, 3, 1ms));  // nobody wakes it
    EXPECT_FALSE(FutexWait(word, 3, 0ms));  // a zero timeout still only times out

    // Woken from another thread, however the two meet; a lost wake would sleep out the minute.
    std::atomic<bool> done{false};
    std::thread waker([&] {
        while (!done.load()) {
            word.fetch_add(1);
            FutexWakeOne(word);
            std::this_thread::sleep_for(1ms);
        }
    });
    const bool woken = FutexWait(word, word.load(), 60s);
    done = true;
    waker.join();
    EXPECT_TRUE(woken);
}
