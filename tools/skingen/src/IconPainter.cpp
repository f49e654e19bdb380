#include "IconPainter.h"

#include <QPainter>
#include <QSvgGenerator>

#include "Emblem.h"
#include "PaintKit.h"
#include "SkinPalette.h"

namespace skingen {

using namespace palette;

namespace {

void drawAppIcon(QPainter& p, int size, bool withShadow) {
    prepare(p);
    const qreal s = size / 64.0;

    // A rounded tile of the casing with a soft shadow, the emblem in amber on it.
    const QRectF tile(3 * s, 2.5 * s, 58 * s, 58 * s);
    const QPainterPath tilePath = roundedPath(tile, 13 * s);
    if (withShadow)
        paintSoftShadow(p, tilePath, {0, 1.2 * s}, std::max(1, int(1.6 * s)),
                        QColor(0, 0, 0, 110));
    QLinearGradient casing(tile.topLeft(), tile.bottomLeft());
    casing.setColorAt(0, kCasingLight.lighter(112));
    casing.setColorAt(1, kCasingDark);
    p.fillPath(tilePath, casing);
    QLinearGradient rim(tile.topLeft(), tile.bottomLeft());
    rim.setColorAt(0, QColor(255, 235, 215, 70));
    rim.setColorAt(0.5, QColor(255, 235, 215, 10));
    rim.setColorAt(1, QColor(0, 0, 0, 60));
    p.strokePath(roundedPath(tile.adjusted(0.5 * s, 0.5 * s, -0.5 * s, -0.5 * s), 12.5 * s),
                 QPen(QBrush(rim), std::max(1.0, 1.0 * s)));

    const QPointF centre = tile.center();
    QLinearGradient ring(centre - QPointF(0, 22 * s), centre + QPointF(0, 22 * s));
    ring.setColorAt(0, kAmberLight);
    ring.setColorAt(1, kAmber);
    paintEmblem(p, centre, 44 * s, {QBrush(ring), QBrush(kCream), 5, 0.1});
}

}  // namespace

QImage paintAppIcon(int size) {
    QImage image = transparentImage({size, size});
    QPainter p(&image);
    drawAppIcon(p, size, true);
    return image;
}

bool writeAppIconSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize({64, 64});
    svg.setViewBox(QRect(0, 0, 64, 64));
    svg.setTitle("Quorvel");
    QPainter p;
    if (!p.begin(&svg)) return false;
    drawAppIcon(p, 64, false);
    return p.end();
}

}  // namespace skingen
