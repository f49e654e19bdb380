// Delivers syncs that are not mix-time from a thread of their own, once the audio at the point
// where they occurred is being heard, so that the mixer never waits for a procedure.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "audio/Audio.h"
#include "audio/InheritingMutex.h"

namespace audio::detail {

struct SyncEvent {
    HSYNC sync = 0;
    DWORD channel = 0;
    SYNCPROC* proc = nullptr;
    void* user = nullptr;
    std::uint64_t dueFrame = 0;  // output frame that must be heard first (0: at once)
    bool oneTime = false;
};

class SyncNotifier {
public:
    // `heardFrame` tells which output frame is being heard now; `stillSet` whether a sync
    // handle is still alive (a sync removed before its turn is not delivered).
    SyncNotifier(std::function<std::uint64_t()> heardFrame, std::function<bool(HSYNC)> stillSet,
                 std::function<void(HSYNC)> retire);
    ~SyncNotifier();

    void Post(const SyncEvent& event);
    void DropChannel(DWORD channel);
    // Drops the channel's notices due at output frame `frame` or later (their audio will not be
    // heard as it was read).
    void DropChannelFrom(DWORD channel, std::uint64_t frame);

private:
    void Run();

    std::function<std::uint64_t()> m_heardFrame;
    std::function<bool(HSYNC)> m_stillSet;
    std::function<void(HSYNC)> m_retire;
    InheritingMutex m_mutex;  // the producer posts under it: see InheritingMutex.h
    std::condition_variable_any m_wake;
    std::deque<SyncEvent> m_queue;
    bool m_bStop = false;
    std::thread m_thread;
};

}  // namespace audio::detail
