#include "CursorPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "PaintKit.h"

namespace skingen {

namespace {

constexpr QSize kCursorSize{32, 32};

// Puts a one-pixel halo of `color` under a shape, so that it shows on dark and light ground.
QImage withHalo(const QImage& shape, const QColor& color) {
    QImage halo = transparentImage(shape.size());
    const int w = shape.width(), h = shape.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int alpha = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                    alpha = std::max(alpha, qAlpha(shape.pixel(sx, sy)));
                }
            QColor c = color;
            c.setAlpha(alpha);
            halo.setPixelColor(x, y, c);
        }
    QPainter p(&halo);
    p.drawImage(0, 0, shape);
    return halo;
}

QImage crosshair() {
    QImage shape = transparentImage(kCursorSize);
    QPainter p(&shape);
    const QColor ink(Qt::black);
    // Arms of one pixel with a gap of seven around the hot spot.
    p.fillRect(QRect(15, 2, 1, 10), ink);
    p.fillRect(QRect(15, 19, 1, 10), ink);
    p.fillRect(QRect(2, 15, 10, 1), ink);
    p.fillRect(QRect(19, 15, 10, 1), ink);
    p.end();
    return withHalo(shape, Qt::white);
}

QImage hand() {
    QImage image = transparentImage(kCursorSize);
    QPainter p(&image);
    prepare(p);
    auto pill = [](qreal x, qreal y, qreal w, qreal h) {
        QPainterPath path;
        path.addRoundedRect(QRectF(x, y, w, h), w / 2, w / 2);
        return path;
    };
    QPainterPath index = pill(12.0, 3.0, 5.0, 16.0);
    QPainterPath middle = pill(17.0, 10.0, 4.6, 10.0);
    QPainterPath ring = pill(21.2, 11.2, 4.4, 9.0);
    QPainterPath little = pill(25.2, 13.0, 4.0, 8.0);
    QPainterPath palm;
    palm.addRoundedRect(QRectF(11.0, 15.0, 18.2, 13.0), 5.0, 5.0);
    QPainterPath thumb;
    thumb.moveTo(12.5, 25.5);
    thumb.lineTo(6.0, 17.8);
    QPainterPathStroker thumbStroke;
    thumbStroke.setWidth(4.6);
    thumbStroke.setCapStyle(Qt::RoundCap);
    QPainterPath hand = index.united(middle).united(ring).united(little).united(palm).united(
        thumbStroke.createStroke(thumb));
    p.fillPath(hand, Qt::white);
    p.strokePath(hand, QPen(Qt::black, 1.1));
    QPen crease(Qt::black, 0.9, Qt::SolidLine, Qt::RoundCap);
    p.setPen(crease);
    p.drawLine(QPointF(17.2, 14.5), QPointF(17.2, 18.5));
    p.drawLine(QPointF(21.4, 15.0), QPointF(21.4, 19.0));
    p.drawLine(QPointF(25.4, 16.0), QPointF(25.4, 19.5));
    p.end();
    return image;
}

enum class LensSign { None, Plus, Minus };

QImage magnifier(LensSign sign) {
    const QPointF centre(5.5, 5.5);
    QImage shape = transparentImage(kCursorSize);
    {
        QPainter p(&shape);
        prepare(p);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(centre, 3.8, 3.8);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 1.5));
        p.drawEllipse(centre, 4.45, 4.45);
        p.setPen(QPen(Qt::black, 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.4, 9.4), QPointF(14.6, 14.6));
        p.setRenderHint(QPainter::Antialiasing, false);
        if (sign != LensSign::None) p.fillRect(QRect(3, 5, 5, 1), Qt::black);
        if (sign == LensSign::Plus) p.fillRect(QRect(5, 3, 1, 5), Qt::black);
    }
    return withHalo(shape, Qt::white);
}

PointerShape shape(const QString& name, QPoint hotSpot, QImage image) {
    image.setText("hotspot", QString("%1,%2").arg(hotSpot.x()).arg(hotSpot.y()));
    return {name, hotSpot, image};
}

}  // namespace

std::vector<PointerShape> paintPointerShapes() {
    return {
        shape("104", {15, 15}, crosshair()),
        shape("105", {14, 5}, hand()),
        shape("106", {5, 5}, magnifier(LensSign::None)),
        shape("107", {5, 5}, magnifier(LensSign::Plus)),
        shape("108", {5, 5}, magnifier(LensSign::Minus)),
    };
}

}  // namespace skingen
