#include "engine/PlaybackEngine.h"

#include <QGroupBox>
#include <QLabel>
#include <QSlider>

#include "engine/AudioStartup.h"
#include "engine/MainWindowIds.h"
#include "engine/OpenedFiles.h"
#include "engine/PlaybackState.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace {

// The display refresh period while a song plays or is paused.
constexpr int kPositionTimerMs = 100;

}  // namespace

CPlaybackEngine::CPlaybackEngine(QWidget* window, ControlLookup getDlgItem)
    : m_pWindow(window), m_getDlgItem(std::move(getDlgItem)) {
    m_timerPosition.setInterval(kPositionTimerMs);
    connect(&m_timerPosition, &QTimer::timeout, this, [this] { RefreshDisplay(true, false); });

    m_wndTitle = qobject_cast<QLabel*>(m_getDlgItem(IDC_TITLE));
    m_wndTime = qobject_cast<QLabel*>(m_getDlgItem(IDC_TIME));
    m_sliderPosition = Slider(IDC_POSITION);
    m_sliderTempo = Slider(IDC_TEMPO);
    m_sliderPitch = Slider(IDC_PITCH);
    m_sliderVolume = Slider(IDC_VOLUME);
    m_sliderVocal = Slider(IDC_VOCAL);
    m_wndTempoCaption = qobject_cast<QGroupBox*>(m_getDlgItem(IDC_TEMPO_CAPTION));
    m_wndPitchCaption = qobject_cast<QGroupBox*>(m_getDlgItem(IDC_PITCH_CAPTION));
    m_wndVolumeCaption = qobject_cast<QGroupBox*>(m_getDlgItem(IDC_VOLUME_CAPTION));
    m_wndVocalCaption = qobject_cast<QGroupBox*>(m_getDlgItem(IDC_VOCAL_CAPTION));
}

CPlaybackEngine::~CPlaybackEngine() {
    // Normally the close handler has released the layer already. A window that goes without
    // closing must not leave a device or a stream whose end-of-song message would reach it.
    QWidget* self = m_pWindow;
    g_hMainWnd.compare_exchange_strong(self, nullptr);
    if (m_bAudioStarted) {
        // The loop page's background reader holds a decoder of the layer that Free releases.
        if (m_pages.loopClearStream) m_pages.loopClearStream();
        audio::Free();
    }
    DeleteTemporaryFiles(m_arrOpenedFiles, m_arrOpenedIsTemp);
}

QSlider* CPlaybackEngine::Slider(int id) const {
    return qobject_cast<QSlider*>(m_getDlgItem(id));
}

void CPlaybackEngine::RegisterMainWindow() {
    g_hMainWnd = m_pWindow;
}

bool CPlaybackEngine::StartAudio() {
    m_bAudioStarted = StartAudioEngine(m_pWindow);
    return m_bAudioStarted;
}

bool CPlaybackEngine::OnClose() {
    if (IsLoadingSong()) {
        // The song being opened would arrive after the layer it belongs to was released.
        m_bCloseAfterLoading = true;
        return false;
    }
    if (g_bModified &&
        ShowMessage(m_pWindow, "Quorvel", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2,
                    GetLanguageText(111)) == IDNO)
        return false;
    if (m_dwBassStream) emit songGoing();
    OnStop();
    if (m_pages.loopClearStream) m_pages.loopClearStream();
    // Frees the device with the playback stream and everything on it.
    audio::Free();
    m_bAudioStarted = false;
    m_dwBassStream = 0;
    return true;
}
