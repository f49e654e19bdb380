// The SoundTouch library as a stretch engine. Its own settings 0..5 are the tempo options the
// user's options file sets (FX_TEMPO_OPTION_... carry the same numbers).
#pragma once

#include <soundtouch/SoundTouch.h>

#include "audio/StretchEngine.h"

namespace audio::detail {

class SoundTouchEngine final : public StretchEngine {
public:
    SoundTouchEngine(int sampleRate, int channels);

    DWORD StretcherId() const override { return STRETCHER_SOUNDTOUCH; }
    double SetTempo(double ratio) override;
    double SetRate(double ratio) override;
    double SetPitchSemitones(double semitones) override;
    bool SetOption(DWORD option, DWORD value) override;

    void Clear() override { m_stretcher.clear(); }
    void Process(const float* samples, int frames) override;
    int Available() const override { return static_cast<int>(m_stretcher.numSamples()); }
    int Retrieve(float* dst, int frames) override;
    void Flush() override { m_stretcher.flush(); }

    double InputPerOutput() const override;
    int LatencyFrames() const override;

private:
    // Mutable: the library's getters are not const, though they change nothing.
    mutable soundtouch::SoundTouch m_stretcher;
};

}  // namespace audio::detail
