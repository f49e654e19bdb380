#include "export/RenderSettings.h"

#include <QSlider>

#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "loop/LoopRegion.h"

RenderSettings CurrentRenderSettings(const CPlaybackEngine& engine) {
    auto position = [&](int id, int fallback) {
        const QSlider* slider = engine.Slider(id);
        return slider ? slider->value() : fallback;
    };
    RenderSettings settings;
    settings.qwStart = g_loopRegion.qwStartPoint.load();
    settings.qwEnd = g_loopRegion.qwEndPoint;
    settings.nTempo = position(IDC_TEMPO, 100);
    settings.nPitch = position(IDC_PITCH, 0);
    settings.nVolume = position(IDC_VOLUME, 100);
    settings.nVocalLevel = g_nVocalLevel.load();
    return settings;
}
