#pragma once

// What a tooltip shows when the pointer rests on a widget, as Qt delivers the request.

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace testenv {

// The tip text shown for a pointer resting at `pos` on `widget`; empty when nothing answers.
inline QString TipShownAt(QWidget* widget, QPoint pos) {
    // A tip that is already up stays up for a while after hiding: mark it instead.
    const QString untouched = QStringLiteral("\x01");
    QToolTip::showText(widget->mapToGlobal(pos), untouched, widget);
    QHelpEvent event(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    const QString text = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return text == untouched ? QString() : text;
}

}  // namespace testenv
