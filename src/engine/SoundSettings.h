// The values of the sound controls and how they act on a tempo stream. Playback and every save
// apply them through these functions alone, so that a saved file sounds as what was heard.
//
// Threads: the user-interface thread alone changes the values (the sliders, the equaliser's
// bands) and applies them. The mixing thread of playback, and the threads of a save, only read:
// the vocal reduction reads its level for every pair of samples from the atomic it was attached
// with, so that playback follows the slider while a save reads a level of its own.
#pragma once

#include <array>
#include <atomic>

#include "audio/Audio.h"

constexpr int kEqBandCount = 9;

// The controls' values.
struct SoundSettings {
    int nTempo = 100;                         // percent of the normal speed, 5..400
    int nPitch = 0;                           // hundredths of a semitone, -2400..2400
    int nVolume = 100;                        // 0..100
    int nVocalLevel = 0;                      // weight of the vocal reduction, 0..256
    std::array<int, kEqBandCount> eqGains{};  // dB of each equaliser band, lowest band first
};

// Vocal reduction runs before the equaliser's bands (priority 0) on the same stream.
constexpr int kVocalReductionPriority = 2;

// The values that are set on a tempo stream as they are.
enum class SoundValue {
    Tempo,  // percent change: 5 % plays at -95, 400 % at +300; the pitch stays as it is
    Pitch,  // hundredths of a semitone to semitones; the tempo stays as it is
};
// Sets `value` of `settings` on the tempo stream `stream`: playback when its slider moves, a
// save once when it starts.
void ApplySoundValue(audio::HSTREAM stream, SoundValue value, const SoundSettings& settings);

// Puts the vocal reduction procedure on the stream, reading `level` for every pair of samples:
// playback's g_nVocalLevel, or a save's own copy. `level` must outlive the procedure.
audio::HDSP AttachVocalReduction(audio::HSTREAM stream, const std::atomic<int>& level);

// The factor a sample is multiplied by: the playback volume's gain, and the scaling of a save.
inline float VolumeFactor(int nVolume) {
    return static_cast<float>(nVolume) / 100.0f;
}
