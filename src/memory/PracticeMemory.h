// The practice memory as the player uses it: the store, read on the caller's thread, and a
// thread of its own that writes, so that a write never stalls the user interface (a commit may
// wait for the disk or for another program's lock).
//
// Writes of one song queued before the thread reached them are merged into one. Reads and the
// recent list first wait for what is queued, so they always see the latest change.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "memory/PracticeStore.h"

namespace memory {

class PracticeMemory {
public:
    // Opens the store at `path` (see PracticeStore for what may go wrong).
    explicit PracticeMemory(const std::string& path);
    // Writes everything queued, then ends the thread.
    ~PracticeMemory();
    PracticeMemory(const PracticeMemory&) = delete;
    PracticeMemory& operator=(const PracticeMemory&) = delete;

    const StoreOpening& Opening() const { return m_store.Opening(); }
    bool CanWrite() const { return m_store.CanWrite(); }

    // Queues a change for the writing thread and returns at once; nothing when the store cannot
    // be written.
    void Remember(SongWrite write);
    // Returns once every change queued before the call is written or has failed.
    void Flush();
    std::optional<SongMemory> Recall(const std::string& fingerprint);
    std::vector<std::string> RecentPaths(int limit);
    // Why a write failed, the first time one did; empty after that and while none failed.
    std::string TakeWriteProblem();

private:
    void WriteQueued();

    PracticeStore m_store;
    std::mutex m_mutex;
    std::condition_variable m_wake;     // something to write, or the end
    std::condition_variable m_written;  // the queue was written
    std::map<std::string, SongWrite> m_queued;  // by fingerprint
    bool m_bWriting = false;  // the thread holds writes taken off the queue
    bool m_bEnding = false;
    std::string m_writeProblem;
    bool m_bProblemTold = false;
    std::thread m_thread;  // last: started once everything it uses exists
};

}  // namespace memory
