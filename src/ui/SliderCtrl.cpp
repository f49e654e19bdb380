#include "ui/SliderCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ui {

CSliderCtrl::CSliderCtrl(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    connect(this, &QAbstractSlider::actionTriggered, this, &CSliderCtrl::OnActionTriggered);
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        emit scrolled(TB_THUMBPOSITION);
        emit scrolled(TB_ENDTRACK);
        m_actionSinceEnd = false;
    });
}

void CSliderCtrl::OnActionTriggered(int action) {
    switch (action) {
        case SliderSingleStepAdd:
            m_pendingCode = TB_LINEDOWN;
            break;
        case SliderSingleStepSub:
            m_pendingCode = TB_LINEUP;
            break;
        case SliderPageStepAdd:
            m_pendingCode = TB_PAGEDOWN;
            break;
        case SliderPageStepSub:
            m_pendingCode = TB_PAGEUP;
            break;
        case SliderToMinimum:
            m_pendingCode = TB_TOP;
            break;
        case SliderToMaximum:
            m_pendingCode = TB_BOTTOM;
            break;
        case SliderMove:
            m_pendingCode = TB_THUMBTRACK;
            break;
        default:
            m_pendingCode = -1;
            break;
    }
    m_actionSinceEnd = m_actionSinceEnd || m_pendingCode >= 0;
}

void CSliderCtrl::sliderChange(SliderChange change) {
    QSlider::sliderChange(change);
    // The action's signal comes before the value is set; report once the value is in place.
    if (change == SliderValueChange && m_pendingCode >= 0) {
        const int code = std::exchange(m_pendingCode, -1);
        emit scrolled(code);
    }
}

void CSliderCtrl::mousePressEvent(QMouseEvent* event) {
    QSlider::mousePressEvent(event);
    event->accept();  // a press on a slider never reaches the window behind it
}

void CSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasDragging = isSliderDown();
    QSlider::mouseReleaseEvent(event);
    event->accept();
    if (!wasDragging && m_actionSinceEnd) {
        m_actionSinceEnd = false;
        emit scrolled(TB_ENDTRACK);
    }
}

void CSliderCtrl::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    if (m_actionSinceEnd && !event->isAutoRepeat()) {
        m_actionSinceEnd = false;
        emit scrolled(TB_ENDTRACK);
    }
}

}  // namespace ui
