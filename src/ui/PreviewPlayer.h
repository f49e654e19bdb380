#pragma once

#include <string>

#include "audio/Audio.h"

// Plays the file selected in the open dialog on a stream of its own, beside (not instead of) the
// song; one preview stream at a time. It lives exactly as long as one run of the open dialog.
class CPreviewPlayer {
public:
    CPreviewPlayer() = default;
    ~CPreviewPlayer();
    CPreviewPlayer(const CPreviewPlayer&) = delete;
    CPreviewPlayer& operator=(const CPreviewPlayer&) = delete;

    // Replaces the preview stream by one of the file at `path`: 0, or -1 when the file cannot be
    // played (then there is no stream and the old path stays).
    int Load(const std::string& path);
    // 0 when playback started, else -1.
    int Play();
    // Stops and rewinds.
    void Stop();
    bool IsPlaying() const;

    audio::HSTREAM m_hStream = 0;
    std::string m_strPath;
};

// The preview player of the running open dialog; null outside it.
extern CPreviewPlayer* g_pPreviewPlayer;
