#include <QLabel>
#include <QSlider>
#include <QTimer>

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
#include "ui/WorkWhileResponsive.h"

namespace {

// The streams of a song opened away from the window's thread, or why it could not be.
struct OpenedSong {
    audio::HSTREAM stream = 0;  // tempo stream over the decoder; 0 on failure
    int failedText = 0;         // language text of the failure
    int errorCode = 0;          // the layer's error code of a failed MP4 decoder
};

// Runs on a worker thread: opening indexes the whole file, which takes a while for a long song.
// The layer's error code belongs to the thread that failed, so it is read here.
OpenedSong OpenSong(const std::string& path) {
    OpenedSong song;
    audio::HSTREAM decoder;
    if (UsesMp4Decoder(path)) {
        decoder = audio::MP4_StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        if (!decoder) {
            song.errorCode = audio::ErrorGetCode();
            song.failedText = 41;
            return song;
        }
    } else {
        decoder = audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        if (!decoder) {
            song.failedText = 40;
            return song;
        }
    }
    song.stream = audio::FX_TempoCreate(decoder, audio::FX_FREESOURCE);
    if (!song.stream) {
        audio::StreamFree(decoder);
        song.failedText = 42;
    }
    return song;
}

}  // namespace

// Counts the calls running, on every way out; the last one out carries out a close of the window
// that was asked for meanwhile.
class CPlaybackEngine::LoadingScope {
public:
    explicit LoadingScope(CPlaybackEngine& engine) : m_engine(engine) { ++m_engine.m_nLoadingSong; }
    ~LoadingScope() {
        if (--m_engine.m_nLoadingSong == 0 && m_engine.m_bCloseAfterLoading) {
            m_engine.m_bCloseAfterLoading = false;
            // Posted: the close asks its own questions, which must not open inside the caller.
            QTimer::singleShot(0, m_engine.m_pWindow,
                               [window = m_engine.m_pWindow] { window->close(); });
        }
    }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

private:
    CPlaybackEngine& m_engine;
};

void EndSyncProc(audio::HSYNC, audio::DWORD, audio::DWORD, void*) {
    // Runs on the layer's thread: the stop itself happens on the window's.
    ui::PostUserMessage(g_hMainWnd.load(), WM_USER_SONG_END);
}

void CPlaybackEngine::LoadSong(const std::string& path) {
    // Events keep running while a song opens; none may start a second load in the middle of it.
    if (IsLoadingSong()) return;
    const LoadingScope loading(*this);
    OpenedSong song;
    ui::WorkWhileResponsive([&] { song = OpenSong(path); });
    if (!song.stream) {
        if (song.failedText == 41)
            ShowMessage(m_pWindow, "Quorvel", MB_OK, GetLanguageText(41), path.c_str(),
                        song.errorCode);
        else
            ShowMessage(m_pWindow, "Quorvel", MB_OK, GetLanguageText(song.failedText),
                        path.c_str());
        return;
    }
    const audio::HSTREAM stream = song.stream;

    if (m_wndTitle) m_wndTitle->setText(ui::ToQtText(GetLanguageText(105)));
    if (m_dwBassStream) {
        emit songGoing();
        OnStop();
        audio::StreamFree(m_dwBassStream);  // its decoder goes with it
    }
    m_dwBassStream = stream;
    ApplyTempoOptions(m_dwBassStream, TempoOptionsPath());
    m_dSongLength =
        audio::ChannelBytes2Seconds(m_dwBassStream, audio::ChannelGetLength(m_dwBassStream));

    if (m_pages.loopSetSong) m_pages.loopSetSong(m_dwBassStream, path);
    m_arrEqGains = {};
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
    emit songLoaded(path);
}

void CPlaybackEngine::SetSoundSlider(int id, int value) {
    QSlider* slider = Slider(id);
    if (!slider) return;
    slider->setValue(value);
    ApplySlider(id);
}

void CPlaybackEngine::ShowSoundSlider(int id, int value) {
    QSlider* slider = Slider(id);
    if (!slider) return;
    slider->setValue(value);
    RefreshDisplay(false, true);
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

SongPractice CPlaybackEngine::KeepPractice() const {
    SongPractice practice;
    practice.sound = CurrentSoundSettings();
    if (m_dwBassStream) {
        practice.qwPosition = audio::ChannelGetPosition(m_dwBassStream);
        practice.bPlaying = IsPlaying();
    }
    practice.bModified = g_bModified;
    for (const auto* keep : {&m_pages.loopKeep, &m_pages.eqKeep})
        if (*keep) practice.pageRestores.push_back((*keep)());
    return practice;
}

void CPlaybackEngine::ReloadSong(const std::string& path, const SongPractice& practice) {
    LoadSong(path);
    // The song was let go before: a stream now is the song loaded again.
    if (!m_dwBassStream || m_strSongPath != path) return;
    const std::pair<int, int> sliders[] = {
        {IDC_TEMPO, practice.sound.nTempo},
        {IDC_PITCH, practice.sound.nPitch},
        {IDC_VOCAL, practice.sound.nVocalLevel},
        {IDC_VOLUME, practice.sound.nVolume},
    };
    for (const auto& [id, value] : sliders) SetSoundSlider(id, value);
    for (const auto& restore : practice.pageRestores)
        if (restore) restore();
    audio::ChannelSetPosition(m_dwBassStream, practice.qwPosition);
    if (practice.bPlaying) OnPlay();
    RefreshDisplay(true, true);
    // Nothing was saved: the changes are as unsaved as they were.
    g_bModified = practice.bModified;
}
