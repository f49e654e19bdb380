// Writes whose byte counts may end inside a sample frame, made whole: the bytes of a split frame
// wait for the rest of it, so an encoder only ever sees whole frames.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace audio::detail {

class WholeFrames {
public:
    static constexpr std::size_t kMaxFrameBytes = 16;  // eight 16-bit channels

    explicit WholeFrames(std::size_t frameBytes)
        : m_frameBytes(std::clamp<std::size_t>(frameBytes, 1, kMaxFrameBytes)) {}

    // Hands `consume(bytes, frames)` the whole frames of this write in order: a split frame
    // completed now first, on its own, then the rest in one run. False as soon as `consume` fails.
    template <class Consume>
    bool Feed(const void* data, std::size_t bytes, Consume&& consume) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        if (m_carried > 0) {
            const std::size_t take = std::min(m_frameBytes - m_carried, bytes);
            std::memcpy(m_carry + m_carried, p, take);
            m_carried += take;
            p += take;
            bytes -= take;
            if (m_carried < m_frameBytes) return true;
            m_carried = 0;
            if (!consume(static_cast<const std::uint8_t*>(m_carry), std::size_t{1})) return false;
        }
        const std::size_t frames = bytes / m_frameBytes;
        if (frames > 0 && !consume(p, frames)) return false;
        m_carried = bytes - frames * m_frameBytes;
        std::memcpy(m_carry, p + frames * m_frameBytes, m_carried);
        return true;
    }

private:
    std::size_t m_frameBytes;
    alignas(std::int16_t) std::uint8_t m_carry[kMaxFrameBytes] = {};
    std::size_t m_carried = 0;
};

}  // namespace audio::detail
