// One peaking band of a parametric equaliser (a biquad filter). Bands work on float samples at
// the 16-bit scale (±32768) so that a chain of them rounds to 16 bits once, at its end, instead
// of adding a rounding step per band.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "audio/Audio.h"

namespace audio::detail {

class ParamEq {
public:
    ParamEq(int sampleRate, int channels);

    // Parameters as FXPARAMEQ gives them; out-of-range values are clamped.
    void SetParameters(const FXPARAMEQ& params);
    const FXPARAMEQ& Parameters() const { return m_params; }

    // Filters `frames` interleaved frames in place (16-bit scale, not clipped).
    void Process(float* samples, int frames);
    // Filters through `count` bands in turn, giving exactly what Process band after band gives
    // (each band's output rounded to float), but stereo bands that follow one another go in one
    // pass: their recurrences then overlap instead of each waiting on its own last output.
    static void ProcessCascade(ParamEq* const* bands, std::size_t count, float* samples,
                               int frames);

private:
    static constexpr int kMaxChannels = 8;
    struct State {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    void UpdateCoefficients();
    void ProcessStereo(float* samples, int frames);
    static constexpr std::size_t kMaxCascade = 16;  // a cascade of more goes in several
    static void CascadeStereo(ParamEq* const* bands, std::size_t count, float* samples, int frames);

    int m_nSampleRate;
    int m_nStride;    // channels in a frame
    int m_nChannels;  // channels filtered
    FXPARAMEQ m_params{};
    bool m_bFlat = true;  // 0 dB: samples pass untouched
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    std::array<State, kMaxChannels> m_state{};
};

}  // namespace audio::detail
