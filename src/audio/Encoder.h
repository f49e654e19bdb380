// An encoder fed with a channel's 16-bit PCM: by the channel's tap, by Encode_Write, or both.
// Feeding and finishing may come from different threads (a channel's reader, the caller), so
// every entry point takes the encoder's own lock; it is taken after a channel's lock, never
// before one.
#pragma once

#include <cstddef>
#include <mutex>

namespace audio::detail {

class Encoder {
public:
    virtual ~Encoder() = default;

    // Hands on `bytes` of PCM in the channel's format (any count: a partial sample frame waits
    // for the rest). False once the encoder can no longer deliver (its program exited, its file
    // cannot be written) or has been finished.
    bool Write(const void* data, std::size_t bytes) {
        std::lock_guard lock(m_mutex);
        if (m_bFinished || m_bDead) return false;
        if (!DoWrite(data, bytes)) m_bDead = true;
        return !m_bDead;
    }

    // Completes the output (program waited for, file flushed and closed). True when everything
    // written reached its destination. Later calls return the same answer and do nothing.
    bool Finish() {
        std::lock_guard lock(m_mutex);
        if (!m_bFinished) {
            m_bFinished = true;
            m_bResult = DoFinish() && !m_bDead;
        }
        return m_bResult;
    }

    // True until finished, and while the output can still be delivered.
    bool Alive() {
        std::lock_guard lock(m_mutex);
        return !m_bFinished && !m_bDead && DoAlive();
    }

protected:
    virtual bool DoWrite(const void* data, std::size_t bytes) = 0;
    virtual bool DoFinish() = 0;
    virtual bool DoAlive() { return true; }

private:
    std::mutex m_mutex;
    bool m_bFinished = false;
    bool m_bDead = false;
    bool m_bResult = false;
};

}  // namespace audio::detail
