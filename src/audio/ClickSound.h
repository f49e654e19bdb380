// The count-in's click: a short sine burst that dies away. The first of a count is higher and
// louder, so that the "one" stands out. Made once when the stream is made: the producer only
// adds it in.
#pragma once

#include <cstdint>
#include <vector>

namespace audio::detail {

class ClickSound {
public:
    static constexpr int kMs = 25;
    static constexpr double kAccentHz = 2000, kPlainHz = 1500;
    static constexpr double kAccentPeak = 0.6, kPlainPeak = 0.35;  // of full scale

    explicit ClickSound(int sampleRate);

    int Frames() const { return static_cast<int>(m_accent.size()); }
    // Adds frames [from, from + frames) of the click to every channel of `dst`, clipping at full
    // scale; frames beyond the click add nothing.
    void MixInto(std::int16_t* dst, int channels, int from, int frames, bool accent) const;

private:
    std::vector<float> m_accent, m_plain;  // in sample units
};

}  // namespace audio::detail
