#include "ui/AutoRepeatButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimerEvent>

#include "ui/HoverFocus.h"

namespace ui {

CAutoRepeatButton::CAutoRepeatButton(QWidget* parent) : CBitmapButton(parent) {
    // The pointer's moves keep moving the focus while an arrow is held.
    setProperty(kNoMouseCaptureProperty, true);
}

void CAutoRepeatButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    m_ptPointer = event->globalPosition().toPoint();
    setDown(true);
    m_timer.start(kRepeatMs, this);
    emit clicked();
}

void CAutoRepeatButton::mouseMoveEvent(QMouseEvent* event) {
    // While held, every move comes here wherever the pointer is.
    m_ptPointer = event->globalPosition().toPoint();
    event->accept();
}

void CAutoRepeatButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    m_timer.stop();
    setDown(false);
}

void CAutoRepeatButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is one more step, without a repeat of its own; the
    // arrow shows itself pressed until the release.
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    setDown(true);
    emit doubleClicked();
}

void CAutoRepeatButton::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        CBitmapButton::timerEvent(event);
        return;
    }
    if (PointerIsOnMe() && isEnabled())
        emit clicked();
    else
        m_timer.stop();
}

void CAutoRepeatButton::changeEvent(QEvent* event) {
    // A button disabled while held (a step reached the end of a range elsewhere) stops.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_timer.stop();
        setDown(false);
    }
    CBitmapButton::changeEvent(event);
}

bool CAutoRepeatButton::PointerIsOnMe() const {
    return QApplication::widgetAt(m_ptPointer) == this;
}

}  // namespace ui
