#include "audio/EngineHandover.h"

#include <algorithm>
#include <cmath>

namespace audio::detail {

namespace {
constexpr int kFadeMs = 5;
// Either way of where the positions say the spare's output meets the old engine's, its samples
// are searched for where they match best: a period of 200 Hz, and about what Rubber Band's
// placement of the audio moves by with a change of a few semitones.
constexpr double kSearchMs = 5;
constexpr int kScratchFrames = 1024;

// The offset into `head` (up to `range`) whose next `frames` frames are most like `target`.
int BestOffset(const float* target, const float* head, int frames, int range, int channels) {
    int best = range / 2;
    double bestScore = -1e30;
    const auto n = static_cast<std::size_t>(frames) * channels;
    for (int k = 0; k <= range; ++k) {
        const float* h = head + static_cast<std::size_t>(k) * channels;
        double dot = 0, energy = 1e-9;
        for (std::size_t i = 0; i < n; ++i) {
            dot += double(target[i]) * h[i];
            energy += double(h[i]) * h[i];
        }
        if (const double score = dot / std::sqrt(energy); score > bestScore) {
            bestScore = score;
            best = k;
        }
    }
    return best;
}
}  // namespace

EngineHandover::EngineHandover(int sampleRate, int channels)
    : m_nChannels(std::max(channels, 1)),
      m_nFadeFrames(std::min(sampleRate * kFadeMs / 1000, StretcherInput::kMaxFadeFrames)),
      m_nSearch(std::min(static_cast<int>(sampleRate * kSearchMs / 1000),
                         (StretcherInput::kMaxHeadFrames - m_nFadeFrames) / 2)) {
    m_scratch.resize(static_cast<std::size_t>(kScratchFrames) * m_nChannels);
    m_fadeOut.resize(static_cast<std::size_t>(m_nFadeFrames) * m_nChannels);
    m_head.resize(static_cast<std::size_t>(m_nFadeFrames + 2 * m_nSearch) * m_nChannels);
}

std::unique_ptr<StretchEngine> EngineHandover::TakeSpare(DWORD kind, StretcherInput& input) {
    if (!m_spare || m_spare->StretcherId() != kind) return nullptr;
    if (m_pending) input.HoldFrom(UINT64_MAX);
    m_pending = false;
    return std::move(m_spare);
}

void EngineHandover::Prepare(StretchEngine& spare, const StretcherInput::Snapshot& snapshot,
                             int channels) {
    const std::size_t lead = static_cast<std::size_t>(snapshot.leadFrames) * channels;
    spare.ClearAfter(snapshot.samples.data(), snapshot.leadFrames);
    spare.Process(snapshot.samples.data() + lead,
                  static_cast<int>((snapshot.samples.size() - lead) / channels));
}

std::unique_ptr<StretchEngine> EngineHandover::Begin(std::unique_ptr<StretchEngine> spare,
                                                     const StretcherInput::Snapshot& snapshot,
                                                     StretcherInput& input) {
    std::unique_ptr<StretchEngine> previous = std::move(m_spare);
    m_spare = std::move(spare);
    m_pending = true;
    m_generation = snapshot.generation;
    m_start = snapshot.start;
    m_fed = snapshot.End(m_nChannels);
    m_dropped = 0;
    m_nWaits = 0;
    m_bStarved = false;
    input.HoldFrom(m_fed);
    return previous;
}

bool EngineHandover::Advance(StretcherInput& input, std::unique_ptr<StretchEngine>& current) {
    if (!m_pending) return false;
    // The record it was fed from is gone (a handover that lasted as long as the lead).
    if (input.Generation() != m_generation || m_fed < input.FirstFrame()) {
        m_pending = false;
        input.HoldFrom(UINT64_MAX);
        return false;
    }
    StretchEngine& spare = *m_spare;
    const double consumed = input.ConsumedFrame();
    // Enough for the spare to have output for what comes out next, and a block more; no more
    // than a block more than last time while it is ahead of that.
    const double keepUp = consumed + spare.LatencyFrames() + kFeedFrames;
    const std::uint64_t to =
        std::min(input.EndFrame(),
                 std::max(m_fed + kFeedFrames, static_cast<std::uint64_t>(std::max(keepUp, 0.0))));
    if (to > m_fed) {
        spare.Process(input.Samples(m_fed), static_cast<int>(to - m_fed));
        m_fed = to;
        input.HoldFrom(m_fed);
    }
    // What the spare made of audio already heard is dropped, but for the search's range.
    const double behind = consumed - static_cast<double>(m_start);
    const auto meet =
        behind > 0 ? static_cast<std::uint64_t>(std::llround(behind / spare.InputPerOutput())) : 0;
    const std::uint64_t dropTo = meet - std::min<std::uint64_t>(meet, m_nSearch);
    while (m_dropped < dropTo && spare.Available() > 0) {
        const auto want = std::min<std::uint64_t>(dropTo - m_dropped, kScratchFrames);
        const int got = spare.Retrieve(m_scratch.data(), static_cast<int>(want));
        if (got <= 0) break;
        m_dropped += static_cast<std::uint64_t>(got);
    }
    if (m_dropped < dropTo || spare.Available() < m_nFadeFrames + 2 * m_nSearch) {
        m_bStarved = m_fed >= input.EndFrame();  // it has had the whole record
        return false;
    }
    m_bStarved = false;
    // The fade needs the old engine's output for the same frames: with too little of it ready,
    // a pass or two more lets the stream feed it.
    if (current->Available() < m_nFadeFrames && ++m_nWaits <= kMaxWaits) return false;
    if (input.Fading()) return false;  // the last handover's fade is still coming out
    SwapIn(input, current);
    return true;
}

bool EngineHandover::Settle(StretcherInput& input, std::unique_ptr<StretchEngine>& current) {
    if (!m_pending) return false;
    Swap(input, current);
    return true;
}

void EngineHandover::SwapIn(StretcherInput& input, std::unique_ptr<StretchEngine>& current) {
    // The old engine's next output fades out under the spare's, from where the two match best.
    const int fade = current->Retrieve(m_fadeOut.data(), m_nFadeFrames);
    const int head = m_spare->Retrieve(m_head.data(), m_nFadeFrames + 2 * m_nSearch);
    const int offset = fade > 0 ? BestOffset(m_fadeOut.data(), m_head.data(), fade,
                                             std::max(head - fade, 0), m_nChannels)
                                : std::min(m_nSearch, head);
    input.BeginFade(m_fadeOut.data(), fade,
                    m_head.data() + static_cast<std::size_t>(offset) * m_nChannels, head - offset);
    Swap(input, current);
}

void EngineHandover::Swap(StretcherInput& input, std::unique_ptr<StretchEngine>& current) {
    std::swap(current, m_spare);
    input.UseEngine(*current);
    input.HoldFrom(UINT64_MAX);
    m_pending = false;
}

}  // namespace audio::detail
