#include "audio/JumpLanding.h"

namespace audio::detail {

JumpLanding::JumpLanding(FileDecoder::Twin twin) : m_twin(std::move(twin)) {
    m_thread = std::thread([this] { Run(); });
}

JumpLanding::~JumpLanding() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_one();
    m_thread.join();
}

void JumpLanding::Aim(std::uint64_t frame) {
    {
        std::lock_guard lock(m_mutex);
        if (m_qwTarget == frame) return;
        m_qwTarget = frame;
        m_qwFailed = UINT64_MAX;
    }
    m_changed.notify_one();
}

bool JumpLanding::Land(std::uint64_t frame, std::unique_ptr<FileDecoder>& decoder) {
    std::unique_lock lock(m_mutex, std::try_to_lock);
    // Held only for moments by the preparing thread: a jump that meets it just seeks.
    if (!lock.owns_lock() || m_bPreparing || !m_pSpare || m_qwReady == UINT64_MAX ||
        frame < m_qwReadyFrom || frame > m_qwReady) {
        if (lock.owns_lock()) ++m_nMissed;
        return false;
    }
    // What lies between is decoded already: passing over it is a copy at most.
    if (!m_pSpare->Skip(static_cast<int>(frame - m_qwReadyFrom))) {
        ++m_nMissed;
        m_qwReady = UINT64_MAX;
        lock.unlock();
        m_changed.notify_one();
        return false;
    }
    std::swap(decoder, m_pSpare);
    m_qwReady = UINT64_MAX;
    ++m_nLanded;
    lock.unlock();
    m_changed.notify_one();
    return true;
}

std::uint64_t JumpLanding::Landed() const {
    std::lock_guard lock(m_mutex);
    return m_nLanded;
}

std::uint64_t JumpLanding::Missed() const {
    std::lock_guard lock(m_mutex);
    return m_nMissed;
}

void JumpLanding::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_bStop || (!m_bOpenFailed && m_qwTarget != UINT64_MAX &&
                               m_qwTarget != m_qwReady && m_qwTarget != m_qwFailed);
        });
        if (m_bStop) return;
        const std::uint64_t target = m_qwTarget;
        std::unique_ptr<FileDecoder> spare = std::move(m_pSpare);
        m_qwReady = UINT64_MAX;
        m_bPreparing = true;
        lock.unlock();
        if (!spare) {
            int error = 0;
            spare = FileDecoder::OpenTwin(m_twin, error);
        }
        std::uint64_t from = target;
        if (spare) from -= std::min<std::uint64_t>(
                       target, std::uint64_t{static_cast<std::uint64_t>(spare->SampleRate())} *
                                   kLeadInMs / 1000);
        const bool ready = spare && spare->Seek(from);
        if (ready) spare->Prefetch(static_cast<int>(target - from) + kReadyFrames);
        lock.lock();
        m_bPreparing = false;
        m_bOpenFailed = !spare;
        m_pSpare = std::move(spare);
        m_qwReadyFrom = from;
        if (ready)
            m_qwReady = target;
        else
            m_qwFailed = target;  // not tried again until aimed elsewhere
    }
}

}  // namespace audio::detail
