// How close a time-stretched rendering comes to a reference: the same music played slower. Both
// are mono mixes at the same rate; `lag` places the output against the reference (output frame
// n + lag stands for reference frame n), as AlignmentLag finds it.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace bench {

// The mean of the channels of interleaved 16-bit stereo, full scale 1.0.
std::vector<float> MonoMix(std::span<const std::int16_t> stereo);

// The lag within ±maxLag frames at which the output's onsets line up best with the reference's.
long AlignmentLag(std::span<const float> output, std::span<const float> reference, long maxLag);

// Log-spectral distance in dB over the frames both cover: 0 for identical audio, larger the more
// the spectra differ.
double LogSpectralDistanceDb(std::span<const float> output, std::span<const float> reference,
                             long lag);

// Of the reference frames `hits`, those where a drum hit stands out of the mix: its first 10 ms
// at least 10 dB above the notes over the 100 ms measured (`drums` and `notes` are the
// reference's parts on their own). The hits are measured in the mix, not on a stretch of the
// drums alone, so that every figure comes from the one stretch of the one input; where a note
// starts with a hit or holds loud under it, the hit is left out.
std::vector<long> ExposedHits(std::span<const long> hits, std::span<const float> drums,
                              std::span<const float> notes);

// How sharp the output's hits are beside the reference's: at each hit, the energy of the first
// 10 ms over that of the next 90 ms, the output's over the reference's; the mean over the hits
// (1.0: as sharp as the reference, lower: smeared).
double TransientSharpness(std::span<const float> output, std::span<const float> reference, long lag,
                          std::span<const long> hits);

// How steady held tones come out: within each span [first, last) of reference frames, where the
// reference holds a tone at RMS `level`, the quietest 10 ms of the output beside `level`; the
// lowest over the spans (1.0: no dip at all).
double HeldToneSteadiness(std::span<const float> output, long lag,
                          std::span<const std::pair<long, long>> spans, double level);

}  // namespace bench
