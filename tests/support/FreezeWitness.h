// Watches whether the machine itself stops running this process: one thread pinned to each CPU,
// at a real-time priority above the player's own threads, does nothing but wake every 2 ms and
// note how late it woke. Such a thread is late only when its CPU ran nothing of ours at all (a
// virtual machine whose CPU the host took away, a kernel section that cannot be preempted), so a
// long late wake-up is a freeze of the machine, not a fault of the player: no output lead can
// ride out a CPU that does not run.
#pragma once

#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace testenv {

class FreezeWitness {
public:
    struct Freeze {
        double ms = 0;       // how long the CPU ran nothing of ours
        int cpu = -1;
        double atSeconds = 0;  // when it ended, from the witness's start
    };

    FreezeWitness() : m_start(NowNs()) {
        const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
        for (int cpu = 0; cpu < cpus; ++cpu)
            m_threads.emplace_back([this, cpu](std::stop_token stop) { Watch(stop, cpu); });
    }
    FreezeWitness(const FreezeWitness&) = delete;
    FreezeWitness& operator=(const FreezeWitness&) = delete;

    // The longest freeze seen so far.
    Freeze Longest() const {
        Freeze f;
        f.ms = m_longestNs.load() / 1e6;
        f.cpu = m_longestCpu.load();
        f.atSeconds = m_longestAtNs.load() / 1e9;
        return f;
    }

private:
    static constexpr std::int64_t kPeriodNs = 2'000'000;

    static std::int64_t NowNs() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    void Watch(const std::stop_token& stop, int cpu) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(cpu, &set);
        pthread_setaffinity_np(pthread_self(), sizeof set, &set);
        // Refused without the right to it: the witness then also sees ordinary scheduling
        // delays, and so errs towards calling a busy machine frozen, never the other way.
        const sched_param param{.sched_priority = 95};
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        std::int64_t due = NowNs() + kPeriodNs;
        while (!stop.stop_requested()) {
            const timespec at{static_cast<time_t>(due / 1'000'000'000),
                              static_cast<long>(due % 1'000'000'000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
            const std::int64_t now = NowNs();
            const std::int64_t late = now - due;
            if (late > m_longestNs.load()) {
                m_longestNs.store(late);
                m_longestCpu.store(cpu);
                m_longestAtNs.store(now - m_start);
            }
            // After a freeze the rhythm starts again from now rather than catching up.
            due = (late > kPeriodNs ? now : due) + kPeriodNs;
        }
    }

    const std::int64_t m_start;
    std::atomic<std::int64_t> m_longestNs{0};
    std::atomic<int> m_longestCpu{-1};
    std::atomic<std::int64_t> m_longestAtNs{0};
    std::vector<std::jthread> m_threads;  // last: joined before the counters go
};

}  // namespace testenv
