#include "audio/SyncNotifier.h"

#include <algorithm>
#include <chrono>

namespace audio::detail {

SyncNotifier::SyncNotifier(std::function<std::uint64_t()> heardFrame,
                           std::function<bool(HSYNC)> stillSet, std::function<void(HSYNC)> retire)
    : m_heardFrame(std::move(heardFrame)),
      m_stillSet(std::move(stillSet)),
      m_retire(std::move(retire)),
      m_thread([this] { Run(); }) {}

SyncNotifier::~SyncNotifier() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SyncNotifier::Post(const SyncEvent& event) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(event);
    }
    m_wake.notify_all();
}

void SyncNotifier::DropChannel(DWORD channel) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_queue, [&](const SyncEvent& e) { return e.channel == channel; });
}

void SyncNotifier::DropChannelFrom(DWORD channel, std::uint64_t frame) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_queue,
                  [&](const SyncEvent& e) { return e.channel == channel && e.dueFrame >= frame; });
}

void SyncNotifier::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_bStop) {
        if (m_queue.empty()) {
            m_wake.wait(lock);
            continue;
        }
        // Events are delivered in the order they occurred, each once its audio is heard.
        const SyncEvent event = m_queue.front();
        if (event.dueFrame > 0 && m_heardFrame() < event.dueFrame) {
            m_wake.wait_for(lock, std::chrono::milliseconds(2));
            continue;
        }
        m_queue.pop_front();
        lock.unlock();
        if (m_stillSet(event.sync)) {
            event.proc(event.sync, event.channel, 0, event.user);
            if (event.oneTime) m_retire(event.sync);
        }
        lock.lock();
    }
}

}  // namespace audio::detail
