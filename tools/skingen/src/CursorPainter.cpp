#include "CursorPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "PaintKit.h"

namespace skingen {

namespace {

constexpr QSize kCursorSize{32, 32};

int toPixels(qreal logical, qreal scale) {
    return int(std::lround(logical * scale));
}

// A rectangle of whole device-independent pixels as whole pixels of the picture, edges rounded,
// so that thin lines stay crisp at 1.5 times.
QRect pixelRect(const QRect& logical, qreal scale) {
    const int left = toPixels(logical.x(), scale), top = toPixels(logical.y(), scale);
    return {left, top, toPixels(logical.x() + logical.width(), scale) - left,
            toPixels(logical.y() + logical.height(), scale) - top};
}

// Fills rectangles given in device-independent pixels on whole pixels of the picture.
void fillCrisp(QPainter& p, const QImage& image, std::initializer_list<QRect> rects,
               const QColor& colour) {
    const qreal scale = image.devicePixelRatio();
    p.save();
    p.resetTransform();
    p.scale(1 / scale, 1 / scale);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const QRect& r : rects) p.fillRect(pixelRect(r, scale), colour);
    p.restore();
}

// Puts a halo of `color`, a device-independent pixel wide, under a shape, so that it shows on
// dark and light ground.
QImage withHalo(const QImage& shape, const QColor& color) {
    const qreal scale = shape.devicePixelRatio();
    QImage halo = transparentImage(kCursorSize, scale);
    const int w = shape.width(), h = shape.height(), reach = std::max(1, int(scale));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int alpha = 0;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
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

QImage crosshair(qreal scale) {
    QImage shape = transparentImage(kCursorSize, scale);
    QPainter p(&shape);
    // Arms a pixel wide with a gap of seven around the hot spot.
    fillCrisp(p, shape,
              {QRect(15, 2, 1, 10), QRect(15, 19, 1, 10), QRect(2, 15, 10, 1),
               QRect(19, 15, 10, 1)},
              Qt::black);
    p.end();
    return withHalo(shape, Qt::white);
}

QImage hand(qreal scale) {
    QImage image = transparentImage(kCursorSize, scale);
    QPainter p(&image);
    prepare(p);
    auto pill = [](qreal x, qreal y, qreal w, qreal h) {
        QPainterPath path;
        path.addRoundedRect(QRectF(x, y, w, h), w / 2, w / 2);
        return path;
    };
    // Edges on half pixels put the one-pixel outline exactly on pixel rows and columns.
    QPainterPath index = pill(12.5, 2.5, 5.0, 16.0);
    QPainterPath middle = pill(17.5, 9.5, 4.0, 10.0);
    QPainterPath ring = pill(21.5, 10.5, 4.0, 9.0);
    QPainterPath little = pill(25.5, 12.5, 4.0, 8.0);
    QPainterPath palm;
    palm.addRoundedRect(QRectF(12.5, 15.5, 17.0, 12.0), 4.5, 4.5);
    QPainterPath thumb;
    thumb.moveTo(13.5, 24.5);
    thumb.lineTo(7.0, 17.5);
    QPainterPathStroker thumbStroke;
    thumbStroke.setWidth(5.0);
    thumbStroke.setCapStyle(Qt::RoundCap);
    QPainterPath hand = index.united(middle).united(ring).united(little).united(palm).united(
        thumbStroke.createStroke(thumb));
    p.fillPath(hand, Qt::white);
    p.strokePath(hand, QPen(Qt::black, 1.0));
    // Creases between the folded fingers.
    fillCrisp(p, image, {QRect(17, 15, 1, 4), QRect(21, 15, 1, 4), QRect(25, 16, 1, 3)},
              Qt::black);
    p.end();
    return image;
}

enum class LensSign { None, Plus, Minus };

QImage magnifier(LensSign sign, qreal scale) {
    const QPointF centre(5.5, 5.5);
    QImage shape = transparentImage(kCursorSize, scale);
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
        if (sign != LensSign::None) fillCrisp(p, shape, {QRect(3, 5, 5, 1)}, Qt::black);
        if (sign == LensSign::Plus) fillCrisp(p, shape, {QRect(5, 3, 1, 5)}, Qt::black);
    }
    return withHalo(shape, Qt::white);
}

PointerShape shape(const QString& name, QPoint hotSpot, QImage image) {
    // The hot spot's pixel is the first of those its device-independent pixel covers.
    const qreal scale = image.devicePixelRatio();
    image.setText("hotspot", QString("%1,%2")
                                 .arg(toPixels(hotSpot.x(), scale))
                                 .arg(toPixels(hotSpot.y(), scale)));
    return {name, hotSpot, image};
}

}  // namespace

std::vector<PointerShape> paintPointerShapes(qreal scale) {
    return {
        shape("104", {15, 15}, crosshair(scale)),
        shape("105", {14, 5}, hand(scale)),
        shape("106", {5, 5}, magnifier(LensSign::None, scale)),
        shape("107", {5, 5}, magnifier(LensSign::Plus, scale)),
        shape("108", {5, 5}, magnifier(LensSign::Minus, scale)),
    };
}

}  // namespace skingen
