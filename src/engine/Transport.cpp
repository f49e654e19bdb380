#include <QLabel>
#include <QSlider>
#include <algorithm>

#include "engine/PlaybackEngine.h"
#include "engine/TimeDisplay.h"
#include "lang/LanguageText.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"

void CPlaybackEngine::OnPlay() {
    if (!m_dwBassStream) {
        ShowMessage(m_pWindow, "Quorvel", MB_OK, GetLanguageText(39));
        return;
    }
    audio::ChannelPlay(m_dwBassStream, false);
    m_timerPosition.start();  // restarts a running timer
}

void CPlaybackEngine::OnPause() {
    // The timer keeps running: the display keeps showing the halted position.
    if (m_dwBassStream) audio::ChannelPause(m_dwBassStream);
}

void CPlaybackEngine::OnStop() {
    if (!m_dwBassStream) return;
    m_timerPosition.stop();
    audio::ChannelStop(m_dwBassStream);
    audio::ChannelSetPosition(m_dwBassStream, 0);
    RefreshDisplay(true, false);
}

void CPlaybackEngine::RefreshDisplay(bool bTime, bool bCaptions) {
    if (bTime) {
        const double seconds = GetPositionSeconds();
        if (m_wndTime) m_wndTime->setText(ui::ToQtText(FormatTimeText(seconds, m_dSongLength)));
        if (m_sliderPosition) m_sliderPosition->setValue(SecondsToSliderMs(seconds));
    }
    if (bCaptions) WriteSliderCaptions();
    if (m_pages.loopInvalidate) m_pages.loopInvalidate();
}

double CPlaybackEngine::GetPositionSeconds() const {
    if (!m_dwBassStream) return 0;
    return audio::ChannelBytes2Seconds(m_dwBassStream, audio::ChannelGetPosition(m_dwBassStream));
}

bool CPlaybackEngine::IsPlaying() const {
    return m_dwBassStream && audio::ChannelIsActive(m_dwBassStream) == audio::ACTIVE_PLAYING;
}

void CPlaybackEngine::SeekBackward(float fSeconds) {
    if (!m_dwBassStream) return;
    float target = static_cast<float>(GetPositionSeconds()) - fSeconds;
    if (target < 0) target = 0;
    SetPositionSeconds(target);
}

void CPlaybackEngine::SeekForward(float fSeconds) {
    if (!m_dwBassStream) return;
    // Not limited to the length: the layer refuses a position past the end and keeps its own.
    SetPositionSeconds(static_cast<float>(GetPositionSeconds()) + fSeconds);
}

void CPlaybackEngine::SeekTo(double fSeconds) {
    if (!m_dwBassStream) return;
    SetPositionSeconds(static_cast<float>(std::clamp(fSeconds, 0.0, m_dSongLength)));
}

void CPlaybackEngine::SeekToSliderPosition() {
    if (!m_sliderPosition) return;
    SetPositionSeconds(static_cast<float>(m_sliderPosition->value()) / 1000.0f);
}

void CPlaybackEngine::SetPositionSeconds(float fSeconds) {
    audio::ChannelSetPosition(m_dwBassStream,
                              audio::ChannelSeconds2Bytes(m_dwBassStream, fSeconds));
    RefreshDisplay(true, false);
}
