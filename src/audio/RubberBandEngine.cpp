#include "audio/RubberBandEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio::detail {

namespace {

using RB = RubberBand::RubberBandStretcher;

// The largest block the library is given at once: it is told so, and then never allocates.
constexpr int kBlockFrames = 1024;
// Output kept ready here at most in practice: what a restart at 5 % tempo makes of the audio
// the stretcher held, a few seconds. Beyond it the buffer grows (never on a normal path).
constexpr std::size_t kReadyFrames = 1u << 18;

RB::Options OptionsOf(RubberBandEngine::Kind kind) {
    // The channels together keep the centre in phase. (High pitch consistency is left out: its
    // resampler allocates a new filter whenever the ratio moves, on the producer's thread.)
    const RB::Options common =
        RB::OptionProcessRealTime | RB::OptionChannelsTogether | RB::OptionThreadingNever;
    if (kind == RubberBandEngine::Kind::Finer) return common | RB::OptionEngineFiner;
    // Independent phases come closer to music played slower than the library's lamination
    // (measured against a ground truth); the hits are kept sharp by the HitKeeper. Crisp
    // transients reset the phases wherever the detector fires, which it does on held tones too:
    // they wavered down to a third of their level. Mixed transients reset the highs only.
    return common | RB::OptionEngineFaster | RB::OptionTransientsMixed |
           RB::OptionDetectorCompound | RB::OptionPhaseIndependent;
}

// How long a hit is let through unstretched: the longer window of the finer engine smears more
// of the ring. Measured against music played slower at 50 %, holds of 35, 50, 60, 70, 80, 100 and
// 140 ms kept the finer engine's hits at 0.60, 0.71, 0.76, 0.78, 0.81, 0.85 and 0.78 of their
// sharpness, and the faster one's at 0.85, 0.90, 0.93, 0.92, 0.90, 0.87 and 0.82; both came
// closer to the music itself up to 70 (faster) and 100 ms (finer).
double HoldSecondsOf(RubberBandEngine::Kind kind) {
    return kind == RubberBandEngine::Kind::Finer ? 0.100 : 0.070;
}

}  // namespace

RubberBandEngine::RubberBandEngine(int sampleRate, int channels, Kind kind)
    : m_kind(kind),
      m_stretcher(static_cast<std::size_t>(sampleRate), static_cast<std::size_t>(channels),
                  OptionsOf(kind)),
      m_nChannels(channels),
      m_hitKeeper(sampleRate, channels, HoldSecondsOf(kind)) {
    const auto chans = static_cast<std::size_t>(channels);
    m_planar.assign(kBlockFrames * chans, 0.0f);
    m_retrieved.assign(kBlockFrames * chans, 0.0f);
    m_planes.resize(chans);
    m_retrievedPlanes.resize(chans);
    for (std::size_t c = 0; c < chans; ++c) m_retrievedPlanes[c] = &m_retrieved[c * kBlockFrames];
    m_ready.resize(kReadyFrames * chans);
    m_stretcher.setMaxProcessSize(kBlockFrames);
    Prime(nullptr, 0);
}

double RubberBandEngine::SetTempo(double ratio) {
    m_tempo = ratio;
    ApplyRatios();
    return m_tempo;
}

double RubberBandEngine::SetRate(double ratio) {
    m_rate = ratio;
    ApplyRatios();
    return m_rate;
}

double RubberBandEngine::SetPitchSemitones(double semitones) {
    m_semitones = semitones;
    ApplyRatios();
    return m_semitones;
}

void RubberBandEngine::ApplyRatios() {
    // A faster tape (the rate) shortens the audio and raises its pitch together.
    double timeRatio = 1.0 / (m_tempo * m_rate);
    // At a time ratio of exactly 1 the R3 engine plays a held pure tone 3.5 dB quieter (the
    // library's own tool too); a ten-millionth away it keeps its level, and the output drifts from
    // the input by a third of a millisecond an hour.
    if (m_kind == Kind::Finer && timeRatio == 1.0) timeRatio = 1.0 + 1e-7;
    m_stretcher.setTimeRatio(timeRatio);
    m_stretcher.setPitchScale(m_rate * std::pow(2.0, m_semitones / 12.0));
    m_hitKeeper.SetActive(m_rate == 1.0 && m_semitones == 0.0);
}

void RubberBandEngine::Prime(const float* lead, int frames) {
    m_readyStart = 0;
    m_readyFrames = 0;
    m_expectedOutput = 0;
    m_keptOutput = 0;
    m_retrievedOutput = 0;
    m_hitKeeper.Restart(lead, frames);
    const auto pad = static_cast<int>(m_stretcher.getPreferredStartPad());
    // Where there is a lead, as much again of it goes in before the pad, and its output is
    // dropped too: at raised pitches what comes out after the start delay the library states
    // still begins with what it made of the silence it started from (an octave up with the
    // finer engine, some tens of milliseconds of it); with the longer lead it is the lead's.
    const int extra = std::clamp(std::max(frames, 0) - pad, 0, pad);
    m_dropFrames = m_stretcher.getStartDelay() +
                   static_cast<std::size_t>(std::lround(extra / InputPerOutput()));
    // The pad's frame i is the lead's frame (frames - pad + i), silence before the lead begins.
    const int fed = pad + extra;
    const int silent = std::max(0, fed - std::max(frames, 0));
    ProcessSilence(silent);
    if (fed > silent)
        ProcessInterleaved(lead + static_cast<std::size_t>(frames - (fed - silent)) * m_nChannels,
                           fed - silent);
    m_requiredAfterPrime = m_stretcher.getSamplesRequired();
}

void RubberBandEngine::ClearAfter(const float* lead, int frames) {
    m_stretcher.reset();
    ApplyRatios();
    Prime(lead, frames);
}

void RubberBandEngine::Process(const float* samples, int frames) {
    m_hitKeeper.Feed(samples, frames, m_expectedOutput, 1.0 / InputPerOutput());
    m_expectedOutput += frames / InputPerOutput();
    ProcessInterleaved(samples, frames);
}

void RubberBandEngine::ProcessInterleaved(const float* samples, int frames) {
    for (int done = 0; done < frames; done += kBlockFrames)
        ProcessBlock(samples + static_cast<std::size_t>(done) * m_nChannels,
                     std::min(kBlockFrames, frames - done));
}

void RubberBandEngine::ProcessSilence(int frames) {
    std::fill(m_planar.begin(), m_planar.end(), 0.0f);
    for (std::size_t c = 0; c < m_planes.size(); ++c) m_planes[c] = &m_planar[c * kBlockFrames];
    for (int done = 0; done < frames; done += kBlockFrames) {
        m_stretcher.process(m_planes.data(), std::min(kBlockFrames, frames - done), false);
        TakeOutput();
    }
}

void RubberBandEngine::Flush() {
    // The library keeps its start-up delay's worth of the end inside, even when told the input
    // is over: silence pushes it out, and what comes out beyond the end is cut off.
    constexpr int kMaxSilentBlocks = 64;
    for (int block = 0; block < kMaxSilentBlocks && double(m_keptOutput) < m_expectedOutput;
         ++block)
        ProcessSilence(kBlockFrames);
    const auto expected = static_cast<std::size_t>(std::lround(m_expectedOutput));
    if (m_keptOutput > expected) {
        const std::size_t excess = std::min(m_keptOutput - expected, m_readyFrames);
        m_readyFrames -= excess;
        m_keptOutput -= excess;
    }
    // Nothing more comes: the library's own tail is silence past the end, not wanted.
    m_expectedOutput = double(m_keptOutput);
    m_hitKeeper.Finish();
}

void RubberBandEngine::ProcessBlock(const float* interleaved, int frames) {
    for (int c = 0; c < m_nChannels; ++c) {
        float* plane = &m_planar[static_cast<std::size_t>(c) * kBlockFrames];
        for (int i = 0; i < frames; ++i) plane[i] = interleaved[i * m_nChannels + c];
        m_planes[static_cast<std::size_t>(c)] = plane;
    }
    m_stretcher.process(m_planes.data(), static_cast<std::size_t>(frames), false);
    TakeOutput();
}

void RubberBandEngine::TakeOutput() {
    const auto chans = static_cast<std::size_t>(m_nChannels);
    for (int ready = m_stretcher.available(); ready > 0; ready = m_stretcher.available()) {
        const std::size_t got = m_stretcher.retrieve(
            m_retrievedPlanes.data(),
            std::min<std::size_t>(static_cast<std::size_t>(ready), kBlockFrames));
        if (got == 0) break;
        std::size_t from = 0;
        if (m_dropFrames > 0) {
            from = std::min(got, m_dropFrames);
            m_dropFrames -= from;
        }
        const std::size_t keep = got - from;
        if (keep == 0) continue;
        // Room at the end: move what is ready to the front first, grow only when that is not
        // enough.
        if ((m_readyStart + m_readyFrames + keep) * chans > m_ready.size()) {
            std::memmove(m_ready.data(), m_ready.data() + m_readyStart * chans,
                         m_readyFrames * chans * sizeof(float));
            m_readyStart = 0;
            if ((m_readyFrames + keep) * chans > m_ready.size())
                m_ready.resize((m_readyFrames + keep) * chans * 2);
        }
        float* dst = m_ready.data() + (m_readyStart + m_readyFrames) * chans;
        for (std::size_t i = 0; i < keep; ++i)
            for (std::size_t c = 0; c < chans; ++c)
                dst[i * chans + c] = m_retrieved[c * kBlockFrames + from + i];
        m_readyFrames += keep;
        m_keptOutput += keep;
    }
}

int RubberBandEngine::Available() const {
    // What is ready, but for output a hit not yet decided may still change.
    const long releasable = m_hitKeeper.ReleasableBefore() - static_cast<long>(m_retrievedOutput);
    return static_cast<int>(
        std::min<long>(static_cast<long>(m_readyFrames), std::max(releasable, 0L)));
}

int RubberBandEngine::Retrieve(float* dst, int frames) {
    const auto n = static_cast<std::size_t>(std::min(Available(), std::max(frames, 0)));
    const auto chans = static_cast<std::size_t>(m_nChannels);
    std::memcpy(dst, m_ready.data() + m_readyStart * chans, n * chans * sizeof(float));
    m_hitKeeper.Apply(dst, static_cast<int>(n), m_retrievedOutput);
    m_retrievedOutput += n;
    m_readyStart += n;
    m_readyFrames -= n;
    if (m_readyFrames == 0) m_readyStart = 0;
    return static_cast<int>(n);
}

int RubberBandEngine::LatencyFrames() const {
    // What the library asks for once primed, then its start-up delay (output frames, at the
    // pitch it resamples by) in the input frames that stand for it.
    const double delay = static_cast<double>(m_stretcher.getStartDelay()) * InputPerOutput() *
                         m_stretcher.getPitchScale();
    return static_cast<int>(m_requiredAfterPrime + std::lround(delay));
}

}  // namespace audio::detail
