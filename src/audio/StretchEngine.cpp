#include "audio/StretchEngine.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "audio/RubberBandEngine.h"
#include "audio/SoundTouchEngine.h"

namespace audio::detail {

namespace {

// Runs a new SoundTouch engine through silence at the extremes of tempo and pitch, and clears
// it: its buffers reach the sizes playing will need here, on the caller's thread, instead of
// growing one by one in the first second of playback on the real-time producer.
void WarmUp(StretchEngine& engine, int sampleRate, int channels) {
    constexpr int kFrames = 1024;
    std::vector<float> silence(static_cast<std::size_t>(kFrames) * std::max(channels, 1));
    std::vector<float> out(silence.size());
    for (const auto& [tempo, semitones] : {std::pair{0.25, -12.0}, std::pair{4.0, 12.0}}) {
        engine.SetTempo(tempo);
        engine.SetPitchSemitones(semitones);
        for (int fed = 0; fed < sampleRate; fed += kFrames) {
            engine.Process(silence.data(), kFrames);
            while (engine.Available() > 0 && engine.Retrieve(out.data(), kFrames) > 0) {
            }
        }
        engine.Clear();
    }
    engine.SetTempo(1.0);
    engine.SetPitchSemitones(0.0);
}

std::unique_ptr<StretchEngine> MakeClassic(int sampleRate, int channels) {
    auto engine = std::make_unique<SoundTouchEngine>(sampleRate, channels);
    WarmUp(*engine, sampleRate, channels);
    return engine;
}

// Rubber Band sizes its buffers when it is made (it is told the largest block): a warm-up
// changes nothing of what it allocates later (counted across tempo and pitch changes), and would
// cost the finer engine a quarter of a second of the caller's time.
std::unique_ptr<StretchEngine> MakeFiner(int sampleRate, int channels) {
    return std::make_unique<RubberBandEngine>(sampleRate, channels, RubberBandEngine::Kind::Finer);
}

std::unique_ptr<StretchEngine> MakeFaster(int sampleRate, int channels) {
    return std::make_unique<RubberBandEngine>(sampleRate, channels, RubberBandEngine::Kind::Faster);
}

constexpr StretchEngineKind kEngines[] = {
    {STRETCHER_SOUNDTOUCH, "classic", &MakeClassic},
    {STRETCHER_FINER, "finer", &MakeFiner},
    {STRETCHER_FASTER, "faster", &MakeFaster},
};

}  // namespace

std::span<const StretchEngineKind> StretchEngineKinds() {
    return kEngines;
}

std::unique_ptr<StretchEngine> MakeStretchEngine(DWORD kind, int sampleRate, int channels) {
    for (const StretchEngineKind& engine : kEngines)
        if (engine.kind == kind) return engine.make(sampleRate, channels);
    return nullptr;
}

}  // namespace audio::detail
