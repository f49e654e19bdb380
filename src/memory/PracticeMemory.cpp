#include "memory/PracticeMemory.h"

#include <sys/resource.h>
#include <unistd.h>

namespace memory {

PracticeMemory::PracticeMemory(const std::string& path)
    : m_store(path), m_thread([this] { WriteQueued(); }) {}

PracticeMemory::~PracticeMemory() {
    {
        const std::lock_guard lock(m_mutex);
        m_bEnding = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void PracticeMemory::Remember(SongWrite write) {
    if (!m_store.CanWrite() || write.fingerprint.empty()) return;
    {
        const std::lock_guard lock(m_mutex);
        auto [queued, added] = m_queued.try_emplace(write.fingerprint);
        if (added)
            queued->second = std::move(write);
        else
            queued->second.Merge(std::move(write));
    }
    m_wake.notify_one();
}

void PracticeMemory::Flush() {
    std::unique_lock lock(m_mutex);
    m_written.wait(lock, [this] { return m_queued.empty() && !m_bWriting; });
}

std::optional<SongMemory> PracticeMemory::Recall(const std::string& fingerprint) {
    Flush();
    return m_store.Read(fingerprint);
}

std::vector<std::string> PracticeMemory::RecentPaths(int limit) {
    Flush();
    return m_store.RecentPaths(limit);
}

std::string PracticeMemory::TakeWriteProblem() {
    const std::lock_guard lock(m_mutex);
    if (m_bProblemTold || m_writeProblem.empty()) return {};
    m_bProblemTold = true;
    return m_writeProblem;
}

void PracticeMemory::WriteQueued() {
    // The memory can wait; the sound and the window cannot.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_bEnding || !m_queued.empty(); });
        if (m_queued.empty()) return;  // ending, with everything written
        std::map<std::string, SongWrite> batch;
        batch.swap(m_queued);
        m_bWriting = true;
        lock.unlock();
        std::string problem;
        for (auto& [fingerprint, write] : batch)
            if (!m_store.Write(write) && problem.empty()) problem = m_store.LastError();
        lock.lock();
        m_bWriting = false;
        if (!problem.empty() && m_writeProblem.empty()) m_writeProblem = problem;
        m_written.notify_all();
    }
}

}  // namespace memory
