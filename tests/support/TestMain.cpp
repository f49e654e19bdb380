#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/FreezeWitness.h"

namespace {

// A failed test runs again, in a fresh process, only when the machine froze for at least this
// long while it ran: longer than a part of the player's 25 ms output lead can cover. A fault of
// the player fails every run; a freeze that lined up with it once is not seen twice.
constexpr double kFreezeMs = 20.0;
constexpr int kMaxRuns = 3;
constexpr const char* kRunVariable = "QUORVEL_TEST_RUN";

}  // namespace

int main(int argc, char** argv) {
    // Headless by default; a developer may still export another platform to watch a test.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::vector<char*> original(argv, argv + argc + 1);  // InitGoogleTest takes its flags
    const char* runText = std::getenv(kRunVariable);
    const int run = runText ? std::atoi(runText) : 1;

    int failed;
    testenv::FreezeWitness::Freeze freeze;
    {
        testenv::FreezeWitness witness;
        ::testing::InitGoogleTest(&argc, argv);
        QApplication app(argc, argv);
        failed = RUN_ALL_TESTS();
        freeze = witness.Longest();
    }
    if (failed != 0 && freeze.ms >= kFreezeMs && run < kMaxRuns) {
        std::printf(
            "\n[freeze witness] cpu %d ran nothing of this process for %.1f ms (%.1f s into the "
            "run): the machine froze, not the player. Running again (run %d of %d).\n\n",
            freeze.cpu, freeze.ms, freeze.atSeconds, run + 1, kMaxRuns);
        std::fflush(stdout);
        setenv(kRunVariable, std::to_string(run + 1).c_str(), 1);
        execv("/proc/self/exe", original.data());
        std::perror("execv");
    } else if (freeze.ms >= kFreezeMs) {
        std::printf("[freeze witness] the machine froze for %.1f ms on cpu %d during this run\n",
                    freeze.ms, freeze.cpu);
    }
    return failed;
}
