#pragma once

#include <QCursor>
#include <QPixmap>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "loop/PeakCache.h"
#include "loop/WaveformImage.h"
#include "loop/WaveformView.h"
#include "ui/TemplateDialog.h"
#include "ui/ToolTipCtrl.h"

class QMouseEvent;
class QPainter;

// The loop editor page (dialog 311), a hidden child of the main window until the Loop button
// shows it. It keeps the loop region of the loaded song (g_loopRegion) and makes playback repeat
// it: a mixing-time sync at the end marker and one at the end of the stream jump back to the
// loop start. Restart (601), Reset (602) and Zoom (603) act on it, and so do the main window's
// loop keys while a song is loaded.
//
// It shows the song as a level picture with the loop start, loop end and playing position as
// labelled lines. The picture comes from the song's peak levels, read once per song on a
// background thread (CPeakCache) and drawn as they arrive; zoom and pan redraw from them. The left
// mouse button sets the start, the right one the end; in zoom mode they zoom in and out around the
// pointer (up to 32 times) and Shift with the left button pans.
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
    // A stream seen for the first time gets the end-of-stream loop sync. A new stream or path
    // starts reading the song's peak levels in the background; the picture of the current view
    // is drawn from what has been read, and fills in as the rest arrives. Never waits for it.
    void SetSong(bool bResetLoop, audio::HSTREAM stream, const std::string& path,
                 bool bMarkChanged);
    void SetLoopStart(audio::QWORD qwPos, bool bMarkChanged);
    // Moves the end marker's sync to the new place; an end of 0 removes it.
    void SetLoopEnd(audio::QWORD qwPos, bool bMarkChanged);
    // The stream is about to be freed (the main window is closing, or the song file moves):
    // the peak reading stops (its decoder freed before this returns) and from now on the buttons
    // only beep. The picture stays as it is.
    void ClearStream();
    // The region and the view as they are now, as a call that sets them again (unmarked) on the
    // page's stream of that time: the same song, loaded anew.
    std::function<void()> KeepRegionAndView();

    void OnLoopRestart();
    void OnLoopReset();
    void OnLoopZoom();

    // A key the main window routes here while a song is loaded (Qt::Key_N, _M, _B, _Comma,
    // _Period, _Up, _Down, _Z); false when the key is not one of the page's.
    bool OnLoopKey(int key);
    // Shift pressed or released anywhere in the main window: the crosshair while it is held in
    // zoom mode, else the pointer of the mode. False for a press outside zoom mode, which the
    // main window then treats as any other key.
    bool OnShiftKey(bool bPressed);

    // Doubles (halves) the zoom, the time under page column x becoming the view's centre, and
    // redraws the picture; nothing at 32 (1).
    void ZoomIn(int x);
    void ZoomOut(int x);
    // The page column of a byte position of the playback stream (see WaveformView).
    int PositionToX(audio::QWORD position) const;
    // The byte position under page column x, limited to the waveform area.
    audio::QWORD ColumnToPosition(int x) const;
    // True once the song's peak levels are all read (or cannot be) and the picture shows them.
    bool IsWaveformComplete() const;

    audio::HSTREAM Stream() const { return m_dwStream; }
    const std::string& SongPath() const { return m_strSongPath; }
    audio::HSYNC EndSync() const { return m_hEndSync; }
    // One per tip: the three buttons', then the one covering the whole page.
    const std::vector<std::unique_ptr<ui::CToolTipCtrl>>& ToolTips() const { return m_arrToolTips; }
    const CWaveformImage& Waveform() const { return m_waveform; }
    const CPeakCache& Peaks() const { return m_peaks; }

    // Size of the waveform area in pixels, fixed at creation from the laid-out page.
    int m_nWaveWidth = 0;
    int m_nWaveHeight = 0;
    audio::DWORD m_dwBytesPerColumn = 0;  // stream bytes per column at zoom 1
    int m_nZoom = 1;                      // 1, 2, 4 ... 32
    float m_fViewStart = 0;               // seconds of song at the waveform's left edge
    bool m_bZoomMode = false;             // clicks zoom instead of setting the region
    bool m_bIgnoreNextMove = false;  // set before the Open dialog: its last double-click's move

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BindControls();
    void CreateToolTips();
    // The pointer of the main window and of both pages (they share one window class).
    void SetClassCursor(const QCursor& cursor);
    void LoadCursors();
    // On a screen of another device pixel ratio (the window moved, or was first shown there):
    // pointers and picture at that screen's resolution, the pointer shown keeping its shape.
    void FollowScreenRatio();
    WaveformView View() const;
    // Zoom mode: a pan with Shift, otherwise a zoom click.
    void OnZoomModePress(QMouseEvent* event);
    void Pan(int x);
    void ChangeZoom(int x, int nNewZoom);
    void DrawMarker(QPainter& painter, audio::QWORD position, int nLabelOffset,
                    const QColor& colour) const;
    // Redraws the picture of the current view from the peaks read so far. While the song is
    // still being opened, or when it cannot be, the picture stays as it was.
    void DrawWaveform();
    // The fill-in timer: redraws while more peaks arrive, and stops once they are all there.
    void OnPeaksTimer();
    // Shows the picture: the memory surface follows the image.
    void ShowWaveform();

    audio::HSTREAM m_dwStream = 0;           // the playback stream; 0 before a song, after closing
    audio::HSTREAM m_dwEndSyncedStream = 0;  // the stream that carries the end-of-stream sync
    std::string m_strSongPath;
    audio::HSYNC m_hEndSync = 0;  // the position sync at the end marker; 0 when none

    CPeakCache m_peaks;
    audio::HSTREAM m_dwPeaksStream = 0;  // the stream whose song m_peaks reads
    QTimer m_timerPeaks;
    std::size_t m_nPeaksDrawn = 0;  // steps the picture showed when last drawn
    bool m_bPeaksFinal = false;     // m_peaks was final when last drawn
    CWaveformImage m_waveform;
    QPixmap m_pixWave;          // the picture as it is copied to the screen
    qreal m_rScreenRatio = 1;  // the screen the picture and the pointers were made for

    QCursor m_hCursorCross;
    QCursor m_hCursorZoom;
    QCursor m_hCursorZoomIn;
    QCursor m_hCursorZoomOut;
    std::vector<std::unique_ptr<ui::CToolTipCtrl>> m_arrToolTips;
};
