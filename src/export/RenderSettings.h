// What a save applies to the song, read from the window's controls when the save starts.
#pragma once

#include "audio/Audio.h"

class CPlaybackEngine;

struct RenderSettings {
    audio::QWORD qwStart = 0;  // loop region, bytes of the decoded song; end 0: none
    audio::QWORD qwEnd = 0;
    int nTempo = 100;  // slider positions: percent of the speed, hundredths of a semitone,
    int nPitch = 0;    // volume 0..100
    int nVolume = 100;
    int nVocalLevel = 0;  // 0..256
};

RenderSettings CurrentRenderSettings(const CPlaybackEngine& engine);
