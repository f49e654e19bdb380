#include <QKeyEvent>
#include <QMouseEvent>

#include "engine/PlaybackEngine.h"
#include "ui/CommandKey.h"

namespace {

// How far one press of an arrow key moves the position.
constexpr float kArrowSeekSeconds = 0.1f;

struct SongKey {
    int key;  // the Qt key of ui::CommandKey
    void (*action)(CPlaybackEngine& engine);
};

// The loop editor's keys set and clear its region and jump to its markers.
template <int Key>
void LoopEditorKey(CPlaybackEngine& engine) {
    if (engine.m_pages.loopKey) engine.m_pages.loopKey(Key);
}

// The practice page's keys choose a named loop: the next, the previous, or one of the first nine.
template <int Key>
void PracticeKey(CPlaybackEngine& engine) {
    if (engine.m_pages.practiceKey) engine.m_pages.practiceKey(Key);
}

// Keys that act while a song is loaded; every other key does nothing then.
constexpr SongKey kSongKeys[] = {
    {Qt::Key_Space,
     [](CPlaybackEngine& e) {
         if (e.IsPlaying())
             e.OnPause();
         else
             e.OnPlay();
     }},
    {Qt::Key_Left, [](CPlaybackEngine& e) { e.SeekBackward(kArrowSeekSeconds); }},
    {Qt::Key_Right, [](CPlaybackEngine& e) { e.SeekForward(kArrowSeekSeconds); }},
    // Back to the start without a display refresh: the next tick or action shows it.
    {Qt::Key_H, [](CPlaybackEngine& e) { audio::ChannelSetPosition(e.m_dwBassStream, 0); }},
    {Qt::Key_S, [](CPlaybackEngine& e) { e.OnStop(); }},
    {Qt::Key_N, LoopEditorKey<Qt::Key_N>},
    {Qt::Key_M, LoopEditorKey<Qt::Key_M>},
    {Qt::Key_B, LoopEditorKey<Qt::Key_B>},
    {Qt::Key_Comma, LoopEditorKey<Qt::Key_Comma>},
    {Qt::Key_Period, LoopEditorKey<Qt::Key_Period>},
    // The loop editor's zoom: in and out around the playing position, Z for the whole song.
    {Qt::Key_Up, LoopEditorKey<Qt::Key_Up>},
    {Qt::Key_Down, LoopEditorKey<Qt::Key_Down>},
    {Qt::Key_Z, LoopEditorKey<Qt::Key_Z>},
    // Page turners (the keys foot pedals send) step through the named loops.
    {Qt::Key_PageDown, PracticeKey<Qt::Key_PageDown>},
    {Qt::Key_PageUp, PracticeKey<Qt::Key_PageUp>},
    {Qt::Key_1, PracticeKey<Qt::Key_1>},
    {Qt::Key_2, PracticeKey<Qt::Key_2>},
    {Qt::Key_3, PracticeKey<Qt::Key_3>},
    {Qt::Key_4, PracticeKey<Qt::Key_4>},
    {Qt::Key_5, PracticeKey<Qt::Key_5>},
    {Qt::Key_6, PracticeKey<Qt::Key_6>},
    {Qt::Key_7, PracticeKey<Qt::Key_7>},
    {Qt::Key_8, PracticeKey<Qt::Key_8>},
    {Qt::Key_9, PracticeKey<Qt::Key_9>},
    // Taps of the song's beat.
    {Qt::Key_K, PracticeKey<Qt::Key_K>},
    // The speed trainer: on and off, and a step back.
    {Qt::Key_T, PracticeKey<Qt::Key_T>},
    {Qt::Key_Backspace, PracticeKey<Qt::Key_Backspace>},
};

}  // namespace

CPlaybackEngine::KeyAction CPlaybackEngine::FindSongKey(int key) {
    for (const SongKey& songKey : kSongKeys)
        if (songKey.key == key) return songKey.action;
    return nullptr;
}

bool CPlaybackEngine::PreTranslateMessage(QObject* /*target*/, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        return OnCaptionClick(static_cast<QMouseEvent*>(event));
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const bool bPressed = event->type() == QEvent::KeyPress;
    // The loop editor's pointer follows Shift. A release always goes on to its target, and so
    // does a press in zoom mode; other presses are keys like any other.
    if (keyEvent->key() == Qt::Key_Shift && m_pages.loopShiftKey && m_pages.loopShiftKey(bPressed))
        return false;
    if (!bPressed) return false;
    // Escape never reaches the dialog, so it never closes the main window.
    if (keyEvent->key() == Qt::Key_Escape) return true;
    if (!m_dwBassStream) return false;
    // With a song every key-down is taken, in the table or not (Tab and Enter do nothing). The
    // letters follow the active layout when it is Latin; Shift never changes the action.
    if (KeyAction action = FindSongKey(ui::CommandKey(*keyEvent))) action(*this);
    return true;
}
