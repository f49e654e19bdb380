#include "audio/StretcherInput.h"

#include <algorithm>
#include <cmath>

namespace audio::detail {

void StretcherInput::Clear() {
    m_ranges.clear();
    m_samples.clear();
    m_sampleStart = 0;
    m_consumed = 0;
}

const float* StretcherInput::Append(std::uint64_t srcStart, const std::int16_t* samples,
                                   int frames) {
    if (frames <= 0) return nullptr;
    if (!m_ranges.empty() && m_ranges.back().srcStart + m_ranges.back().frames == srcStart)
        m_ranges.back().frames += static_cast<std::uint64_t>(frames);
    else
        m_ranges.push_back(Range{srcStart, static_cast<std::uint64_t>(frames)});
    // Reclaim the dropped front before growing (it is small: what came out since last time).
    if (m_sampleStart > 0 && m_sampleStart >= m_samples.size() / 2) {
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(m_sampleStart));
        m_sampleStart = 0;
    }
    const std::size_t count = static_cast<std::size_t>(frames) * m_nChannels;
    const std::size_t at = m_samples.size();
    m_samples.resize(at + count);
    for (std::size_t i = 0; i < count; ++i) m_samples[at + i] = samples[i] * (1.0f / 32768.0f);
    return m_samples.data() + at;
}

void StretcherInput::Consume(double frames) {
    m_consumed += frames;
    // Whole frames that came out are forgotten; the last range stays as the position's anchor.
    const double whole = std::floor(m_consumed);
    if (whole >= 1) {
        std::uint64_t drop = static_cast<std::uint64_t>(whole);
        std::uint64_t total = 0;
        for (const Range& r : m_ranges) total += r.frames;
        drop = std::min(drop, total > 0 ? total - 1 : 0);
        DropFront(drop);
        m_consumed -= static_cast<double>(drop);
    }
}

void StretcherInput::DropFront(std::uint64_t frames) {
    m_sampleStart += static_cast<std::size_t>(frames) * m_nChannels;
    while (frames > 0 && !m_ranges.empty()) {
        Range& front = m_ranges.front();
        const std::uint64_t n = std::min(frames, front.frames);
        front.srcStart += n;
        front.frames -= n;
        frames -= n;
        if (front.frames == 0) m_ranges.pop_front();
    }
}

std::uint64_t StretcherInput::Position() const {
    if (m_ranges.empty()) return 0;
    const Range& head = m_ranges.front();
    return head.srcStart + std::min<std::uint64_t>(head.frames, static_cast<std::uint64_t>(m_consumed));
}

double StretcherInput::Unconsumed() const {
    double total = -m_consumed;
    for (const Range& r : m_ranges) total += static_cast<double>(r.frames);
    return std::max(0.0, total);
}

const float* StretcherInput::UnconsumedSamples(int& frames) const {
    frames = static_cast<int>((m_samples.size() - m_sampleStart) / m_nChannels);
    return m_samples.data() + m_sampleStart;
}

}  // namespace audio::detail
