#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <thread>

#include "audio/Audio.h"

// An open output device must not swallow the signals that end the player (logout, kill).
TEST(AudioDeviceDeathTest, TerminationSignalStillEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (!audio::Init(-1, 44100, 0, nullptr, nullptr)) std::exit(2);
            std::raise(SIGTERM);
            std::this_thread::sleep_for(std::chrono::seconds(2));
            std::exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
}
