// One peaking band of a parametric equaliser (a biquad filter) on 16-bit interleaved samples.
#pragma once

#include <array>
#include <cstdint>

#include "audio/Audio.h"

namespace audio::detail {

class ParamEq {
public:
    ParamEq(int sampleRate, int channels);

    // Parameters as FXPARAMEQ gives them; out-of-range values are clamped.
    void SetParameters(const FXPARAMEQ& params);
    const FXPARAMEQ& Parameters() const { return m_params; }

    void Process(std::int16_t* samples, int frames);

private:
    static constexpr int kMaxChannels = 8;
    struct State {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    void UpdateCoefficients();
    void ProcessStereo(std::int16_t* samples, int frames);

    int m_nSampleRate;
    int m_nChannels;
    FXPARAMEQ m_params{};
    bool m_bFlat = true;  // 0 dB: samples pass untouched
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    std::array<State, kMaxChannels> m_state{};
};

}  // namespace audio::detail
