#include "ui/SliderCtrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <algorithm>

#include "ui/SliderStyle.h"

namespace ui {

CSliderCtrl::CSliderCtrl(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    setStyle(SliderStyle());
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractSlider::actionTriggered, this, &CSliderCtrl::OnActionTriggered);
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        emit scrolled(TB_THUMBPOSITION);
        emit scrolled(TB_ENDTRACK);
        m_actionSinceEnd = false;
    });
}

void CSliderCtrl::SetThumbLength(int length) {
    m_nThumbLength = std::max(1, length);
    update();
}

void CSliderCtrl::SetTicks(std::vector<int> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    m_ticks = std::move(positions);
    m_nTicFreq = 0;
    update();
}

void CSliderCtrl::SetTicFreq(int frequency) {
    m_ticks.clear();
    m_nTicFreq = std::max(0, frequency);
    update();
}

void CSliderCtrl::ClearTicks() {
    m_ticks.clear();
    m_nTicFreq = 0;
    update();
}

std::vector<int> CSliderCtrl::TickPositions() const {
    std::vector<int> ticks;
    if (m_nTicFreq > 0) {
        for (long long position = minimum(); position < maximum(); position += m_nTicFreq)
            ticks.push_back(static_cast<int>(position));
        ticks.push_back(maximum());
    } else {
        for (int position : m_ticks)
            if (position >= minimum() && position <= maximum()) ticks.push_back(position);
    }
    return ticks;
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
    // The action's position is already known: one that changes nothing brings no value change,
    // and its code must not be taken for a later change made by the program.
    if (sliderPosition() == value()) m_pendingCode = -1;
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
    m_ptPointer = event->position().toPoint();
    QSlider::mousePressEvent(event);
    event->accept();  // a press on a slider never reaches the window behind it
}

void CSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    m_ptPointer = event->position().toPoint();
    QSlider::mouseMoveEvent(event);
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

void CSliderCtrl::timerEvent(QTimerEvent* event) {
    // The held press's repeat: page on only while the pointer is still beyond the thumb.
    const SliderAction action = repeatAction();
    if (action == SliderPageStepAdd || action == SliderPageStepSub) {
        const int wanted = action == SliderPageStepAdd ? 1 : -1;
        if (SideOfPointer() != wanted) {
            setRepeatAction(SliderNoAction);
            return;
        }
    }
    QSlider::timerEvent(event);
}

int CSliderCtrl::SideOfPointer() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const bool horizontal = orientation() == Qt::Horizontal;
    const int pointer = horizontal ? m_ptPointer.x() : m_ptPointer.y();
    const int first = horizontal ? thumb.left() : thumb.top();
    const int last = horizontal ? thumb.right() : thumb.bottom();
    if (pointer >= first && pointer <= last) return 0;
    // Towards the far end of the control means towards the maximum, unless drawn upside down.
    const int towardsFarEnd = pointer > last ? 1 : -1;
    return option.upsideDown ? -towardsFarEnd : towardsFarEnd;
}

void CSliderCtrl::SetFillOrigin(std::optional<int> value) {
    m_fillOrigin = value;
    update();
}

}  // namespace ui
