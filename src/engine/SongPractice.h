#pragma once

#include <functional>
#include <vector>

#include "audio/Audio.h"
#include "engine/SoundSettings.h"

// What the user has set on the loaded song: the sound controls, what the pages keep for it (the
// loop region, the equaliser), where it is and whether it plays, and whether that counts as
// unsaved. Kept while the song's file is let go for a moment (a save over it), and put back when
// the same song is loaded again because nothing was written.
struct SongPractice {
    SoundSettings sound;
    audio::QWORD qwPosition = 0;  // byte position of the playback stream
    bool bPlaying = false;
    int bModified = 0;  // g_bModified
    // Each page's settings, set again on the song's new stream.
    std::vector<std::function<void()>> pageRestores;
};
