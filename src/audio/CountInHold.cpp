#include "audio/CountInHold.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio::detail {

CountInHold::CountInHold(int sampleRate, int channels)
    : m_click(sampleRate),
      m_nChannels(std::max(channels, 1)),
      m_nFadeOut(std::max(1, sampleRate * kFadeOutMs / 1000)),
      m_nFadeIn(std::max(1, sampleRate * kFadeInMs / 1000)),
      m_nFadeInDone(m_nFadeIn) {}

void CountInHold::Start(int beats, double beatFrames, int tailFrames) {
    m_phase = Phase::Tail;
    m_nBeats = std::max(beats, 1);
    m_beatFrames = std::max(beatFrames, 1.0);
    m_nTailLeft = std::max(tailFrames, 0);
    m_holdFrames = std::llround(m_nBeats * m_beatFrames);
    m_holdDone = 0;
    m_nFadeInDone = m_nFadeIn;
}

void CountInHold::Cancel() {
    m_phase = Phase::Off;
    m_nFadeInDone = m_nFadeIn;
    m_blockHoldFrames = 0;
}

void CountInHold::PlayedTail(std::int16_t* dst, int frames) {
    for (int i = 0; i < frames; ++i) {
        const int left = m_nTailLeft - i;  // frames to the tail's end, this one included
        if (left > m_nFadeOut) continue;
        const float gain = static_cast<float>(left - 1) / m_nFadeOut;
        for (int c = 0; c < m_nChannels; ++c) {
            std::int16_t& s = dst[static_cast<std::ptrdiff_t>(i) * m_nChannels + c];
            s = static_cast<std::int16_t>(std::lround(s * gain));
        }
    }
    m_nTailLeft = std::max(0, m_nTailLeft - frames);
}

void CountInHold::EndTail() {
    m_phase = Phase::Hold;
    m_nTailLeft = 0;
}

int CountInHold::Hold(std::int16_t* dst, int frames, int offset) {
    if (m_phase != Phase::Hold) return 0;
    const int n = static_cast<int>(std::min<std::int64_t>(frames, m_holdFrames - m_holdDone));
    std::memset(dst, 0, sizeof(std::int16_t) * static_cast<std::size_t>(n) * m_nChannels);
    // One stretch of hold per block: the hold starts once and ends once.
    if (m_blockHoldFrames == 0) {
        m_blockHoldOffset = offset;
        m_blockHoldFrom = m_holdDone;
    }
    m_blockHoldFrames += n;
    m_holdDone += n;
    if (m_holdDone >= m_holdFrames) {
        m_phase = Phase::Off;
        m_nFadeInDone = 0;
    }
    return n;
}

void CountInHold::FadeIn(std::int16_t* dst, int frames) {
    for (int i = 0; i < frames && m_nFadeInDone < m_nFadeIn; ++i, ++m_nFadeInDone) {
        const float gain = static_cast<float>(m_nFadeInDone + 1) / (m_nFadeIn + 1);
        for (int c = 0; c < m_nChannels; ++c) {
            std::int16_t& s = dst[static_cast<std::ptrdiff_t>(i) * m_nChannels + c];
            s = static_cast<std::int16_t>(std::lround(s * gain));
        }
    }
}

std::int64_t CountInHold::ClickAt(int k) const {
    return std::llround(k * m_beatFrames);
}

void CountInHold::MixClicks(std::int16_t* dst, int frames) const {
    if (m_blockHoldFrames <= 0) return;
    const int n = std::min(m_blockHoldFrames, frames - m_blockHoldOffset);
    const std::int64_t from = m_blockHoldFrom, to = from + n;
    for (int k = 0; k < m_nBeats; ++k) {
        const std::int64_t at = ClickAt(k);
        if (at >= to || at + m_click.Frames() <= from) continue;
        // The part of click k inside this block's hold; never beyond the hold's end.
        const std::int64_t first = std::max(at, from);
        const int count = static_cast<int>(std::min(to, at + m_click.Frames()) - first);
        std::int16_t* out = dst + (m_blockHoldOffset + (first - from)) * m_nChannels;
        m_click.MixInto(out, m_nChannels, static_cast<int>(first - at), count, k == 0);
    }
}

}  // namespace audio::detail
