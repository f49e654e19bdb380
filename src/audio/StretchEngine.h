// A time-stretch engine: changes the tempo and the pitch of interleaved float audio
// independently. Each library sits behind this one interface in a file pair of its own and knows
// nothing of files, positions, loops or syncs: the tempo stream keeps those, and asks the engine
// only how many input frames one output frame stands for.
//
// Audio goes in with Process and comes out with Retrieve, as the engine has it ready; output
// frame n stands for input frame n * InputPerOutput() (the engine removes its own start-up delay).
// Flush pushes out what the engine still holds at the end of the input. Clear forgets everything,
// as after a seek: what comes out next is made from what goes in next only.
//
// Adding an engine: its file pair, its row in MakeStretchEngine's table and a STRETCHER_ value
// in Audio.h. The contract test (StretchEngineTest) and the tempo tests run over every row.
#pragma once

#include <memory>
#include <span>

#include "audio/Audio.h"

namespace audio::detail {

class StretchEngine {
public:
    virtual ~StretchEngine() = default;

    // Which engine this is: its STRETCHER_ value.
    virtual DWORD StretcherId() const = 0;

    // Each setter returns the value the engine applied: out-of-range values are clamped.
    // Tempo: ratio of speed with the pitch kept (2 = twice as fast, 0.5 = half as fast).
    virtual double SetTempo(double ratio) = 0;
    // Rate: ratio of speed and pitch together, as a faster tape (2 = twice as fast, an octave up).
    virtual double SetRate(double ratio) = 0;
    // Pitch: semitones up (negative: down) with the speed kept.
    virtual double SetPitchSemitones(double semitones) = 0;
    // One FX_TEMPO_OPTION_... with a value from the user's options file; false when this engine
    // has no such option.
    virtual bool SetOption(DWORD option, DWORD value) = 0;

    virtual void Clear() = 0;
    // Clear, but going on as if `lead` (`frames` frames: the audio just before what goes in
    // next, oldest first) had gone in before: an engine with a long window then starts at full
    // level instead of fading in from silence. Engines without that need ignore the lead.
    virtual void ClearAfter(const float* lead, int frames) {
        (void)lead;
        (void)frames;
        Clear();
    }
    // `frames` interleaved frames go in.
    virtual void Process(const float* samples, int frames) = 0;
    // Frames ready to come out.
    virtual int Available() const = 0;
    // Up to `frames` ready frames come out into `dst`; returns how many.
    virtual int Retrieve(float* dst, int frames) = 0;
    // The input has ended: what the engine holds becomes ready.
    virtual void Flush() = 0;

    // True when a new tempo, rate or pitch is taken in the middle of the stream without a step,
    // so that the stream need not start the engine again to be heard with it at once.
    virtual bool TakesChangesInFlight() const { return false; }

    // Input frames one output frame stands for at the current settings.
    virtual double InputPerOutput() const = 0;
    // Input frames the engine takes before its first output comes out.
    virtual int LatencyFrames() const = 0;
};

// Every engine there is: its CONFIG_STRETCHER value, a name for tests and logs, and how to make
// one for audio of `sampleRate` and `channels` at normal tempo, rate and pitch.
struct StretchEngineKind {
    DWORD kind;
    const char* name;
    std::unique_ptr<StretchEngine> (*make)(int sampleRate, int channels);
};
std::span<const StretchEngineKind> StretchEngineKinds();
// An engine of kind `kind` (STRETCHER_...); nullptr for an unknown kind.
std::unique_ptr<StretchEngine> MakeStretchEngine(DWORD kind, int sampleRate, int channels);

}  // namespace audio::detail
