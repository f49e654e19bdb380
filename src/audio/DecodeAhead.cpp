#include "audio/DecodeAhead.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace audio::detail {

namespace {
constexpr std::size_t kRingFrames =
    static_cast<std::size_t>(DecodeAhead::kRingChunks) * DecodeAhead::kChunkFrames;
}

DecodeAhead::DecodeAhead(FileDecoder& decoder)
    : m_decoder(decoder),
      m_nChannels(decoder.Channels()),
      m_ring(kRingFrames * static_cast<std::size_t>(decoder.Channels())),
      m_chunk(static_cast<std::size_t>(kChunkFrames) *
              static_cast<std::size_t>(decoder.Channels())),
      m_qwPosition(decoder.Position()) {}

DecodeAhead::~DecodeAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void DecodeAhead::StartIfIdle() {
    if (m_thread.joinable()) return;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to spare: Read decodes for itself.
    }
}

void DecodeAhead::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_bStop || (!m_bAtEnd && m_heldFrames + kChunkFrames <= kRingFrames);
        });
        if (m_bStop) return;
        m_bDecoding = true;
        lock.unlock();
        const int got = m_decoder.Read(m_chunk.data(), kChunkFrames);
        lock.lock();
        m_bDecoding = false;
        const auto samples = static_cast<std::size_t>(m_nChannels);
        std::size_t write = (m_readFrame + m_heldFrames) % kRingFrames;
        for (int done = 0; done < got;) {
            const int run =
                static_cast<int>(std::min<std::size_t>(got - done, kRingFrames - write));
            std::memcpy(m_ring.data() + write * samples, m_chunk.data() + done * samples,
                        static_cast<std::size_t>(run) * samples * sizeof(std::int16_t));
            done += run;
            write = (write + static_cast<std::size_t>(run)) % kRingFrames;
        }
        m_heldFrames += static_cast<std::size_t>(std::max(got, 0));
        if (got < kChunkFrames) m_bAtEnd = true;
        m_changed.notify_all();
    }
}

int DecodeAhead::Read(std::int16_t* dst, int frames) {
    std::unique_lock lock(m_mutex);
    StartIfIdle();
    if (!m_thread.joinable()) {
        const int got = m_decoder.Read(dst, frames);
        m_qwPosition = m_decoder.Position();
        return got;
    }
    const auto samples = static_cast<std::size_t>(m_nChannels);
    int done = 0;
    while (done < frames) {
        m_changed.wait(lock, [&] { return m_heldFrames > 0 || m_bAtEnd; });
        if (m_heldFrames == 0) break;  // the end
        const int run = static_cast<int>(std::min<std::size_t>(
            {static_cast<std::size_t>(frames - done), m_heldFrames, kRingFrames - m_readFrame}));
        std::memcpy(dst + static_cast<std::size_t>(done) * samples,
                    m_ring.data() + m_readFrame * samples,
                    static_cast<std::size_t>(run) * samples * sizeof(std::int16_t));
        done += run;
        m_readFrame = (m_readFrame + static_cast<std::size_t>(run)) % kRingFrames;
        m_heldFrames -= static_cast<std::size_t>(run);
        m_qwPosition += static_cast<std::uint64_t>(run);
        m_changed.notify_all();
    }
    return done;
}

std::uint64_t DecodeAhead::Position() {
    const std::lock_guard lock(m_mutex);
    return m_qwPosition;
}

bool DecodeAhead::Seek(std::uint64_t frame) {
    std::unique_lock lock(m_mutex);
    // The decoder is the thread's while it decodes a chunk.
    m_changed.wait(lock, [&] { return !m_bDecoding; });
    m_readFrame = m_heldFrames = 0;
    const bool moved = m_decoder.Seek(frame);
    m_qwPosition = m_decoder.Position();
    m_bAtEnd = false;
    m_changed.notify_all();
    return moved;
}

}  // namespace audio::detail
