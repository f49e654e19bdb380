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
// long while it ran. The player's 25 ms output lead is at its shortest, 13 ms, just after the
// device has taken a buffer, and a change of tempo leaves the producer about 19 ms to make the
// next block: a freeze of 10 ms (seen by a witness that wakes every 2 ms) at the wrong moment
// leaves too little of either. A fault of the player fails every run; a freeze that lined up
// with it once is not seen twice.
constexpr double kFreezeMs = 10.0;
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
    } else if (failed != 0 || freeze.ms >= kFreezeMs) {
        // Said on every failure, so that a failure on a busy machine tells how late the witness
        // ever woke, a freeze or not.
        std::printf(
            "[freeze witness] the longest the machine ran nothing of this process: "
            "%.1f ms on cpu %d, %.1f s into the run\n",
            freeze.ms, freeze.cpu, freeze.atSeconds);
    }
    return failed;
}
