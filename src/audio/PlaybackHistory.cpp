#include "audio/PlaybackHistory.h"

#include <algorithm>

namespace audio::detail {

void PlaybackHistory::Add(const Segment& s) {
    m_ring[m_head] = s;
    m_head = (m_head + 1) % kCapacity;
    m_count = std::min(m_count + 1, kCapacity);
}

bool PlaybackHistory::PositionAt(std::uint64_t heard, std::uint64_t& position) const {
    if (m_count == 0 || heard < At(0).outStart) return false;
    for (std::size_t i = m_count; i-- > 0;) {
        const Segment& s = At(i);
        if (s.outStart > heard) continue;
        const std::uint64_t into = heard - s.outStart;
        if (into >= s.outFrames) {
            position = s.srcEnd;
        } else if (s.srcEnd >= s.srcStart) {
            position = s.srcStart + (s.srcEnd - s.srcStart) * into / s.outFrames;
        } else {
            // The segment holds a jump back (a loop): count back from its end. Counted back to
            // before where the jump landed, the frame was heard before the jump: count on from
            // the start then, up to where the jump left.
            const auto back = static_cast<std::uint64_t>((s.outFrames - into) * s.srcPerOut);
            position = s.srcEnd > back ? s.srcEnd - back : 0;
            if (s.jumpFrom > s.jumpTo && position < s.jumpTo)
                position = std::min(s.srcStart + static_cast<std::uint64_t>(
                                                     static_cast<double>(into) * s.srcPerOut),
                                    s.jumpFrom);
        }
        return true;
    }
    return false;
}

DWORD PlaybackHistory::LevelBetween(std::uint64_t from, std::uint64_t to) const {
    std::uint16_t left = 0, right = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        const Segment& s = At(i);
        if (s.outStart >= to || s.outStart + s.outFrames <= from) continue;
        left = std::max(left, s.peakLeft);
        right = std::max(right, s.peakRight);
    }
    return static_cast<DWORD>(left) | (static_cast<DWORD>(right) << 16);
}

}  // namespace audio::detail
