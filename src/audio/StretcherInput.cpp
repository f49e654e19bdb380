#include "audio/StretcherInput.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio::detail {

namespace {
// What the record holds at most in practice (the engine's window and a feed, at the slowest
// tempo) is well under a second; reserving two at 48 kHz keeps the producer from growing it.
constexpr std::size_t kReservedFrames = 2 * 48000;
}  // namespace

StretcherInput::StretcherInput(StretchEngine& engine, int channels)
    : m_engine(&engine), m_nChannels(channels) {
    m_samples.reserve(kReservedFrames * static_cast<std::size_t>(std::max(channels, 1)));
    m_fadeOut.resize(kMaxFadeFrames * static_cast<std::size_t>(std::max(channels, 1)));
    m_head.resize(kMaxHeadFrames * static_cast<std::size_t>(std::max(channels, 1)));
}

void StretcherInput::Clear() {
    m_engine->Clear();
    m_ranges.clear();
    m_erased = EndFrame();
    m_samples.clear();
    m_sampleStart = 0;
    m_consumed = 0;
    ++m_generation;
    m_holdFrom = UINT64_MAX;
    DropFade();
}

void StretcherInput::Put(std::uint64_t srcStart, const std::int16_t* samples, int frames) {
    if (frames <= 0) return;
    if (!m_ranges.empty() && m_ranges.back().srcStart + m_ranges.back().frames == srcStart)
        m_ranges.back().frames += static_cast<std::uint64_t>(frames);
    else
        m_ranges.push_back(Range{srcStart, static_cast<std::uint64_t>(frames)});
    // Reclaim the dropped front before growing (it is small: what came out since last time),
    // keeping the lead a restart primes the engine with, and what a handover still needs.
    const std::size_t lead = kLeadFrames * Chans();
    if (m_sampleStart > lead && m_sampleStart >= m_samples.size() / 2) {
        std::size_t drop = (m_sampleStart - lead) / Chans();
        if (m_holdFrom != UINT64_MAX)
            drop = std::min<std::size_t>(drop, m_holdFrom > m_erased ? m_holdFrom - m_erased : 0);
        m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(drop * Chans()));
        m_sampleStart -= drop * Chans();
        m_erased += drop;
    }
    const std::size_t count = static_cast<std::size_t>(frames) * m_nChannels;
    const std::size_t at = m_samples.size();
    m_samples.resize(at + count);
    for (std::size_t i = 0; i < count; ++i) m_samples[at + i] = samples[i] * (1.0f / 32768.0f);
    m_engine->Process(m_samples.data() + at, frames);
}

int StretcherInput::Retrieve(float* dst, int frames) {
    int got = std::clamp(m_nHead - m_nHeadDone, 0, std::max(frames, 0));
    std::copy_n(m_head.data() + static_cast<std::size_t>(m_nHeadDone) * Chans(),
                static_cast<std::size_t>(got) * Chans(), dst);
    m_nHeadDone += got;
    got += m_engine->Retrieve(dst + static_cast<std::size_t>(got) * Chans(), frames - got);
    if (m_nFadeDone < m_nFade) MixFade(dst, got);
    Consume(got * m_engine->InputPerOutput());
    return got;
}

void StretcherInput::BeginFade(const float* fadeOut, int fadeFrames, const float* head,
                               int headFrames) {
    m_nFade = std::clamp(fadeFrames, 0, kMaxFadeFrames);
    m_nHead = std::clamp(headFrames, 0, kMaxHeadFrames);
    m_nFadeDone = m_nHeadDone = 0;
    std::copy_n(fadeOut, static_cast<std::size_t>(m_nFade) * Chans(), m_fadeOut.data());
    std::copy_n(head, static_cast<std::size_t>(m_nHead) * Chans(), m_head.data());
}

void StretcherInput::MixFade(float* dst, int frames) {
    // Raised-cosine gains that sum to one: the two engines' output for the same input is alike,
    // so it adds in amplitude.
    const int n = std::min(frames, m_nFade - m_nFadeDone);
    for (int i = 0; i < n; ++i, ++m_nFadeDone) {
        const float in = 0.5f - 0.5f * std::cos(static_cast<float>(std::numbers::pi) *
                                                (static_cast<float>(m_nFadeDone) + 0.5f) /
                                                static_cast<float>(m_nFade));
        for (std::size_t c = 0; c < Chans(); ++c) {
            float& sample = dst[static_cast<std::size_t>(i) * Chans() + c];
            sample = in * sample +
                     (1.0f - in) * m_fadeOut[static_cast<std::size_t>(m_nFadeDone) * Chans() + c];
        }
    }
}

StretcherInput::Snapshot StretcherInput::TakeSnapshot() const {
    Snapshot snapshot;
    snapshot.generation = m_generation;
    snapshot.start = HeadFrame();
    const std::size_t lead = std::min(m_sampleStart, kLeadFrames * Chans());
    snapshot.leadFrames = static_cast<int>(lead / Chans());
    snapshot.samples.assign(m_samples.begin() + static_cast<long>(m_sampleStart - lead),
                            m_samples.end());
    return snapshot;
}

int StretcherInput::ExtendSnapshot(Snapshot& snapshot, int minFrames) const {
    const std::uint64_t from = snapshot.End(m_nChannels);
    if (snapshot.generation != m_generation || from < FirstFrame() || from >= EndFrame() ||
        EndFrame() - from < static_cast<std::uint64_t>(std::max(minFrames, 1)))
        return 0;
    const float* first = Samples(from);
    snapshot.samples.insert(snapshot.samples.end(), first, m_samples.data() + m_samples.size());
    return static_cast<int>(EndFrame() - from);
}

void StretcherInput::Restart() {
    DropFade();  // made of the same audio as what the engine makes again
    // What came out last leads the engine in, so that it goes on at full level.
    const std::size_t lead = std::min(m_sampleStart, kLeadFrames * m_nChannels);
    m_engine->ClearAfter(m_samples.data() + m_sampleStart - lead,
                         static_cast<int>(lead / m_nChannels));
    m_engine->Process(m_samples.data() + m_sampleStart,
                      static_cast<int>((m_samples.size() - m_sampleStart) / m_nChannels));
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
    return head.srcStart +
           std::min<std::uint64_t>(head.frames, static_cast<std::uint64_t>(m_consumed));
}

double StretcherInput::Unconsumed() const {
    double total = -m_consumed;
    for (const Range& r : m_ranges) total += static_cast<double>(r.frames);
    return std::max(0.0, total);
}

std::uint64_t StretcherInput::KeepUntil(std::uint64_t frame, bool& found) {
    found = false;
    std::uint64_t kept = 0;  // frames kept from the front range's start
    std::size_t range = 0;
    for (; range < m_ranges.size(); ++range) {
        const Range& r = m_ranges[range];
        // In the front range only what has not come out counts.
        const std::uint64_t from = range == 0 ? Position() : r.srcStart;
        if (frame >= from && frame < r.srcStart + r.frames) {
            kept += frame - r.srcStart;
            found = true;
            break;
        }
        kept += r.frames;
    }
    const std::uint64_t cut = found ? frame : Position();
    if (!found) kept = m_ranges.empty() ? 0 : Position() - m_ranges.front().srcStart;
    // Drop the ranges after the cut and shorten the one it falls in.
    std::uint64_t left = kept;
    std::size_t keepRanges = 0;
    for (; keepRanges < m_ranges.size() && left > 0; ++keepRanges) {
        Range& r = m_ranges[keepRanges];
        r.frames = std::min(r.frames, left);
        left -= r.frames;
    }
    m_ranges.resize(keepRanges);
    m_samples.resize(m_sampleStart + static_cast<std::size_t>(kept) * m_nChannels);
    if (m_ranges.empty()) m_consumed = 0;
    ++m_generation;
    m_holdFrom = UINT64_MAX;
    DropFade();
    return cut;
}

}  // namespace audio::detail
