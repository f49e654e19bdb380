#include "audio/StretchEngine.h"

#include "audio/SoundTouchEngine.h"

namespace audio::detail {

namespace {

template <typename Engine>
std::unique_ptr<StretchEngine> Make(int sampleRate, int channels) {
    return std::make_unique<Engine>(sampleRate, channels);
}

constexpr StretchEngineKind kEngines[] = {
    {STRETCHER_SOUNDTOUCH, "SoundTouch", &Make<SoundTouchEngine>},
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
