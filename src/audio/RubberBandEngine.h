// The Rubber Band library as a stretch engine, in its real-time mode: "finer" is its newer
// engine (R3), "faster" its older one (R2, at a fraction of the cost). Stereo is stretched with
// the channels together, so that what sits in the centre stays in phase and the vocal reduction
// after the stretch still finds it. While the pitch is unchanged, drum hits go around the
// library (HitKeeper), which would smear them.
//
// The library's real-time mode leaves the start-up delay to its caller: after every clear this
// engine feeds the silence the library asks for and drops the output that stands for it, so
// that output frame n stands for input frame n * InputPerOutput() as the interface promises.
// Output is taken from the library as soon as it is made and kept here, so that the library's
// own buffers never fill (which would make it allocate on the producer's thread).
#pragma once

#include <rubberband/RubberBandStretcher.h>

#include <vector>

#include "audio/HitKeeper.h"
#include "audio/StretchEngine.h"

namespace audio::detail {

class RubberBandEngine final : public StretchEngine {
public:
    enum class Kind { Finer, Faster };
    RubberBandEngine(int sampleRate, int channels, Kind kind);

    DWORD StretcherId() const override {
        return m_kind == Kind::Finer ? STRETCHER_FINER : STRETCHER_FASTER;
    }
    double SetTempo(double ratio) override;
    double SetRate(double ratio) override;
    double SetPitchSemitones(double semitones) override;
    // The options file's settings are the classic engine's: none of them applies here.
    bool SetOption(DWORD, DWORD) override { return false; }

    void Clear() override { ClearAfter(nullptr, 0); }
    void ClearAfter(const float* lead, int frames) override;
    void Process(const float* samples, int frames) override;
    int Available() const override;
    int Retrieve(float* dst, int frames) override;
    void Flush() override;

    // Its real-time mode moves to new ratios within its window: starting it again would cost
    // its whole start-up on the producer's thread instead.
    bool TakesChangesInFlight() const override { return true; }

    double InputPerOutput() const override { return m_tempo * m_rate; }
    int LatencyFrames() const override;

private:
    // Hands the library the ratios of the current tempo, rate and pitch.
    void ApplyRatios();
    // After a reset: the library's preferred lead goes in (the end of `lead`, silence before it
    // where it is shorter), and the output that stands for it is marked to be dropped.
    void Prime(const float* lead, int frames);
    // Interleaved frames into the library, a block of at most kBlockFrames at a time, each
    // followed by taking its output; silence the same way.
    void ProcessInterleaved(const float* samples, int frames);
    void ProcessBlock(const float* interleaved, int frames);
    void ProcessSilence(int frames);
    // Moves what the library has made into the ready output, dropping the start-up delay.
    void TakeOutput();

    Kind m_kind;
    RubberBand::RubberBandStretcher m_stretcher;
    int m_nChannels;
    double m_tempo = 1.0;
    double m_rate = 1.0;
    double m_semitones = 0.0;

    std::vector<float> m_planar;     // one block, channel after channel
    std::vector<float*> m_planes;    // into m_planar
    std::vector<float> m_retrieved;  // the library's output, channel after channel
    std::vector<float*> m_retrievedPlanes;
    std::vector<float> m_ready;    // interleaved output not yet retrieved
    std::size_t m_readyStart = 0;  // in frames: m_ready before it was retrieved
    std::size_t m_readyFrames = 0;
    std::size_t m_dropFrames = 0;  // start-up output still to drop
    // Since the last clear: the output the input stands for, and the output kept.
    double m_expectedOutput = 0;
    std::size_t m_keptOutput = 0;
    std::size_t m_requiredAfterPrime = 0;  // input the library asked for once primed
    std::size_t m_retrievedOutput = 0;     // output frames retrieved since the last clear
    HitKeeper m_hitKeeper;
};

}  // namespace audio::detail
