// Every value a save applies to the song, taken from their owners once, when the save starts:
// the loop region, tempo, pitch, volume, the vocal-reduction level and the equaliser's gains.
//
// Threads: taken on the user-interface thread and never changed afterwards. The render chain's
// threads (the tempo stream's reader and the writer) only read its copy, so a slider moved while
// a save runs (a chooser is open, or the loop page's keys) changes what is heard, not the file.
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
