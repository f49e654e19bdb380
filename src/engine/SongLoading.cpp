#include <QLabel>
#include <QSlider>

#include "engine/MainWindowIds.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "engine/SongFile.h"
#include "engine/TempoOptions.h"
#include "engine/TimeDisplay.h"
#include "lang/LanguageText.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/UserMessage.h"

namespace {

// Counts the calls running, on every way out.
class CountedScope {
public:
    explicit CountedScope(int& count) : m_count(count) { ++m_count; }
    ~CountedScope() { --m_count; }
    CountedScope(const CountedScope&) = delete;
    CountedScope& operator=(const CountedScope&) = delete;

private:
    int& m_count;
};

}  // namespace

void EndSyncProc(audio::HSYNC, audio::DWORD, audio::DWORD, void*) {
    // Runs on the layer's thread: the stop itself happens on the window's.
    ui::PostUserMessage(g_hMainWnd.load(), WM_USER_SONG_END);
}

void CPlaybackEngine::LoadSong(const std::string& path) {
    const CountedScope loading(m_nLoadingSong);
    audio::HSTREAM decoder;
    if (UsesMp4Decoder(path)) {
        decoder = audio::MP4_StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        if (!decoder) {
            const int code = audio::ErrorGetCode();
            ShowMessage(m_pWindow, "Quorvel", MB_OK, GetLanguageText(41), path.c_str(), code);
            return;
        }
    } else {
        decoder = audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        if (!decoder) {
            ShowMessage(m_pWindow, "Quorvel", MB_OK, GetLanguageText(40), path.c_str());
            return;
        }
    }
    const audio::HSTREAM stream = audio::FX_TempoCreate(decoder, audio::FX_FREESOURCE);
    if (!stream) {
        audio::StreamFree(decoder);
        ShowMessage(m_pWindow, "Quorvel", MB_OK, GetLanguageText(42), path.c_str());
        return;
    }

    if (m_wndTitle) m_wndTitle->setText(ui::ToQtText(GetLanguageText(105)));
    if (m_dwBassStream) {
        OnStop();
        audio::StreamFree(m_dwBassStream);  // its decoder goes with it
    }
    m_dwBassStream = stream;
    ApplyTempoOptions(m_dwBassStream, TempoOptionsPath());
    m_dSongLength =
        audio::ChannelBytes2Seconds(m_dwBassStream, audio::ChannelGetLength(m_dwBassStream));

    if (m_pages.loopSetSong) m_pages.loopSetSong(m_dwBassStream, path);
    if (m_pages.eqApplyToPlayback) m_pages.eqApplyToPlayback();

    if (m_sliderPosition) {
        m_sliderPosition->setMaximum(SecondsToSliderMs(m_dSongLength));
        m_sliderPosition->setValue(0);
    }
    audio::ChannelSetSync(m_dwBassStream, audio::SYNC_END, 0, &EndSyncProc, nullptr);

    // A new tempo stream plays at normal tempo and pitch already: only the sliders move.
    if (m_sliderTempo) m_sliderTempo->setValue(100);
    if (m_sliderPitch) m_sliderPitch->setValue(0);
    if (m_sliderVocal) m_sliderVocal->setValue(0);
    g_nVocalLevel = 0;
    ApplySlider(IDC_VOLUME);
    g_hVocalDSP = 0;  // a vocal reduction procedure went with the old stream

    RefreshDisplay(true, true);
    EnableSongControls();
    if (m_wndTitle) m_wndTitle->setText(ui::ToQtText(SongTitleOf(path)));
    m_strSongPath = path;
    m_strSavePath.clear();
}

void CPlaybackEngine::EnableSongControls() {
    // The volume slider and its arrows work from start-up; nothing disables these again.
    static constexpr int kSongControls[] = {
        IDC_SAVE,       IDC_SAVEAS,     IDC_STOP,     IDC_PLAY,       IDC_PAUSE,
        IDC_POSITION,   IDC_TEMPO_DOWN, IDC_TEMPO_UP, IDC_PITCH_DOWN, IDC_PITCH_UP,
        IDC_VOCAL_DOWN, IDC_VOCAL_UP,   IDC_TEMPO,    IDC_PITCH,      IDC_VOCAL,
    };
    for (int id : kSongControls)
        if (QWidget* control = m_getDlgItem(id)) control->setEnabled(true);
}

void CPlaybackEngine::SetTitleText(const std::string& text) {
    if (m_wndTitle) m_wndTitle->setText(ui::ToQtText(text));
}
