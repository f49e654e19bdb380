#include "ui/HoverFocus.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "ui/ControlId.h"
#include "ui/MessagePreFilter.h"

namespace ui {

bool TakesHoverFocus(int id) {
    return (id >= 400 && id <= 409) || (id >= 430 && id <= 435) || id == 518 || id == 519 ||
           id == 601 || id == 602 || id == 740 || id == 741 || id == 742;
}

QWidget* WindowUnderPointer(QPoint globalPos) {
    QWidget* widget = QApplication::widgetAt(globalPos);  // skips mouse-transparent controls
    while (widget && !widget->isWindow() && !widget->isEnabled()) widget = widget->parentWidget();
    return widget;
}

CHoverFocus::CHoverFocus(QWidget* window, QWidget* focusSink)
    : m_pWindow(window),
      m_pFocusSink(focusSink),
      m_preFilter(std::make_unique<CMessagePreFilter>(
          window, [this](QObject* target, QEvent* event) { return OnEvent(target, event); })) {}

CHoverFocus::~CHoverFocus() = default;

void CHoverFocus::OnSetCursor(QWidget* underPointer) {
    QWidget* target = underPointer && TakesHoverFocus(GetDlgCtrlID(underPointer))
                          ? underPointer
                          : m_pFocusSink.data();
    if (target && !target->hasFocus()) target->setFocus(Qt::MouseFocusReason);
}

bool CHoverFocus::OnEvent(QObject* target, QEvent* event) {
    if (event->type() != QEvent::MouseMove) return false;
    auto* move = static_cast<QMouseEvent*>(event);
    // A held press belongs to its control, which has the pointer to itself, unless it is one
    // that lets the pointer go (the arrows): then the moves count as usual.
    if (move->buttons() != Qt::NoButton && !target->property(kNoMouseCaptureProperty).toBool())
        return false;
    QWidget* under = WindowUnderPointer(move->globalPosition().toPoint());
    if (under && under->window() == m_pWindow) OnSetCursor(under);
    return false;
}

}  // namespace ui
