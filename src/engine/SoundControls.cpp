#include <QGroupBox>
#include <QSlider>
#include <string>

#include "engine/CaptionText.h"
#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "engine/SoundSettings.h"
#include "lang/LanguageText.h"
#include "ui/QtText.h"

namespace {

struct SliderSetup {
    int id;
    int minimum;
    int maximum;
    int start;
    int pageStep;
    bool enabled;
};

// The position slider counts milliseconds; a load sets its range to the song's length.
constexpr SliderSetup kSliderSetups[] = {
    {IDC_POSITION, 0, 100, 0, 10000, false},
    {IDC_TEMPO, 5, 400, 100, 10, false},      // percent of the normal speed
    {IDC_PITCH, -2400, 2400, 0, 100, false},  // hundredths of a semitone
    {IDC_VOLUME, 0, 100, 50, 10, true},       // works without a song
    {IDC_VOCAL, 0, 256, 0, 10, false},        // weight of the vocal reduction
};

void SetCaption(QGroupBox* caption, const std::string& text) {
    if (caption) caption->setTitle(ui::ToQtText(text));
}

int PositionOf(const QSlider* slider) {
    return slider ? slider->value() : 0;
}

}  // namespace

void CPlaybackEngine::SetUpSliders() {
    for (const SliderSetup& setup : kSliderSetups) {
        QSlider* slider = Slider(setup.id);
        if (!slider) continue;
        slider->setRange(setup.minimum, setup.maximum);
        slider->setValue(setup.start);
        slider->setSingleStep(1);
        slider->setPageStep(setup.pageStep);
        slider->setEnabled(setup.enabled);
    }
}

void CPlaybackEngine::ApplySlider(int id) {
    if (m_dwBassStream) {
        switch (id) {
            case IDC_POSITION:
                SeekToSliderPosition();
                break;
            case IDC_TEMPO:
                ApplySoundValue(m_dwBassStream, SoundValue::Tempo, CurrentSoundSettings());
                AfterSoundChange();
                emit tempoApplied(PositionOf(m_sliderTempo));
                break;
            case IDC_PITCH:
                ApplySoundValue(m_dwBassStream, SoundValue::Pitch, CurrentSoundSettings());
                AfterSoundChange();
                break;
            case IDC_VOCAL:
                ApplyVocalReduction(PositionOf(m_sliderVocal));
                AfterSoundChange();
                break;
            default:
                break;
        }
    }
    if (id == IDC_VOLUME) {
        // Without a song the handle is 0 and the layer ignores the call.
        audio::ChannelSetAttributes(m_dwBassStream, -1, PositionOf(m_sliderVolume), -101);
        RefreshDisplay(false, true);
        if (m_dwBassStream) g_bModified = 1;
    }
}

void CPlaybackEngine::ApplyVocalReduction(int level) {
    g_nVocalLevel = level;
    if (level < 1) {
        audio::ChannelRemoveDSP(m_dwBassStream, g_hVocalDSP);
        g_hVocalDSP = 0;
    } else if (!g_hVocalDSP) {
        // Once installed it stays while the level moves: it reads the level for every pair.
        g_hVocalDSP = AttachVocalReduction(m_dwBassStream, g_nVocalLevel);
    }
}

SoundSettings CPlaybackEngine::CurrentSoundSettings() const {
    SoundSettings settings;
    settings.nTempo = m_sliderTempo ? m_sliderTempo->value() : 100;
    settings.nPitch = PositionOf(m_sliderPitch);
    settings.nVolume = m_sliderVolume ? m_sliderVolume->value() : 100;
    settings.nVocalLevel = g_nVocalLevel.load();
    settings.eqGains = m_arrEqGains;
    return settings;
}

void CPlaybackEngine::SetEqGain(int band, int gain) {
    if (band >= 0 && band < kEqBandCount) m_arrEqGains[static_cast<std::size_t>(band)] = gain;
}

void CPlaybackEngine::AfterSoundChange() {
    RefreshDisplay(false, true);
    g_bModified = 1;
}

void CPlaybackEngine::WriteSliderCaptions() {
    const int pitch = PositionOf(m_sliderPitch);
    SetCaption(m_wndTempoCaption,
               FormatCaptionText(GetLanguageText(116), PositionOf(m_sliderTempo)));
    SetCaption(m_wndPitchCaption,
               FormatCaptionText(GetLanguageText(117), pitch > 0 ? "+" : "", pitch));
    SetCaption(m_wndVolumeCaption,
               FormatCaptionText(GetLanguageText(118), PositionOf(m_sliderVolume)));
    SetCaption(m_wndVocalCaption,
               FormatCaptionText(GetLanguageText(119), PositionOf(m_sliderVocal)));
}
