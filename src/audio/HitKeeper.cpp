#include "audio/HitKeeper.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace audio::detail {

namespace {

// A hit: a block's slope energy (which high frequencies dominate) jumps this many times above
// the mean of the blocks before it, and its energy rises too. A note swelling in, or a bass
// note, raises the energy far more than the slope.
constexpr double kSlopeRise = 6.0;
constexpr double kEnergyRise = 1.3;
// Blocks quieter than this (mean square, about -60 dBFS) start no hit.
constexpr double kFloor = 1e-6;
// Where the fades fall, the input's power must be below this share of the hit's attack's.
constexpr double kBelowAttack = 0.6;
// A hit's way through, in the output's time: the fade to the input, the pre-roll before the
// onset (the engines smear a hit up to about 12 ms ahead of its time), the hold from the onset
// (the engine's choice) and the fade back to the engine's output. Pre-rolls of 10 to 40 ms
// mattered little against music played slower.
constexpr double kFadeInSeconds = 0.005;
constexpr double kPreSeconds = 0.015;
constexpr double kFadeOutSeconds = 0.010;

int Frames(int sampleRate, double seconds) {
    return std::max(1, static_cast<int>(std::lround(sampleRate * seconds)));
}

std::size_t RingFramesFor(int sampleRate) {
    // Enough for the hold and fades, and for an engine that has taken far more input than it has
    // given back (a fast tempo with a long window).
    std::size_t frames = 1;
    while (frames < static_cast<std::size_t>(sampleRate) * 3 / 2) frames *= 2;
    return frames;
}

// Half a raised cosine from 0 to 1 over `length` frames, at frame `at`.
float Rise(int at, int length) {
    return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * (at + 0.5) / length));
}

}  // namespace

HitKeeper::HitKeeper(int sampleRate, int channels, double holdSeconds)
    : m_nChannels(channels),
      m_blockFrames(Frames(sampleRate, 0.003)),
      m_fadeInFrames(Frames(sampleRate, kFadeInSeconds)),
      m_preFrames(Frames(sampleRate, kPreSeconds)),
      m_holdFrames(Frames(sampleRate, holdSeconds)),
      m_fadeOutFrames(Frames(sampleRate, kFadeOutSeconds)),
      m_ringFrames(RingFramesFor(sampleRate)) {
    m_ring.assign(static_cast<std::size_t>(m_ringFrames) * channels, 0.0f);
}

void HitKeeper::Restart(const float* lead, int frames) {
    m_fedFrames = 0;
    m_blockEnergy = m_blockSlope = 0;
    m_blockFill = 0;
    m_lastSample = 0;
    m_energyHistory.fill(0);
    m_slopeHistory.fill(0);
    m_historyAt = 0;
    m_quietUntil = 0;
    m_firstHit = m_hitCount = m_hitsFound = 0;
    m_started = false;
    if (!lead) frames = 0;
    // The lead's end is kept for a hit at the very start to fade in from, and its last blocks
    // tell the detector how loud the song was before it.
    m_leadFrames = std::min<long>(frames, m_preFrames + m_fadeInFrames);
    if (m_leadFrames > 0) {
        const float* kept = lead + (frames - m_leadFrames) * m_nChannels;
        std::copy(kept, kept + m_leadFrames * m_nChannels, m_ring.begin());
    }
    m_recording = false;
    const int heard = std::min(frames, kHistoryBlocks * m_blockFrames);
    if (heard > 0) Feed(lead + static_cast<std::size_t>(frames - heard) * m_nChannels, heard, 0, 0);
    m_blockEnergy = m_blockSlope = 0;
    m_blockFill = 0;
    m_fedFrames = 0;
    m_recording = true;
}

void HitKeeper::Feed(const float* samples, int frames, double outputAt, double outputPerInput) {
    const long firstFrame = m_fedFrames;
    for (int i = 0; i < frames; ++i) {
        const float* frame = samples + static_cast<std::size_t>(i) * m_nChannels;
        if (m_recording)
            std::copy(frame, frame + m_nChannels,
                      &m_ring[((m_leadFrames + m_fedFrames) % m_ringFrames) * m_nChannels]);
        if (m_blockFill == 0) {
            m_blockOutputAt = outputAt + double(m_fedFrames - firstFrame) * outputPerInput;
            m_outputPerInput = outputPerInput;
        }
        float mono = 0;
        for (int c = 0; c < m_nChannels; ++c) mono += frame[c];
        mono /= static_cast<float>(m_nChannels);
        m_blockEnergy += double(mono) * mono;
        m_blockSlope += double(mono - m_lastSample) * (mono - m_lastSample);
        m_lastSample = mono;
        ++m_fedFrames;
        if (++m_blockFill == m_blockFrames) EndBlock();
    }
    for (int i = 0; i < m_hitCount; ++i) {
        Hit& hit = m_hits[(m_firstHit + i) % kMaxHits];
        if (!hit.decided && m_fedFrames >= hit.input + m_holdFrames + m_fadeOutFrames)
            Decide(hit, m_holdFrames);
    }
}

void HitKeeper::Decide(Hit& hit, long hold) const {
    hit.end = hit.output + hold + m_fadeOutFrames;
    if (hold < m_fadeOutFrames || !StandsOut(hit, hold)) hit.end = hit.begin;
    hit.decided = true;
}

void HitKeeper::Finish() {
    for (int i = 0; i < m_hitCount; ++i) {
        Hit& hit = m_hits[(m_firstHit + i) % kMaxHits];
        if (!hit.decided)
            Decide(hit,
                   std::clamp<long>(m_fedFrames - hit.input - m_fadeOutFrames, 0, m_holdFrames));
    }
}

long HitKeeper::ReleasableBefore() const {
    for (int i = 0; i < m_hitCount; ++i) {
        const Hit& hit = m_hits[(m_firstHit + i) % kMaxHits];
        if (!hit.decided) return hit.begin;
    }
    return std::numeric_limits<long>::max();
}

void HitKeeper::EndBlock() {
    const long blockStart = m_fedFrames - m_blockFrames;
    double energyBefore = 0, slopeBefore = 0;
    for (int b = 0; b < kHistoryBlocks; ++b) {
        energyBefore += m_energyHistory[b];
        slopeBefore += m_slopeHistory[b];
    }
    energyBefore /= kHistoryBlocks;
    slopeBefore /= kHistoryBlocks;
    const bool hit = m_recording && m_active && blockStart >= m_quietUntil &&
                     m_blockEnergy > kFloor * m_blockFrames &&
                     m_blockEnergy > kEnergyRise * energyBefore &&
                     m_blockSlope > kSlopeRise * slopeBefore;
    if (hit && m_hitCount < kMaxHits) {
        const long onset = OnsetIn(blockStart, slopeBefore);
        const double output = m_blockOutputAt + double(onset - blockStart) * m_outputPerInput;
        const long at = std::lround(output);
        m_hits[(m_firstHit + m_hitCount) % kMaxHits] = {
            onset, at, at - m_preFrames - m_fadeInFrames, 0, false};
        ++m_hitCount;
        ++m_hitsFound;
        // The next hit starts once this one has faded out, in the output's time.
        const double outputFrames = m_holdFrames + m_fadeOutFrames + m_preFrames + m_fadeInFrames;
        m_quietUntil = blockStart + std::lround(outputFrames / std::max(m_outputPerInput, 0.05));
    }
    m_energyHistory[m_historyAt] = m_blockEnergy;
    m_slopeHistory[m_historyAt] = m_blockSlope;
    m_historyAt = (m_historyAt + 1) % kHistoryBlocks;
    m_blockEnergy = m_blockSlope = 0;
    m_blockFill = 0;
}

long HitKeeper::OnsetIn(long blockStart, double slopeBefore) const {
    // The first frame whose slope stands well out of what the blocks before had.
    const double threshold = 3.0 * std::sqrt(slopeBefore / m_blockFrames) + 1e-4;
    auto mono = [&](long input) {
        const float* frame = InputFrame(input);
        float sum = 0;
        for (int c = 0; frame && c < m_nChannels; ++c) sum += frame[c];
        return sum / static_cast<float>(m_nChannels);
    };
    float last = mono(blockStart - 1);
    for (long i = blockStart; i < blockStart + m_blockFrames; ++i) {
        const float now = mono(i);
        if (std::fabs(now - last) > threshold) return i;
        last = now;
    }
    return blockStart;
}

const float* HitKeeper::InputFrame(long input) const {
    if (input < -m_leadFrames || input >= m_fedFrames || m_fedFrames - input > m_ringFrames)
        return nullptr;
    return &m_ring[((m_leadFrames + input) % m_ringFrames) * m_nChannels];
}

double HitKeeper::InputPower(long from, long frames) const {
    double sum = 0;
    for (long i = from; i < from + frames; ++i) {
        const float* frame = InputFrame(i);
        for (int c = 0; frame && c < m_nChannels; ++c) sum += double(frame[c]) * frame[c];
    }
    return sum / double(frames);
}

bool HitKeeper::StandsOut(const Hit& hit, long hold) const {
    // The fades mix the input with the engine's output, which holds the same notes at other
    // phases: a held note under both would dip. A hit has died away by the time it fades out
    // and the note under it is far quieter than its attack; a note starting from silence is not
    // let through.
    const double attack = InputPower(hit.input, m_fadeOutFrames);
    const long fadeIn = hit.input - (hit.output - hit.begin);
    return InputPower(fadeIn, m_fadeInFrames) < kBelowAttack * attack &&
           InputPower(hit.input + hold, m_fadeOutFrames) < kBelowAttack * attack;
}

void HitKeeper::Apply(float* output, int frames, std::size_t outputAt) {
    const long from = static_cast<long>(outputAt), to = from + frames;
    while (m_hitCount > 0) {
        Hit& hit = m_hits[m_firstHit];
        if (hit.begin >= to || !hit.decided) return;
        // A hit found only once its fade should have begun is not let through at all.
        if (hit.begin < from && hit.end > hit.begin && !m_started) hit.end = hit.begin;
        m_started = true;
        ApplyHit(hit, output, std::max(from, hit.begin), std::min(to, hit.end), from);
        if (hit.end > to) return;
        m_firstHit = (m_firstHit + 1) % kMaxHits;
        --m_hitCount;
        m_started = false;
    }
}

void HitKeeper::ApplyHit(const Hit& hit, float* output, long from, long to, long outputAt) const {
    const long fadeOut = hit.end - m_fadeOutFrames;
    for (long o = from; o < to; ++o) {
        const float* in = InputFrame(hit.input + (o - hit.output));
        if (!in) continue;
        const float gain = o < hit.begin + m_fadeInFrames ? Rise(int(o - hit.begin), m_fadeInFrames)
                           : o < fadeOut                  ? 1.0f
                                         : 1.0f - Rise(int(o - fadeOut), m_fadeOutFrames);
        float* out = output + (o - outputAt) * m_nChannels;
        for (int c = 0; c < m_nChannels; ++c) out[c] += gain * (in[c] - out[c]);
    }
}

}  // namespace audio::detail
