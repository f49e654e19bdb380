#include "StretchMetrics.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

extern "C" {
#include <libavutil/tx.h>
}

#include "StretchScore.h"

namespace bench {

namespace {

constexpr int kFftSize = 2048;
constexpr int kFftHop = 512;
constexpr int kBins = kFftSize / 2 + 1;
// Magnitudes this far below the reference's strongest are taken as silence: quieter differences
// are masked in a mix, and without a floor the near-empty bins between partials and the silent
// stretches would decide the figure.
constexpr double kFloorDb = -60;

constexpr long kAttackFrames = kScoreRate / 100;     // 10 ms
constexpr long kDecayFrames = 9 * kScoreRate / 100;  // the 90 ms after it

// Magnitude spectra of Hann-windowed frames, by FFmpeg's real FFT.
class Spectrum {
public:
    explicit Spectrum(int size) : window_(size), frame_(size), bins_(size + 2) {
        const float scale = 1.0f;
        if (av_tx_init(&context_, &transform_, AV_TX_FLOAT_RDFT, 0, size, &scale, AV_TX_UNALIGNED) <
            0)
            throw std::runtime_error("av_tx_init");
        for (int i = 0; i < size; ++i)
            window_[i] = float(0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / size));
    }
    ~Spectrum() { av_tx_uninit(&context_); }
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    int Bins() const { return int(bins_.size() / 2); }
    // The Bins() magnitudes of a frame from `samples` into `out`.
    void Magnitudes(const float* samples, float* out) {
        for (std::size_t i = 0; i < frame_.size(); ++i) frame_[i] = samples[i] * window_[i];
        transform_(context_, bins_.data(), frame_.data(), sizeof(float));
        for (int k = 0; k < Bins(); ++k) out[k] = std::hypot(bins_[2 * k], bins_[2 * k + 1]);
    }

private:
    AVTXContext* context_ = nullptr;
    av_tx_fn transform_ = nullptr;
    std::vector<float> window_, frame_, bins_;
};

// Spectral flux of 1024-frame windows every kOnsetHop frames: the sum over bins of the rise of
// the log magnitude. A note's onset counts as much as a loud hit's.
constexpr long kOnsetHop = 32;
std::vector<float> Onsets(std::span<const float> x) {
    constexpr int kWindow = 1024;
    constexpr float kFloor = 0.1f;  // about 70 dB below a full-scale sine
    Spectrum spectrum(kWindow);
    const int bins = spectrum.Bins();
    std::vector<float> previous(bins, 0), current(bins);
    const long frames = x.size() < kWindow ? 0 : long(x.size() - kWindow) / kOnsetHop + 1;
    std::vector<float> onsets(std::size_t(frames), 0);
    for (long f = 0; f < frames; ++f) {
        spectrum.Magnitudes(&x[f * kOnsetHop], current.data());
        float rise = 0;
        for (int k = 0; k < bins; ++k) {
            const float level = std::log10(current[k] + kFloor);
            if (f > 0) rise += std::max(0.0f, level - previous[k]);
            previous[k] = level;
        }
        onsets[f] = rise;
    }
    return onsets;
}

// Mean power of `frames` frames of `x` from `start`; -1 where they run past either end.
double MeanPower(std::span<const float> x, long start, long frames) {
    if (start < 0 || start + frames > long(x.size())) return -1;
    double sum = 0;
    for (long i = start; i < start + frames; ++i) sum += double(x[i]) * x[i];
    return sum / double(frames);
}

}  // namespace

std::vector<float> MonoMix(std::span<const std::int16_t> stereo) {
    std::vector<float> mono(stereo.size() / 2);
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = float((stereo[2 * i] + stereo[2 * i + 1]) / 65536.0);
    return mono;
}

// Correlates onsets, not waveforms: a stretcher does not keep the phases of held partials, so
// the waveforms agree only by chance, while where the notes and hits start is what it must keep.
// A stretcher that smears onsets ahead of their time is lined up by its onsets all the same.
long AlignmentLag(std::span<const float> output, std::span<const float> reference, long maxLag) {
    const std::vector<float> out = Onsets(output), ref = Onsets(reference);
    const long steps = maxLag / kOnsetHop;
    long best = 0;
    double bestSum = -1;
    for (long lag = -steps; lag <= steps; ++lag) {
        double sum = 0;
        const long first = std::max(0L, -lag),
                   end = std::min(long(ref.size()), long(out.size()) - lag);
        for (long k = first; k < end; ++k) sum += double(ref[k]) * out[k + lag];
        if (sum > bestSum) bestSum = sum, best = lag;
    }
    return best * kOnsetHop;
}

// Per frame, the RMS over bins of 20·log10((|X| + eps) / (|Y| + eps)), X the output's and Y the
// reference's magnitude, eps kFloorDb below the reference's largest; the mean over the frames.
double LogSpectralDistanceDb(std::span<const float> output, std::span<const float> reference,
                             long lag) {
    const long first = std::max(0L, -lag);
    const long end = std::min(long(reference.size()), long(output.size()) - lag);
    if (end - first < kFftSize) return NAN;
    const std::size_t frames = std::size_t((end - first - kFftSize) / kFftHop + 1);

    Spectrum spectrum(kFftSize);
    std::vector<float> ref(frames * kBins);
    for (std::size_t f = 0; f < frames; ++f)
        spectrum.Magnitudes(&reference[first + f * kFftHop], &ref[f * kBins]);
    const double eps = *std::max_element(ref.begin(), ref.end()) * std::pow(10, kFloorDb / 20);

    std::vector<float> out(kBins);
    double total = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        spectrum.Magnitudes(&output[first + lag + f * kFftHop], out.data());
        double sum = 0;
        for (int k = 0; k < kBins; ++k) {
            const double db = 20 * std::log10((out[k] + eps) / (ref[f * kBins + k] + eps));
            sum += db * db;
        }
        total += std::sqrt(sum / kBins);
    }
    return total / double(frames);
}

std::vector<long> ExposedHits(std::span<const long> hits, std::span<const float> drums,
                              std::span<const float> notes) {
    std::vector<long> exposed;
    for (long hit : hits) {
        const double drum = MeanPower(drums, hit, kAttackFrames);
        const double note = MeanPower(notes, hit, kAttackFrames + kDecayFrames);
        if (drum > 0 && note >= 0 && drum >= 10 * note) exposed.push_back(hit);
    }
    return exposed;
}

double TransientSharpness(std::span<const float> output, std::span<const float> reference, long lag,
                          std::span<const long> hits) {
    auto sharpness = [](std::span<const float> x, long at) {
        const double attack = MeanPower(x, at, kAttackFrames);
        const double decay = MeanPower(x, at + kAttackFrames, kDecayFrames);
        return attack < 0 || decay <= 0 ? -1 : attack / decay;
    };
    double sum = 0;
    int count = 0;
    for (long hit : hits) {
        const double ref = sharpness(reference, hit), out = sharpness(output, hit + lag);
        if (ref <= 0 || out < 0) continue;
        sum += out / ref;
        ++count;
    }
    return count ? sum / count : NAN;
}

double HeldToneSteadiness(std::span<const float> output, long lag,
                          std::span<const std::pair<long, long>> spans, double level) {
    constexpr long kWindow = kScoreRate / 100;
    double steadiness = 1.0;
    for (const auto& [first, last] : spans) {
        for (long at = first; at + kWindow <= last; at += kWindow / 2) {
            const long from = at + lag;
            if (from < 0 || from + kWindow > long(output.size())) return 0;  // not there at all
            double sum = 0;
            for (long i = from; i < from + kWindow; ++i) sum += double(output[i]) * output[i];
            steadiness = std::min(steadiness, std::sqrt(sum / kWindow) / level);
        }
    }
    return steadiness;
}

}  // namespace bench
