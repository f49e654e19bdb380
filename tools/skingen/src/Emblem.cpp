#include "Emblem.h"

#include <QPainterPath>
#include <array>
#include <cmath>
#include <numbers>

namespace skingen {

namespace {

QPointF onCircle(QPointF centre, qreal radius, qreal degrees) {
    const qreal a = degrees * std::numbers::pi / 180.0;
    return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

}  // namespace

void paintEmblem(QPainter& painter, QPointF centre, qreal diameter, const EmblemLook& look) {
    const qreal width = diameter * look.ringWidth;
    const qreal radius = diameter / 2 - width * 1.1;

    // The ring runs counter-clockwise from the gap at the lower right and ends in an arrow
    // head that points back into the gap: the loop, and the tail of the Q.
    const qreal startDeg = -8, endDeg = 284;
    const qreal headLength = width * 2.4, headHalf = width * 1.55;
    const qreal degreesPerUnit = 180.0 / (std::numbers::pi * radius);
    const qreal baseDeg = endDeg - headLength * degreesPerUnit;
    const QRectF circleRect(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    QPainterPath ring;
    ring.arcMoveTo(circleRect, startDeg);
    ring.arcTo(circleRect, startDeg, baseDeg + 3 - startDeg);
    painter.strokePath(ring, QPen(look.ring, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    // The head sits on the chord from its base to its tip, so it follows the curve.
    const QPointF base = onCircle(centre, radius, baseDeg);
    const QPointF tip = onCircle(centre, radius, endDeg);
    const QPointF axis = (tip - base) / std::hypot(tip.x() - base.x(), tip.y() - base.y());
    const QPointF across(-axis.y(), axis.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(base + across * headHalf);
    head.lineTo(base - across * headHalf);
    head.closeSubpath();
    painter.setPen(QPen(look.ring, width * 0.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(look.ring);
    painter.drawPath(head);

    // A short waveform inside the ring.
    static constexpr std::array<qreal, 5> kFive{0.34, 0.70, 1.0, 0.58, 0.30};
    static constexpr std::array<qreal, 3> kThree{0.55, 1.0, 0.62};
    const int count = look.barCount == 3 ? 3 : 5;
    const qreal* heights = count == 3 ? kThree.data() : kFive.data();
    const qreal inner = radius - width / 2;
    const qreal barWidth = inner * (count == 3 ? 0.30 : 0.20);
    const qreal gap = barWidth * (count == 3 ? 0.62 : 0.60);
    const qreal total = count * barWidth + (count - 1) * gap;
    const qreal tallest = inner * 1.12;
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.bars);
    for (int i = 0; i < count; ++i) {
        const qreal h = std::max(barWidth, tallest * heights[i]);
        const QRectF bar(centre.x() - total / 2 + i * (barWidth + gap), centre.y() - h / 2,
                         barWidth, h);
        painter.drawRoundedRect(bar, barWidth / 2, barWidth / 2);
    }
}

}  // namespace skingen
