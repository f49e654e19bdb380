#include "engine/PlaybackEngine.h"
#include "engine/TempoOptions.h"

bool CPlaybackEngine::SetStretcher(audio::DWORD stretcher) {
    if (!audio::SetConfig(audio::CONFIG_STRETCHER, stretcher)) return false;
    // A save made from now on creates its tempo stream with the new engine; the song playing
    // goes over without being loaded again, with the options file's settings for the classic
    // engine as a loaded song has them.
    if (m_dwBassStream && audio::FX_TempoSetStretcher(m_dwBassStream, stretcher))
        ApplyTempoOptions(m_dwBassStream, TempoOptionsPath());
    return true;
}
