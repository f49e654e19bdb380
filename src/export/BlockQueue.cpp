#include "export/BlockQueue.h"

#include <algorithm>
#include <cstring>

BlockQueue::BlockQueue(std::size_t blockBytes, std::size_t capacity)
    : m_ring(std::max<std::size_t>(capacity, 1)),
      m_wakeReaderAt(std::max<std::size_t>(capacity / 4, 1)) {
    for (Block& b : m_ring) b.bytes.resize(blockBytes);
}

char* BlockQueue::BeginWrite() {
    std::unique_lock lock(m_mutex);
    if (!m_bClosed && m_count == m_ring.size()) {
        m_bWriterWaits = true;
        m_freed.wait(lock, [&] { return m_bClosed || m_count < m_ring.size(); });
        m_bWriterWaits = false;
    }
    if (m_bClosed) return nullptr;
    // The tail block is the producer's alone until it is published.
    return m_ring[(m_head + m_count) % m_ring.size()].bytes.data();
}

void BlockQueue::EndWrite(std::size_t bytes) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_bClosed || m_count == m_ring.size()) return;
        Block& tail = m_ring[(m_head + m_count) % m_ring.size()];
        tail.size = std::min(bytes, tail.bytes.size());
        if (tail.size == 0) return;
        ++m_count;
        wake = m_bReaderWaits && m_count >= m_wakeReaderAt;
    }
    if (wake) m_published.notify_one();
}

void BlockQueue::Finish() {
    {
        std::lock_guard lock(m_mutex);
        m_bFinished = true;
    }
    m_published.notify_one();
}

std::size_t BlockQueue::Read(char* dst, std::size_t length) {
    std::size_t copied = 0;
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        if (m_count == 0 && !m_bFinished && !m_bClosed) {
            m_bReaderWaits = true;
            m_published.wait(lock, [&] { return m_count > 0 || m_bFinished || m_bClosed; });
            m_bReaderWaits = false;
        }
        while (copied < length && m_count > 0) {
            Block& head = m_ring[m_head];
            const std::size_t n = std::min(length - copied, head.size - m_readAt);
            std::memcpy(dst + copied, head.bytes.data() + m_readAt, n);
            copied += n;
            m_readAt += n;
            if (m_readAt == head.size) {
                m_head = (m_head + 1) % m_ring.size();
                --m_count;
                m_readAt = 0;
            }
        }
        wake = m_bWriterWaits && m_count <= m_ring.size() / 2;
    }
    if (wake) m_freed.notify_one();
    return copied;
}

void BlockQueue::Close() {
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = true;
    }
    m_freed.notify_one();
    m_published.notify_one();
}

bool BlockQueue::WouldWait() {
    std::lock_guard lock(m_mutex);
    return m_count == 0 && !m_bFinished && !m_bClosed;
}
