#pragma once

#include <QCursor>
#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "ui/TemplateDialog.h"
#include "ui/ToolTipCtrl.h"

// The loop editor page (dialog 311), a hidden child of the main window until the Loop button
// shows it. It keeps the loop region of the loaded song (g_loopRegion) and makes playback repeat
// it: a mixing-time sync at the end marker and one at the end of the stream jump back to the
// loop start. Restart (601), Reset (602) and Zoom (603) act on it, and so do the main window's
// loop keys while a song is loaded.
class CQuorvelLoopPropertyPage : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 311;
    // The waveform area's top-left corner in the page, and what the page keeps around it.
    static constexpr int kWaveLeft = 20;
    static constexpr int kWaveTop = 20;
    static constexpr int kWaveMarginX = 76;
    static constexpr int kWaveMarginY = 40;

    explicit CQuorvelLoopPropertyPage(QWidget* parent = nullptr);

    // Takes the playback stream and the song's path. With bResetLoop the region is emptied
    // (marking the change only when asked) and the view goes back to zoom 1 at the song's start.
    // A stream seen for the first time gets the end-of-stream loop sync.
    void SetSong(bool bResetLoop, audio::HSTREAM stream, const std::string& path,
                 bool bMarkChanged);
    void SetLoopStart(audio::QWORD qwPos, bool bMarkChanged);
    // Moves the end marker's sync to the new place; an end of 0 removes it.
    void SetLoopEnd(audio::QWORD qwPos, bool bMarkChanged);
    // The stream is about to be freed (the main window is closing): from now on the buttons
    // only beep.
    void ClearStream();

    void OnLoopRestart();
    void OnLoopReset();
    void OnLoopZoom();

    // A key the main window routes here while a song is loaded (Qt::Key_N, _M, _B, _Comma,
    // _Period); false when the key is not one of the page's.
    bool OnLoopKey(int key);

    audio::HSTREAM Stream() const { return m_dwStream; }
    const std::string& SongPath() const { return m_strSongPath; }
    audio::HSYNC EndSync() const { return m_hEndSync; }
    // One per tip: the three buttons', then the one covering the whole page.
    const std::vector<std::unique_ptr<ui::CToolTipCtrl>>& ToolTips() const { return m_arrToolTips; }

    // Size of the waveform area in pixels, fixed at creation from the laid-out page.
    int m_nWaveWidth = 0;
    int m_nWaveHeight = 0;
    int m_nZoom = 1;                 // 1, 2, 4 ... 32
    float m_fViewStart = 0;          // seconds of song at the waveform's left edge
    bool m_bZoomMode = false;        // clicks zoom instead of setting the region
    bool m_bIgnoreNextMove = false;  // set before the Open dialog: its last double-click's move

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BindControls();
    void CreateToolTips();
    // The pointer of the main window and of both pages (they share one window class).
    void SetClassCursor(const QCursor& cursor);

    audio::HSTREAM m_dwStream = 0;           // the playback stream; 0 before a song, after closing
    audio::HSTREAM m_dwEndSyncedStream = 0;  // the stream that carries the end-of-stream sync
    std::string m_strSongPath;
    audio::HSYNC m_hEndSync = 0;  // the position sync at the end marker; 0 when none

    QCursor m_hCursorZoom;
    std::vector<std::unique_ptr<ui::CToolTipCtrl>> m_arrToolTips;
};
