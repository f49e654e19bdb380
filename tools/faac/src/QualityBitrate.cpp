#include "QualityBitrate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace faac {
namespace {

struct Row {
    int quality;
    double kbps;
};
// The chooser's rows, lowest quality first.
constexpr std::array<Row, 7> kRows = {
    {{70, 62}, {80, 79}, {90, 103}, {100, 129}, {110, 158}, {120, 194}, {130, 218}}};

// The encoder spends a little more than the average it is given (about 5 % on music, measured
// on whole files), so it is asked for correspondingly less.
constexpr double kOvershootCorrection = 0.95;

// AAC-LC carries at most 6144 bits per channel in each 1024-sample frame.
constexpr double kMaxBitsPerChannelFrame = 6144;
constexpr int kSamplesPerFrame = 1024;
constexpr int kMinBitsPerSecondPerChannel = 8000;

}  // namespace

double ShownStereoKbps(int quality) {
    const Row& first = kRows.front();
    const Row& last = kRows.back();
    if (quality <= first.quality) return first.kbps * quality / first.quality;
    if (quality >= last.quality) {
        const Row& before = kRows[kRows.size() - 2];
        const double slope = (last.kbps - before.kbps) / (last.quality - before.quality);
        return last.kbps + slope * (quality - last.quality);
    }
    const auto upper = std::find_if(kRows.begin(), kRows.end(),
                                    [quality](const Row& row) { return row.quality >= quality; });
    const Row& high = *upper;
    const Row& low = *(upper - 1);
    return low.kbps +
           (high.kbps - low.kbps) * (quality - low.quality) / (high.quality - low.quality);
}

int EncoderBitRate(int quality, int channels, int sampleRate) {
    const double wanted = ShownStereoKbps(quality) * 1000.0 * channels / 2.0 * kOvershootCorrection;
    const double most = kMaxBitsPerChannelFrame * channels * sampleRate / kSamplesPerFrame;
    const double least = std::min(most, double{kMinBitsPerSecondPerChannel} * channels);
    return static_cast<int>(std::lround(std::clamp(wanted, least, most)));
}

}  // namespace faac
