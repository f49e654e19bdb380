#include "audio/LoopJoin.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/LikenessCrossfade.h"

namespace audio::detail {

namespace {
// Above this rate the likeness is judged on every n-th sample: what decides a fade of a few
// milliseconds lies far below 24 kHz.
constexpr int kJudgedRate = 48000;
// A tail quieter than the lead-in shortens the fade in proportion, to no less than this share.
constexpr double kShortestFade = 0.2;

// Reads until `frames` frames came or the source has no more.
int ReadFully(FrameSource& src, std::int16_t* dst, int frames, int channels) {
    int got = 0;
    while (got < frames) {
        const int n =
            src.Read(dst + static_cast<std::size_t>(got) * channels, frames - got, RenderContext{});
        if (n <= 0) break;
        got += n;
    }
    return got;
}
}  // namespace

LoopJoin::LoopJoin(int sampleRate, int channels)
    : m_nRate(std::max(sampleRate, 1)),
      m_nChannels(std::max(channels, 1)),
      m_nSearch(static_cast<int>(std::int64_t{m_nRate} * kSearchMs / 1000)) {
    const auto fade = static_cast<std::size_t>(std::int64_t{m_nRate} * kMaxFadeMs / 1000);
    const auto chans = static_cast<std::size_t>(m_nChannels);
    m_tail.resize((static_cast<std::size_t>(m_nSearch) + fade) * chans);
    m_leadIn.resize(fade * chans);
    m_out.resize(m_tail.size());
}

void LoopJoin::ReadTail(FrameSource& src, int fadeMs) {
    Begin(fadeMs);
    m_nTailGot = ReadFully(src, Tail(), TailFrames(), m_nChannels);
}

bool LoopJoin::ReadLeadIn(FrameSource& src, std::uint64_t leaving, int leadIn) {
    if (ReadFully(src, LeadIn(), leadIn, m_nChannels) != leadIn) return false;
    const auto frames = static_cast<std::uint64_t>(Make(m_nTailGot, leadIn));
    m_position = leaving - std::min(leaving, frames);
    return true;
}

int LoopJoin::Play(std::int16_t* dst, int frames, FrameSource& src) {
    int offset = 0;
    const int got = Emit(dst, frames, offset);
    src.Take(m_position + static_cast<std::uint64_t>(offset), dst, got);
    return got;
}

void LoopJoin::Begin(int fadeMs) {
    m_nFade = static_cast<int>(std::int64_t{m_nRate} * std::clamp(fadeMs, 0, kMaxFadeMs) / 1000);
    m_nOut = m_nOutDone = 0;
}

double LoopJoin::Energy(const std::int16_t* samples, int frames) const {
    double sum = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(frames) * m_nChannels; ++i)
        sum += double(samples[i]) * samples[i];
    return sum;
}

int LoopJoin::BestOffset(int fade, double& likeness) const {
    likeness = 0;
    const int stride = std::max(1, m_nRate / kJudgedRate);
    const int c = m_nChannels;
    const std::int16_t* leadIn = m_leadIn.data() + static_cast<std::size_t>(m_nFade - fade) * c;
    double leadInEnergy = 0;
    for (int i = 0; i < fade; i += stride)
        for (int k = 0; k < c; ++k) leadInEnergy += double(leadIn[i * c + k]) * leadIn[i * c + k];
    if (leadInEnergy <= 0) return 0;
    int best = 0;
    for (int d = 0; d <= m_nSearch; ++d) {
        const std::int16_t* t = m_tail.data() + static_cast<std::size_t>(d) * c;
        double dot = 0, tailEnergy = 0;
        for (int i = 0; i < fade; i += stride)
            for (int k = 0; k < c; ++k) {
                const double v = t[i * c + k];
                dot += v * leadIn[i * c + k];
                tailEnergy += v * v;
            }
        if (tailEnergy <= 0) continue;
        const double r = dot / std::sqrt(tailEnergy * leadInEnergy);
        if (r > likeness + 1e-9) {
            likeness = r;
            best = d;
        }
    }
    return best;
}

int LoopJoin::Make(int tailGot, int leadInGot) {
    m_nOut = m_nOutDone = 0;
    const int f = m_nFade;
    if (f <= 0) return 0;
    const int c = m_nChannels;
    const auto at = [c](int frames) { return static_cast<std::ptrdiff_t>(frames) * c; };
    // Past the song's end silence would have followed, and before its start silence led in.
    tailGot = std::clamp(tailGot, 0, m_nSearch + f);
    std::fill(m_tail.begin() + at(tailGot), m_tail.begin() + at(m_nSearch + f), 0);
    leadInGot = std::clamp(leadInGot, 0, f);
    if (leadInGot < f) {
        std::memmove(m_leadIn.data() + at(f - leadInGot), m_leadIn.data(),
                     sizeof(std::int16_t) * static_cast<std::size_t>(at(leadInGot)));
        std::fill(m_leadIn.begin(), m_leadIn.begin() + at(f - leadInGot), 0);
    }

    // A fade from a quieter tail is mostly the lead-in rising from it: shorter, so that no dip is
    // heard. It always ends where the loop starts.
    const double tailEnergy = Energy(m_tail.data(), f);
    const double leadInEnergy = Energy(m_leadIn.data(), f);
    // After a tail of pure silence (the song ends at the marker) the loop's end meets its start
    // directly: a fade from nothing would only repeat a little of the lead-in, a dip and a jump
    // of phase that a stretcher behind it hears as a new note.
    if (tailEnergy <= 0) return 0;
    int fade = f;
    if (tailEnergy < leadInEnergy)
        fade = std::clamp(static_cast<int>(std::lround(f * std::sqrt(tailEnergy / leadInEnergy))),
                          std::max(1, static_cast<int>(f * kShortestFade)), f);
    double likeness = 0;
    const int offset = BestOffset(fade, likeness);
    const double r = std::clamp(likeness, 0.0, 1.0);  // opposed parts are never chosen

    std::memcpy(m_out.data(), m_tail.data(),
                sizeof(std::int16_t) * static_cast<std::size_t>(at(offset)));
    LikenessCrossfade(m_tail.data() + at(offset), m_leadIn.data() + at(f - fade),
                      m_out.data() + at(offset), fade, c, r);
    m_nOut = offset + fade;
    return m_nOut;
}

int LoopJoin::Emit(std::int16_t* dst, int frames, int& offset) {
    offset = m_nOutDone;
    const int n = std::min(frames, m_nOut - m_nOutDone);
    if (n <= 0) return 0;
    std::memcpy(dst, m_out.data() + static_cast<std::size_t>(m_nOutDone) * m_nChannels,
                sizeof(std::int16_t) * static_cast<std::size_t>(n) * m_nChannels);
    m_nOutDone += n;
    return n;
}

}  // namespace audio::detail
