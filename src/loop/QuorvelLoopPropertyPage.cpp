#include "loop/QuorvelLoopPropertyPage.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "engine/PlaybackState.h"
#include "lang/LanguageText.h"
#include "loop/LoopPageTemplate.h"
#include "loop/LoopRegion.h"
#include "loop/MarkerLabel.h"
#include "ui/BitmapButton.h"
#include "ui/ControlColours.h"
#include "ui/QtText.h"
#include "ui/SkinResource.h"

namespace {

constexpr int IDC_LOOP_FRAME = 600;
constexpr int IDC_LOOP_RESTART = 601;
constexpr int IDC_LOOP_RESET = 602;
constexpr int IDC_LOOP_ZOOM = 603;

// Pointers of the loop editor.
constexpr int IDC_CURSOR_CROSS = 104;     // Shift held in zoom mode
constexpr int IDC_CURSOR_ZOOM = 106;      // zoom mode
constexpr int IDC_CURSOR_ZOOM_IN = 107;   // left button held in zoom mode
constexpr int IDC_CURSOR_ZOOM_OUT = 108;  // right button held in zoom mode

// The markers: where their labels sit below the area's top, and their colours.
constexpr int kPositionLabelOffset = 0;
constexpr int kStartLabelOffset = 14;
constexpr int kEndLabelOffset = 28;
const QColor kPositionColour(255, 255, 255);
const QColor kStartColour(150, 255, 150);
const QColor kEndColour(255, 150, 150);

// The system's simple beep: a command that needs a song found none.
void SimpleBeep() {
    QApplication::beep();
}

}  // namespace

CQuorvelLoopPropertyPage::CQuorvelLoopPropertyPage(QWidget* parent)
    : ui::CTemplateDialog(LoopPageTemplate(), parent) {
    // A page inside its parent, not a window of its own.
    setWindowFlags(Qt::Widget);
    ui::ApplyControlBackground(this);
    // The frame is drawn over the page's own painting, which shows the waveform inside it.
    // Clicks on it reach the page, as a frame takes none of its own.
    if (QWidget* frame = GetDlgItem(IDC_LOOP_FRAME)) {
        frame->setAutoFillBackground(false);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    // Every move counts, with a button held or not (the one after the Open dialog is skipped).
    setMouseTracking(true);
    // The picture fills in while the song's peaks are read.
    m_timerPeaks.setInterval(100);
    connect(&m_timerPeaks, &QTimer::timeout, this, &CQuorvelLoopPropertyPage::OnPeaksTimer);
    // No song yet, so no region.
    g_loopRegion.qwStartPoint = 0;
    g_loopRegion.qwEndPoint = 0;
}

bool CQuorvelLoopPropertyPage::OnInitDialog() {
    // The waveform must sit on the same pixels whatever the screen's resolution.
    m_layout.Apply(this, Template(), 96);
    m_nWaveWidth = width() - kWaveMarginX;
    m_nWaveHeight = height() - kWaveMarginY;
    m_rScreenRatio = devicePixelRatio();
    m_waveform = CWaveformImage(m_nWaveWidth, m_nWaveHeight, m_rScreenRatio);
    ShowWaveform();
    m_nZoom = 1;
    m_fViewStart = 0;
    LoadCursors();
    BindControls();
    return true;
}

void CQuorvelLoopPropertyPage::LoadCursors() {
    m_hCursorCross = ui::LoadSkinCursor(IDC_CURSOR_CROSS, m_rScreenRatio);
    m_hCursorZoom = ui::LoadSkinCursor(IDC_CURSOR_ZOOM, m_rScreenRatio);
    m_hCursorZoomIn = ui::LoadSkinCursor(IDC_CURSOR_ZOOM_IN, m_rScreenRatio);
    m_hCursorZoomOut = ui::LoadSkinCursor(IDC_CURSOR_ZOOM_OUT, m_rScreenRatio);
}

void CQuorvelLoopPropertyPage::FollowScreenRatio() {
    const qreal ratio = devicePixelRatio();
    if (std::abs(ratio - m_rScreenRatio) < 0.001) return;
    m_rScreenRatio = ratio;
    const std::array<QCursor*, 4> pointers = {&m_hCursorCross, &m_hCursorZoom, &m_hCursorZoomIn,
                                              &m_hCursorZoomOut};
    const QCursor shown = window()->cursor();
    const auto showing = std::find_if(pointers.begin(), pointers.end(),
                                      [&](const QCursor* pointer) { return *pointer == shown; });
    LoadCursors();
    if (showing != pointers.end()) SetClassCursor(**showing);
    m_waveform = CWaveformImage(m_nWaveWidth, m_nWaveHeight, ratio);
    m_pixWave = QPixmap::fromImage(m_waveform.Image());
    DrawWaveform();
}

void CQuorvelLoopPropertyPage::BindControls() {
    for (int id : {IDC_LOOP_RESTART, IDC_LOOP_RESET, IDC_LOOP_ZOOM}) ui::BindBitmapButton(this, id);
    CreateToolTips();
    if (auto* frame = GetDlgItem<QGroupBox>(IDC_LOOP_FRAME))
        frame->setTitle(ui::ToQtText(GetLanguageText(71)));
}

void CQuorvelLoopPropertyPage::CreateToolTips() {
    static constexpr struct {
        int id;
        int text;
    } kButtonTips[] = {{IDC_LOOP_RESTART, 4}, {IDC_LOOP_RESET, 5}, {IDC_LOOP_ZOOM, 6}};
    for (const auto& tip : kButtonTips) {
        m_arrToolTips.push_back(std::make_unique<ui::CToolTipCtrl>(this));
        ui::AddControlTip(*m_arrToolTips.back(), tip.id, GetLanguageText(tip.text));
    }
    // The fourth covers the whole page: it shows wherever no button's tip does.
    m_arrToolTips.push_back(std::make_unique<ui::CToolTipCtrl>(this));
    ui::AddAreaTip(*m_arrToolTips.back(), this, GetLanguageText(7), rect(), 0);
}

void CQuorvelLoopPropertyPage::SetSong(bool bResetLoop, audio::HSTREAM stream,
                                       const std::string& path, bool bMarkChanged) {
    m_dwStream = stream;
    m_strSongPath = path;
    if (bResetLoop) {
        SetLoopStart(0, bMarkChanged);
        SetLoopEnd(0, bMarkChanged);
        m_nZoom = 1;
        m_fViewStart = 0;
    }
    // Once per stream: the sync lives, unkept, until the stream is freed.
    if (stream && stream != m_dwEndSyncedStream) {
        audio::ChannelSetSync(stream, audio::SYNC_END | audio::SYNC_MIXTIME, 0, &LoopSyncProc,
                              nullptr);
        m_dwEndSyncedStream = stream;
    }
    if (!stream) return;

    // A column never covers less than one 20 ms level reading at zoom 1.
    m_dwBytesPerColumn = BytesPerColumn(audio::ChannelGetLength(stream), m_nWaveWidth,
                                        audio::ChannelSeconds2Bytes(stream, 0.02f));
    // Zoom and pan keep the song's peaks; a new song (or the same file opened anew) reads them
    // again.
    if (stream != m_dwPeaksStream || path != m_peaks.Path()) {
        m_peaks.Start(path);
        m_dwPeaksStream = stream;
        m_nPeaksDrawn = 0;
        m_bPeaksFinal = false;
    }
    DrawWaveform();
    if (!m_peaks.IsFinal()) m_timerPeaks.start();
}

void CQuorvelLoopPropertyPage::DrawWaveform() {
    const CPeakCache::State state = m_peaks.GetState();
    if (!m_dwStream || state == CPeakCache::State::Empty || state == CPeakCache::State::Opening ||
        state == CPeakCache::State::Failed)
        return;
    // The state first: once it is final, the steps read after it are all there are.
    const bool bFinal = m_peaks.IsFinal();
    const std::span<const PeakStep> steps = m_peaks.Steps();
    m_waveform.Clear();
    // The view's columns are device-independent; the picture's are the screen's own pixels.
    const auto bytesPerViewColumn = m_dwBytesPerColumn / static_cast<audio::DWORD>(m_nZoom);
    m_waveform.Draw(steps, audio::ChannelSeconds2Bytes(m_dwStream, m_fViewStart),
                    static_cast<audio::QWORD>(bytesPerViewColumn / m_waveform.Scale()));
    m_nPeaksDrawn = steps.size();
    m_bPeaksFinal = bFinal;
    ShowWaveform();
}

void CQuorvelLoopPropertyPage::OnPeaksTimer() {
    const bool bFinal = m_peaks.IsFinal();
    if (m_peaks.Steps().size() != m_nPeaksDrawn || bFinal != m_bPeaksFinal) DrawWaveform();
    if (bFinal) m_timerPeaks.stop();
}

bool CQuorvelLoopPropertyPage::IsWaveformComplete() const {
    return m_peaks.IsFinal() && !m_timerPeaks.isActive();
}

void CQuorvelLoopPropertyPage::ShowWaveform() {
    m_pixWave = QPixmap::fromImage(m_waveform.Image());
    update();
}

WaveformView CQuorvelLoopPropertyPage::View() const {
    WaveformView view;
    view.nWaveWidth = m_nWaveWidth;
    view.dwBytesPerColumn = m_dwBytesPerColumn;
    view.nZoom = m_nZoom;
    view.qwViewStart = m_dwStream ? audio::ChannelSeconds2Bytes(m_dwStream, m_fViewStart) : 0;
    return view;
}

int CQuorvelLoopPropertyPage::PositionToX(audio::QWORD position) const {
    return View().PositionToX(position);
}

audio::QWORD CQuorvelLoopPropertyPage::ColumnToPosition(int x) const {
    return View().ColumnToPosition(x);
}

void CQuorvelLoopPropertyPage::ZoomIn(int x) {
    if (m_nZoom >= 32) return;
    ChangeZoom(x, m_nZoom * 2);
}

void CQuorvelLoopPropertyPage::ZoomOut(int x) {
    if (m_nZoom <= 1) return;
    ChangeZoom(x, m_nZoom / 2);
}

void CQuorvelLoopPropertyPage::ChangeZoom(int x, int nNewZoom) {
    if (!m_dwStream) return;
    const double songSeconds =
        audio::ChannelBytes2Seconds(m_dwStream, audio::ChannelGetLength(m_dwStream));
    m_fViewStart = ZoomedViewStart(m_fViewStart, songSeconds, m_nWaveWidth, m_nZoom, nNewZoom, x);
    m_nZoom = nNewZoom;
    SetSong(false, m_dwStream, m_strSongPath, false);
}

void CQuorvelLoopPropertyPage::Pan(int x) {
    if (!m_dwStream) return;
    const double songSeconds =
        audio::ChannelBytes2Seconds(m_dwStream, audio::ChannelGetLength(m_dwStream));
    // How far the clicked column lies from the centre, in bytes of the stream.
    const std::int64_t offset = std::int64_t((x - kWaveLeft) - m_nWaveWidth / 2) *
                                std::int64_t(m_dwBytesPerColumn) / m_nZoom;
    const double seconds = audio::ChannelBytes2Seconds(
        m_dwStream, static_cast<audio::QWORD>(offset < 0 ? -offset : offset));
    m_fViewStart = ClampViewStart(double(m_fViewStart) + (offset < 0 ? -seconds : seconds),
                                  songSeconds, m_nZoom);
    SetSong(false, m_dwStream, m_strSongPath, false);
}

void CQuorvelLoopPropertyPage::SetLoopStart(audio::QWORD qwPos, bool bMarkChanged) {
    // No sync moves: the start is read at the moment of each jump, which the audio layer
    // prepares ahead.
    g_loopRegion.qwStartPoint = qwPos;
    if (m_dwStream) audio::ChannelSetJumpTarget(m_dwStream, qwPos);
    update();
    if (bMarkChanged) g_bModified = 1;
}

void CQuorvelLoopPropertyPage::SetLoopEnd(audio::QWORD qwPos, bool bMarkChanged) {
    g_loopRegion.qwEndPoint = qwPos;
    audio::ChannelRemoveSync(m_dwStream, m_hEndSync);
    m_hEndSync = qwPos ? audio::ChannelSetSync(m_dwStream, audio::SYNC_POS | audio::SYNC_MIXTIME,
                                               qwPos, &LoopSyncProc, nullptr)
                       : 0;
    update();
    if (bMarkChanged) g_bModified = 1;
}

void CQuorvelLoopPropertyPage::ClearStream() {
    // Nothing may keep reading the song once its stream goes; what was read stays in the
    // picture.
    m_peaks.Stop();
    DrawWaveform();
    m_timerPeaks.stop();
    m_dwPeaksStream = 0;
    // The stream goes with every sync on it.
    m_dwStream = 0;
    m_hEndSync = 0;
}

std::function<void()> CQuorvelLoopPropertyPage::KeepRegionAndView() {
    const audio::QWORD start = g_loopRegion.qwStartPoint.load();
    const audio::QWORD end = g_loopRegion.qwEndPoint;
    const int zoom = m_nZoom;
    const float viewStart = m_fViewStart;
    return [this, start, end, zoom, viewStart] {
        SetLoopStart(start, false);
        SetLoopEnd(end, false);  // the end marker's sync goes on the new stream
        m_nZoom = zoom;
        m_fViewStart = viewStart;
        SetSong(false, m_dwStream, m_strSongPath, false);
    };
}

void CQuorvelLoopPropertyPage::OnLoopRestart() {
    if (!m_dwStream) {
        SimpleBeep();
        return;
    }
    // Playing or not, only the position moves.
    audio::ChannelSetPosition(m_dwStream, g_loopRegion.qwStartPoint.load());
    update();
}

void CQuorvelLoopPropertyPage::OnLoopReset() {
    if (!m_dwStream) {
        SimpleBeep();
        return;
    }
    SetLoopStart(0, false);
    SetLoopEnd(0, false);
}

void CQuorvelLoopPropertyPage::OnLoopZoom() {
    if (!m_dwStream) {
        SimpleBeep();
        return;
    }
    m_bZoomMode = !m_bZoomMode;
    SetClassCursor(m_bZoomMode ? m_hCursorZoom : QCursor(Qt::ArrowCursor));
}

bool CQuorvelLoopPropertyPage::OnLoopKey(int key) {
    switch (key) {
        case Qt::Key_N:
            SetLoopStart(audio::ChannelGetPosition(m_dwStream), true);
            return true;
        case Qt::Key_M:
            SetLoopEnd(audio::ChannelGetPosition(m_dwStream), true);
            return true;
        case Qt::Key_B:  // the same as Reset
            SetLoopStart(0, false);
            SetLoopEnd(0, false);
            return true;
        case Qt::Key_Comma:
            audio::ChannelSetPosition(m_dwStream, g_loopRegion.qwStartPoint.load());
            return true;
        case Qt::Key_Period:  // without an end marker: the beginning of the song
            audio::ChannelSetPosition(m_dwStream, g_loopRegion.qwEndPoint);
            return true;
        case Qt::Key_Up:  // around the playing position, even when it is out of view
            ZoomIn(PositionToX(audio::ChannelGetPosition(m_dwStream)));
            return true;
        case Qt::Key_Down:
            ZoomOut(PositionToX(audio::ChannelGetPosition(m_dwStream)));
            return true;
        case Qt::Key_Z:  // the whole song again; the region stays
            m_nZoom = 1;
            m_fViewStart = 0;
            SetSong(false, m_dwStream, m_strSongPath, false);
            return true;
        default:
            return false;
    }
}

void CQuorvelLoopPropertyPage::OnCommand(int id, int notifyCode) {
    // A double click is one click: Zoom must not toggle twice.
    if (notifyCode != ui::BN_CLICKED) return;
    switch (id) {
        case IDC_LOOP_RESTART:
            OnLoopRestart();
            break;
        case IDC_LOOP_RESET:
            OnLoopReset();
            break;
        case IDC_LOOP_ZOOM:
            OnLoopZoom();
            break;
        default:
            break;
    }
}

bool CQuorvelLoopPropertyPage::OnShiftKey(bool bPressed) {
    if (bPressed) {
        if (m_bZoomMode) SetClassCursor(m_hCursorCross);
        return m_bZoomMode;
    }
    SetClassCursor(m_bZoomMode ? m_hCursorZoom : QCursor(Qt::ArrowCursor));
    return true;
}

void CQuorvelLoopPropertyPage::SetClassCursor(const QCursor& cursor) {
    // The pages take the main window's pointer: changing it there changes it everywhere.
    window()->setCursor(cursor);
}

void CQuorvelLoopPropertyPage::paintEvent(QPaintEvent* event) {
    // A window that moves to a screen of another ratio is painted anew there.
    FollowScreenRatio();
    ui::CTemplateDialog::paintEvent(event);
    QPainter painter(this);
    painter.drawPixmap(kWaveLeft, kWaveTop, m_pixWave);
    if (!m_dwStream) return;
    DrawMarker(painter, g_loopRegion.qwStartPoint.load(), kStartLabelOffset, kStartColour);
    DrawMarker(painter, g_loopRegion.qwEndPoint, kEndLabelOffset, kEndColour);
    DrawMarker(painter, audio::ChannelGetPosition(m_dwStream), kPositionLabelOffset,
               kPositionColour);
}

void CQuorvelLoopPropertyPage::DrawMarker(QPainter& painter, audio::QWORD position,
                                          int nLabelOffset, const QColor& colour) const {
    const int x = PositionToX(position);
    if (x < kWaveLeft || x >= m_nWaveWidth + kWaveLeft) return;
    painter.fillRect(x, kWaveTop, 1, m_nWaveHeight, colour);

    const QString label = QString::fromStdString(MarkerLabel(m_dwStream, position));
    // Crisp pixels: the label sits on the picture's bars, where a blend would blur it.
    QFont labelFont = font();
    labelFont.setStyleStrategy(QFont::NoAntialias);
    labelFont.setBold(true);
    painter.setFont(labelFont);
    painter.setPen(colour);
    const QFontMetrics metrics(labelFont);
    // In the left half the text follows the line; in the right half it ends there.
    const int left = x < m_nWaveWidth / 2 ? x : x - metrics.horizontalAdvance(label);
    painter.drawText(left, kWaveTop + nLabelOffset + metrics.ascent(), label);
}
