#include "engine/SoundSettings.h"

#include "engine/VocalReduction.h"

void ApplySoundValue(audio::HSTREAM stream, SoundValue value, const SoundSettings& settings) {
    switch (value) {
        case SoundValue::Tempo:
            audio::FX_TempoSet(stream, static_cast<float>(settings.nTempo - 100), 0, -100);
            break;
        case SoundValue::Pitch:
            audio::FX_TempoSet(stream, -100, 0, static_cast<float>(settings.nPitch) / 100.0f);
            break;
    }
}

audio::HDSP AttachVocalReduction(audio::HSTREAM stream, const std::atomic<int>& level) {
    // The procedure only reads through the pointer.
    return audio::ChannelSetDSP(stream, &VocalReductionDSP, const_cast<std::atomic<int>*>(&level),
                                kVocalReductionPriority);
}
