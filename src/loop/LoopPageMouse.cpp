// The loop editor page's mouse: outside zoom mode the left button sets the loop start and the
// right button the loop end, dragging them while held; in zoom mode the buttons zoom in and out
// around the pointer, and Shift with the left button pans. The region needs a song.
#include <QMouseEvent>

#include "loop/QuorvelLoopPropertyPage.h"

void CQuorvelLoopPropertyPage::mousePressEvent(QMouseEvent* event) {
    // Taken here in every case: a press on the page never drags the main window.
    event->accept();
    if (!m_dwStream) return;
    if (m_bZoomMode) {
        OnZoomModePress(event);
        return;
    }
    const int x = qRound(event->position().x());
    if (event->button() == Qt::LeftButton)
        SetLoopStart(ColumnToPosition(x), true);
    else if (event->button() == Qt::RightButton)
        SetLoopEnd(ColumnToPosition(x), true);
}

void CQuorvelLoopPropertyPage::OnZoomModePress(QMouseEvent* event) {
    const int x = qRound(event->position().x());
    const bool bShift = event->modifiers().testFlag(Qt::ShiftModifier);
    if (bShift) {
        if (event->button() == Qt::LeftButton) Pan(x);
        return;
    }
    // Zoom clicks count only over the picture; the first column is not one of them.
    if (x <= kWaveLeft || x > m_nWaveWidth + kWaveLeft - 1) return;
    if (event->button() == Qt::LeftButton) {
        SetClassCursor(m_hCursorZoomIn);
        ZoomIn(x);
    } else if (event->button() == Qt::RightButton) {
        SetClassCursor(m_hCursorZoomOut);
        ZoomOut(x);
    }
}

void CQuorvelLoopPropertyPage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    // The move that follows the Open dialog's closing double click.
    if (m_bIgnoreNextMove) {
        m_bIgnoreNextMove = false;
        return;
    }
    if (m_bZoomMode || !m_dwStream) return;
    const int x = qRound(event->position().x());
    // Both buttons held put both markers on the same place.
    if (event->buttons().testFlag(Qt::LeftButton)) SetLoopStart(ColumnToPosition(x), true);
    if (event->buttons().testFlag(Qt::RightButton)) SetLoopEnd(ColumnToPosition(x), true);
}

void CQuorvelLoopPropertyPage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!m_bZoomMode || event->modifiers().testFlag(Qt::ShiftModifier)) return;
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        SetClassCursor(m_hCursorZoom);
}
