#include "engine/SoundSettings.h"

#include "engine/VocalReduction.h"

void ApplyTempo(audio::HSTREAM stream, int nTempo) {
    audio::FX_TempoSet(stream, static_cast<float>(nTempo - 100), 0, -100);
}

void ApplyPitch(audio::HSTREAM stream, int nPitch) {
    audio::FX_TempoSet(stream, -100, 0, static_cast<float>(nPitch) / 100.0f);
}

audio::HDSP AttachVocalReduction(audio::HSTREAM stream) {
    return audio::ChannelSetDSP(stream, &VocalReductionDSP, nullptr, kVocalReductionPriority);
}
