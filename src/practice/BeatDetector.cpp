#include "practice/BeatDetector.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>

namespace {

// The tracker's window and hop, as aubio's own tempo tool uses them at 44.1 kHz.
constexpr uint_t kWindow = 1024;
constexpr uint_t kHop = 512;
// Too few beats, beats off a steady grid, or a tracker unsure of what it follows (it marks beats
// in noise too, with a confidence near 0), are no steady beat.
constexpr std::size_t kFewestBeats = 8;
constexpr std::size_t kWarmUpBeats = 4;
constexpr double kLeastConfidence = 0.3;
constexpr double kMostOffset = 0.08;  // of a period
constexpr double kMostOnGrid = 0.85;  // of the intervals, whole periods long
constexpr int kMostParts = 6;         // periods in the shortest interval
// Tempos outside this range are folded into it by doubling or halving.
constexpr double kSlowest = 40, kFastest = 250;

}  // namespace

// The tracker, the samples waiting for it (one hop at a time) and its answer for each hop.
struct BeatDetector::Tracker {
    explicit Tracker(int sampleRate)
        : tempo(new_aubio_tempo("default", kWindow, kHop, static_cast<uint_t>(sampleRate))),
          hop(new_fvec(kHop)),
          marked(new_fvec(1)) {}
    ~Tracker() {
        if (tempo) del_aubio_tempo(tempo);
        if (hop) del_fvec(hop);
        if (marked) del_fvec(marked);
    }
    Tracker(const Tracker&) = delete;
    Tracker& operator=(const Tracker&) = delete;

    aubio_tempo_t* tempo;
    fvec_t* hop;
    fvec_t* marked;
    std::size_t filled = 0;
};

BeatDetector::BeatDetector(int sampleRate) : m_tracker(std::make_unique<Tracker>(sampleRate)) {}

BeatDetector::~BeatDetector() = default;

void BeatDetector::Feed(const float* samples, std::size_t count) {
    Tracker& t = *m_tracker;
    if (!t.tempo || !t.hop || !t.marked) return;
    while (count > 0) {
        const std::size_t taken = std::min<std::size_t>(count, kHop - t.filled);
        std::copy(samples, samples + taken, t.hop->data + t.filled);
        t.filled += taken;
        samples += taken;
        count -= taken;
        if (t.filled < kHop) continue;
        t.filled = 0;
        aubio_tempo_do(t.tempo, t.hop, t.marked);
        if (t.marked->data[0] != 0) {
            m_beats.push_back(aubio_tempo_get_last_s(t.tempo));
            m_confidences.push_back(aubio_tempo_get_confidence(t.tempo));
        }
    }
}

double BeatDetector::Confidence() const {
    if (m_confidences.empty()) return 0;
    std::vector<double> sorted = m_confidences;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                     sorted.end());
    return sorted[sorted.size() / 2];
}

std::optional<double> BeatDetector::Bpm() const {
    // The tracker's first beats come before it has locked on.
    const std::size_t first = m_beats.size() > 2 * kFewestBeats ? kWarmUpBeats : 0;
    const std::vector<double> beats(m_beats.begin() + static_cast<std::ptrdiff_t>(first),
                                    m_beats.end());
    if (beats.size() < kFewestBeats || Confidence() < kLeastConfidence) return std::nullopt;
    std::vector<double> intervals;
    for (std::size_t i = 1; i < beats.size(); ++i) intervals.push_back(beats[i] - beats[i - 1]);
    // The tracker misses beats, sometimes most of them, and may slip by half a beat: the period
    // is the longest one of which most intervals are whole multiples (any shorter one, a half or
    // a third of it, explains them as well).
    const auto onGrid = [](double interval, double period) {
        const double count = std::round(interval / period);
        return count >= 1 && std::abs(interval - count * period) <= kMostOffset * period;
    };
    double period = 0;
    for (double interval : intervals)
        for (int part = 1; part <= kMostParts; ++part) {
            const double candidate = interval / part;
            if (candidate <= period || candidate < 60 / kFastest || candidate > 60 / kSlowest)
                continue;
            const auto fitting = std::count_if(intervals.begin(), intervals.end(),
                                               [&](double other) { return onGrid(other, candidate); });
            if (static_cast<double>(fitting) >= kMostOnGrid * static_cast<double>(intervals.size()))
                period = candidate;
        }
    if (period <= 0) return std::nullopt;
    // Finer than one hop: a straight line through the longest run of beats that stay on the
    // grid, each numbered by the periods since the run's first.
    std::size_t bestFirst = 0, bestLast = 0;
    for (std::size_t runFirst = 0, i = 1; i <= beats.size(); ++i) {
        if (i < beats.size() && onGrid(beats[i] - beats[i - 1], period)) continue;
        if (i - 1 - runFirst > bestLast - bestFirst) {
            bestFirst = runFirst;
            bestLast = i - 1;
        }
        runFirst = i;
    }
    if (bestLast - bestFirst + 1 < kFewestBeats) return std::nullopt;
    double n = 0, sumN = 0, sumT = 0, sumNN = 0, sumNT = 0;
    const std::size_t count = bestLast - bestFirst + 1;
    for (std::size_t i = bestFirst; i <= bestLast; ++i) {
        if (i > bestFirst) n += std::round((beats[i] - beats[i - 1]) / period);
        const double t = beats[i] - beats[bestFirst];
        sumN += n;
        sumT += t;
        sumNN += n * n;
        sumNT += n * t;
    }
    const double k = static_cast<double>(count);
    period = (k * sumNT - sumN * sumT) / (k * sumNN - sumN * sumN);
    double bpm = 60.0 / period;
    while (bpm < kSlowest) bpm *= 2;
    while (bpm > kFastest) bpm /= 2;
    return bpm;
}
