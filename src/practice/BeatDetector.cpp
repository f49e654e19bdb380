#include "practice/BeatDetector.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>

namespace {

// The tracker's window and hop, as aubio's own tempo tool uses them at 44.1 kHz.
constexpr uint_t kWindow = 1024;
constexpr uint_t kHop = 512;
// Too few beats, or beats too irregular, are no steady beat.
constexpr std::size_t kFewestBeats = 8;
constexpr double kMostSpread = 0.08;  // of the typical interval, between its quartiles
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
        if (t.marked->data[0] != 0) m_beats.push_back(aubio_tempo_get_last_s(t.tempo));
    }
}

std::optional<double> BeatDetector::Bpm() const {
    if (m_beats.size() < kFewestBeats) return std::nullopt;
    std::vector<double> intervals;
    for (std::size_t i = 1; i < m_beats.size(); ++i) intervals.push_back(m_beats[i] - m_beats[i - 1]);
    std::sort(intervals.begin(), intervals.end());
    const double median = intervals[intervals.size() / 2];
    const double spread = intervals[intervals.size() * 3 / 4] - intervals[intervals.size() / 4];
    if (median <= 0 || spread > kMostSpread * median) return std::nullopt;
    // The mean of the intervals near the median: finer than one hop, robust to a missed beat.
    double sum = 0;
    int near = 0;
    for (double interval : intervals)
        if (std::abs(interval - median) <= kMostSpread * median) {
            sum += interval;
            ++near;
        }
    double bpm = 60.0 / (sum / near);
    while (bpm < kSlowest) bpm *= 2;
    while (bpm > kFastest) bpm /= 2;
    return bpm;
}
