#include "audio/ClickSound.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio::detail {

namespace {

// A rise of a millisecond keeps the onset from sounding as a crack, the decay makes it a tick
// rather than a beep, and the last millisecond reaches zero.
std::vector<float> Burst(int rate, double hz, double peak) {
    const int frames = std::max(1, rate * ClickSound::kMs / 1000);
    const double rise = rate / 1000.0, decay = rate * 0.007;
    std::vector<float> burst(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double envelope =
            std::min(1.0, i / rise) * std::exp(-i / decay) * std::min(1.0, (frames - i) / rise);
        burst[static_cast<std::size_t>(i)] = static_cast<float>(
            32767.0 * peak * envelope * std::sin(2 * std::numbers::pi * hz * i / rate));
    }
    return burst;
}

}  // namespace

ClickSound::ClickSound(int sampleRate)
    : m_accent(Burst(std::max(sampleRate, 1000), kAccentHz, kAccentPeak)),
      m_plain(Burst(std::max(sampleRate, 1000), kPlainHz, kPlainPeak)) {}

void ClickSound::MixInto(std::int16_t* dst, int channels, int from, int frames, bool accent) const {
    const std::vector<float>& burst = accent ? m_accent : m_plain;
    const int end = std::min(from + frames, Frames());
    for (int i = std::max(from, 0); i < end; ++i) {
        const float add = burst[static_cast<std::size_t>(i)];
        std::int16_t* frame = dst + static_cast<std::ptrdiff_t>(i - from) * channels;
        for (int c = 0; c < channels; ++c)
            frame[c] = static_cast<std::int16_t>(std::clamp(frame[c] + add, -32768.0f, 32767.0f));
    }
}

}  // namespace audio::detail
