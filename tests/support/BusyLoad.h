// Two processes that spin for as long as the object lives, one per core of the test machine, so
// that playback is tested where it must hold: on a machine busy with other work. The load is a
// capture's (support/CaptureTurn.h): it waits for its turn before it starts.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <vector>

#include "support/CaptureTurn.h"

extern char** environ;

namespace testenv {

class BusyLoad {
public:
    explicit BusyLoad(int processes = 2) {
        for (int i = 0; i < processes; ++i) {
            char sh[] = "sh", flag[] = "-c", loop[] = "while :; do :; done";
            char* argv[] = {sh, flag, loop, nullptr};
            pid_t pid = 0;
            if (posix_spawnp(&pid, "sh", nullptr, nullptr, argv, environ) == 0)
                m_pids.push_back(pid);
        }
    }
    ~BusyLoad() {
        for (pid_t pid : m_pids) kill(pid, SIGKILL);
        for (pid_t pid : m_pids) waitpid(pid, nullptr, 0);
    }
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;

    // The number of spinning processes actually started.
    int Running() const { return static_cast<int>(m_pids.size()); }

private:
    CaptureTurn m_turn;
    std::vector<pid_t> m_pids;
};

}  // namespace testenv
