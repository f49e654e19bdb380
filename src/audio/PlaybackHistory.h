// What the mixer rendered for one playing channel: which output frames carry which of the
// channel's frames, and how loud they were. Positions and levels of playing channels are read
// from it at the output frame being heard.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "audio/Audio.h"

namespace audio::detail {

class PlaybackHistory {
public:
    struct Segment {
        std::uint64_t outStart = 0;
        std::uint32_t outFrames = 0;
        std::uint64_t srcStart = 0;  // channel position when the segment began
        std::uint64_t srcEnd = 0;    // ... and when it ended
        float srcPerOut = 0;         // channel frames per output frame while rendering it
        std::uint16_t peakLeft = 0, peakRight = 0;
        // The channel's latest loop jump when the segment was rendered: where it left and where
        // it landed (equal: none yet).
        std::uint64_t jumpFrom = 0, jumpTo = 0;
    };
    void Clear() { m_count = 0; }
    void Add(const Segment& s);
    // Channel position heard at output frame `heard`; false when nothing rendered so far has
    // been heard yet.
    bool PositionAt(std::uint64_t heard, std::uint64_t& position) const;
    // Peaks of the segments heard in [from, to): left in the low word, right in the high word.
    DWORD LevelBetween(std::uint64_t from, std::uint64_t to) const;

private:
    static constexpr std::size_t kCapacity = 256;
    const Segment& At(std::size_t i) const {
        return m_ring[(m_head + kCapacity - m_count + i) % kCapacity];
    }
    std::array<Segment, kCapacity> m_ring{};
    std::size_t m_head = 0;  // next slot written
    std::size_t m_count = 0;
};

}  // namespace audio::detail
