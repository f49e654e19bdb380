#include "ui/CaptionGroupBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ui {

namespace {
constexpr int kCaptionIndent = 8;  // from the frame's left edge to the caption
constexpr int kCaptionGap = 2;     // blank between the frame line and the caption's ends
}  // namespace

CCaptionGroupBox::CCaptionGroupBox(bool notify, QWidget* parent)
    : QGroupBox(parent), m_notify(notify) {}

QRect CCaptionGroupBox::CaptionRect() const {
    const QFontMetricsF metrics(font());
    const int width = std::min(static_cast<int>(std::ceil(metrics.horizontalAdvance(title()))),
                               this->width() - 2 * kCaptionIndent);
    return {kCaptionIndent, 0, std::max(0, width), static_cast<int>(std::ceil(metrics.height()))};
}

void CCaptionGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect caption = CaptionRect();
    // The frame's top line runs through the middle of the caption's line.
    const QRect frame = rect().adjusted(0, caption.height() / 2, -1, -1);
    const QColor shadow(160, 160, 160);
    painter.setPen(shadow);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::white);
    painter.drawRect(frame.adjusted(1, 1, 0, 0));

    if (title().isEmpty()) return;
    painter.fillRect(caption.adjusted(-kCaptionGap, 0, kCaptionGap, 0), palette().window());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QString text = fontMetrics().elidedText(title(), Qt::ElideRight, caption.width());
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void CCaptionGroupBox::mousePressEvent(QMouseEvent* event) {
    if (!m_notify) {
        QGroupBox::mousePressEvent(event);
        return;
    }
    // Only the left button is the box's own; the others go on to the window behind it (its
    // right click opens the window's menu).
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    emit clicked();
}

}  // namespace ui
