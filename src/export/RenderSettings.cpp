#include "export/RenderSettings.h"

#include "engine/PlaybackEngine.h"
#include "loop/LoopRegion.h"

RenderSettings CurrentRenderSettings(const CPlaybackEngine& engine) {
    RenderSettings settings;
    settings.qwStart = g_loopRegion.qwStartPoint.load();
    settings.qwEnd = g_loopRegion.qwEndPoint;
    settings.sound = engine.CurrentSoundSettings();
    return settings;
}
