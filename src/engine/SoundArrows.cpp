#include <QSlider>

#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"

namespace {

struct SoundArrow {
    int id;
    int slider;
    int step;        // -1 or +1
    int limit;       // the end of the range the step moves towards
    bool needsSong;  // tempo and pitch mean nothing without a song
};

constexpr SoundArrow kSoundArrows[] = {
    {IDC_TEMPO_DOWN, IDC_TEMPO, -1, 5, true},     {IDC_TEMPO_UP, IDC_TEMPO, +1, 400, true},
    {IDC_PITCH_DOWN, IDC_PITCH, -1, -2400, true}, {IDC_PITCH_UP, IDC_PITCH, +1, 2400, true},
    {IDC_VOLUME_DOWN, IDC_VOLUME, -1, 0, false},  {IDC_VOLUME_UP, IDC_VOLUME, +1, 100, false},
    {IDC_VOCAL_DOWN, IDC_VOCAL, -1, 0, false},    {IDC_VOCAL_UP, IDC_VOCAL, +1, 256, false},
};

}  // namespace

bool CPlaybackEngine::IsSoundArrow(int id) {
    for (const SoundArrow& arrow : kSoundArrows)
        if (arrow.id == id) return true;
    return false;
}

void CPlaybackEngine::OnSoundArrow(int id) {
    for (const SoundArrow& arrow : kSoundArrows) {
        if (arrow.id != id) continue;
        if (arrow.needsSong && !m_dwBassStream) return;
        QSlider* slider = Slider(arrow.slider);
        if (!slider) return;
        const int position = slider->value();
        // At the end of its range an arrow does nothing at all: no call, no caption, no change.
        if (arrow.step < 0 ? position <= arrow.limit : position >= arrow.limit) return;
        slider->setValue(position + arrow.step);
        ApplySlider(arrow.slider);
        return;
    }
}
