#include "support/FreezeWitness.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

// A process stopped from outside for 150 ms is the freeze the witness is there to see: its
// threads run nothing for that long, as under a host that takes the machine's CPUs away.
TEST(FreezeWitness, SeesAProcessThatRanNothingForAWhile) {
    using namespace std::chrono_literals;
    int ready[2], result[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(result), 0);
    const pid_t child = fork();
    if (child == 0) {
        double longest;
        {
            testenv::FreezeWitness witness;
            const char watching = 1;
            if (write(ready[1], &watching, 1) != 1) _exit(1);
            std::this_thread::sleep_for(600ms);
            longest = witness.Longest().ms;
        }
        _exit(write(result[1], &longest, sizeof longest) == sizeof longest ? 0 : 1);
    }
    char watching = 0;
    ASSERT_EQ(read(ready[0], &watching, 1), 1);
    std::this_thread::sleep_for(50ms);
    kill(child, SIGSTOP);
    std::this_thread::sleep_for(150ms);
    kill(child, SIGCONT);
    double longest = 0;
    EXPECT_EQ(read(result[0], &longest, sizeof longest), ssize_t(sizeof longest));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_GE(longest, 140.0);
    EXPECT_LT(longest, 5000.0);  // milliseconds, not another unit
}
