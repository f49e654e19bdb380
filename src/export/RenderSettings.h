// What a save applies to the song, read from its owners when the save starts.
#pragma once

#include "audio/Audio.h"
#include "engine/SoundSettings.h"

class CPlaybackEngine;

struct RenderSettings {
    audio::QWORD qwStart = 0;  // loop region, bytes of the decoded song; end 0: none
    audio::QWORD qwEnd = 0;
    SoundSettings sound;
};

RenderSettings CurrentRenderSettings(const CPlaybackEngine& engine);
