// How the four sound controls act on a tempo stream. Playback and every save apply them through
// these functions alone, so that a saved file sounds as what was heard.
#pragma once

#include "audio/Audio.h"

// The controls' values, as their sliders hold them.
struct SoundSettings {
    int nTempo = 100;     // percent of the normal speed, 5..400
    int nPitch = 0;       // hundredths of a semitone, -2400..2400
    int nVolume = 100;    // 0..100
    int nVocalLevel = 0;  // weight of the vocal reduction, 0..256
};

// Vocal reduction runs before the equaliser's bands (priority 0) on the same stream.
constexpr int kVocalReductionPriority = 2;

// Percent change: 5 % plays at -95, 400 % at +300. The pitch stays as it is.
void ApplyTempo(audio::HSTREAM stream, int nTempo);
// Hundredths of a semitone to semitones. The tempo stays as it is.
void ApplyPitch(audio::HSTREAM stream, int nPitch);
// Puts the vocal reduction procedure on the stream; it reads g_nVocalLevel for every pair.
audio::HDSP AttachVocalReduction(audio::HSTREAM stream);
// The factor a sample is multiplied by: the playback volume's gain, and the scaling of a save.
inline float VolumeFactor(int nVolume) {
    return static_cast<float>(nVolume) / 100.0f;
}
