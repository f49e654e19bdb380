#include "loop/QuorvelLoopPropertyPage.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>

#include "engine/PlaybackState.h"
#include "lang/LanguageText.h"
#include "loop/LoopPageTemplate.h"
#include "loop/LoopRegion.h"
#include "ui/BitmapButton.h"
#include "ui/ControlColours.h"
#include "ui/QtText.h"
#include "ui/SkinResource.h"

namespace {

constexpr int IDC_LOOP_FRAME = 600;
constexpr int IDC_LOOP_RESTART = 601;
constexpr int IDC_LOOP_RESET = 602;
constexpr int IDC_LOOP_ZOOM = 603;

// The zoom mode's magnifier pointer.
constexpr int IDC_CURSOR_ZOOM = 106;

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
    if (QWidget* frame = GetDlgItem(IDC_LOOP_FRAME)) frame->setAutoFillBackground(false);
    // No song yet, so no region.
    g_loopRegion.qwStartPoint = 0;
    g_loopRegion.qwEndPoint = 0;
}

bool CQuorvelLoopPropertyPage::OnInitDialog() {
    // The waveform must sit on the same pixels whatever the screen's resolution.
    m_layout.Apply(this, Template(), 96);
    m_nWaveWidth = width() - kWaveMarginX;
    m_nWaveHeight = height() - kWaveMarginY;
    m_nZoom = 1;
    m_fViewStart = 0;
    m_hCursorZoom = ui::LoadSkinCursor(IDC_CURSOR_ZOOM);
    BindControls();
    return true;
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
}

void CQuorvelLoopPropertyPage::SetLoopStart(audio::QWORD qwPos, bool bMarkChanged) {
    // No sync moves: the start is read at the moment of each jump.
    g_loopRegion.qwStartPoint = qwPos;
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
    // The stream goes with every sync on it.
    m_dwStream = 0;
    m_hEndSync = 0;
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
        default:
            return false;
    }
}

void CQuorvelLoopPropertyPage::OnCommand(int id, int /*notifyCode*/) {
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

void CQuorvelLoopPropertyPage::SetClassCursor(const QCursor& cursor) {
    window()->setCursor(cursor);
}

void CQuorvelLoopPropertyPage::paintEvent(QPaintEvent* event) {
    ui::CTemplateDialog::paintEvent(event);
    QPainter painter(this);
    // The waveform area starts black, as the level picture does before a song arrives.
    painter.fillRect(kWaveLeft, kWaveTop, m_nWaveWidth, m_nWaveHeight, Qt::black);
}
