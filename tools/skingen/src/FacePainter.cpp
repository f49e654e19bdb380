#include "FacePainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "Emblem.h"
#include "PaintKit.h"
#include "SkinGeometry.h"
#include "SkinPalette.h"

namespace skingen {

using namespace palette;

namespace {

QImage faceImage(QSize size, qreal scale) {
    return filledImage(size, scale, kFace);
}

// Draws text with extra spacing between letters, starting at `origin` (baseline).
void drawSpacedText(QPainter& painter, QPointF origin, const QString& text, QFont font,
                    qreal spacing, const QBrush& brush) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    QPainterPath path;
    path.addText(origin, font, text);
    painter.fillPath(path, brush);
}

// Lips of the casing are whole pixels of the screen, however large the scale.
int lipPixels(qreal scale) {
    return std::max(1, int(scale));
}

// The casing's inner lip along a strip painted by `p`: `lip` rows of the image's own pixels
// from `row`, 5 device-independent pixels in from either end.
void paintLip(QPainter& p, const QImage& image, int row, int lip) {
    const qreal scale = image.devicePixelRatio();
    const int inset = int(std::lround(5 * scale));
    p.save();
    p.resetTransform();
    p.scale(1 / scale, 1 / scale);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(inset, row, image.width() - 2 * inset, lip, kCasingLip);
    p.restore();
}

}  // namespace

QPainterPath windowOutline(int height) {
    QPainterPath outline;
    outline.addRoundedRect(
        QRectF(kOutlineLeft, kOutlineTop, kWindowSize.width() - kOutlineRightMargin - kOutlineLeft,
               height - kOutlineTop),
        kOutlineCorner / 2, kOutlineCorner / 2);
    return outline;
}

QImage paintBrandPanel(qreal scale) {
    QImage image = faceImage(kBrandSize, scale);
    QPainter p(&image);
    prepare(p);

    const QPointF centre(52, 51);
    const qreal diameter = 66;
    QLinearGradient ring(centre - QPointF(0, diameter / 2), centre + QPointF(0, diameter / 2));
    ring.setColorAt(0, kAmber);
    ring.setColorAt(1, kAmberDark);
    paintEmblem(p, centre, diameter, {QBrush(ring), QBrush(kInk), 5, 0.095});

    QFont font("DejaVu Sans");
    font.setPixelSize(29);
    font.setWeight(QFont::Bold);
    drawSpacedText(p, QPointF(94, 60), "Quorvel", font, -0.6, kInk);
    return image;
}

QImage paintTopStrip(qreal scale) {
    QImage image = faceImage(kTopStripSize, scale);
    QPainter p(&image);
    prepare(p);
    QLinearGradient casing(0, 0, 0, kTopStripSize.height() - 1);
    casing.setColorAt(0, kCasingLight);
    casing.setColorAt(1, kCasing);
    p.fillRect(QRect(QPoint(), kTopStripSize), casing);
    // The inner lip of the casing, where the face begins.
    const int lip = lipPixels(scale);
    paintLip(p, image, image.height() - lip, lip);

    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    font.setWeight(QFont::Bold);
    QColor text = kCasingText;
    drawSpacedText(p, QPointF(36, 22), "QUORVEL", font, 2.2, text);
    return image;
}

QImage paintBottomStrip(qreal scale) {
    QImage image = faceImage(kBottomStripSize, scale);
    QPainter p(&image);
    prepare(p);
    QLinearGradient casing(0, 0, 0, kBottomStripSize.height() - 1);
    casing.setColorAt(0, kCasing);
    casing.setColorAt(1, kCasingDark);
    p.fillRect(QRect(QPoint(), kBottomStripSize), casing);
    paintLip(p, image, 0, lipPixels(scale));

    // A quiet speaker grille in the middle of the bottom of the casing.
    const int columns = 23, rows = 3;
    const qreal pitch = 5.0, dot = 1.6;
    const QPointF origin(kBottomStripSize.width() / 2.0 - (columns - 1) * pitch / 2,
                         kBottomStripSize.height() / 2.0 - (rows - 1) * pitch / 2 + 1);
    p.setPen(Qt::NoPen);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const QPointF at = origin + QPointF(c * pitch + (r % 2) * pitch / 2, r * pitch);
            if (r % 2 && c == columns - 1) continue;
            p.setBrush(kCasingLip);
            p.drawEllipse(at, dot, dot);
            p.setBrush(QColor(255, 240, 225, 18));
            p.drawEllipse(at + QPointF(0, 0.9), dot * 0.8, dot * 0.5);
        }
    return image;
}

QImage paintEdge(qreal scale) {
    // The same bitmap serves both sides, so its columns are symmetric: a lip on both sides, in
    // whole pixels of the screen, casing between them.
    QImage image = filledImage(kEdgeSize, scale, kCasing);
    const int lip = lipPixels(scale), width = image.width(), height = image.height();
    QPainter p(&image);
    p.resetTransform();
    p.scale(1 / scale, 1 / scale);  // in the image's own pixels
    p.fillRect(0, 0, lip, height, kCasingLip);
    p.fillRect(width - lip, 0, lip, height, kCasingLip);
    return image;
}

QImage paintDisplay(qreal scale) {
    QImage image = faceImage(kDisplaySize, scale);
    QPainter p(&image);
    prepare(p);

    // The texts' own grey fills the screen, framed by a dark bezel a few pixels outside them.
    const QRect title = titleTextRect().translated(-kDisplayAt);
    const QRect time = timeTextRect().translated(-kDisplayAt);
    const QRectF screen = QRectF(title.united(time)).adjusted(-6, -6, 6, 6);
    const QRectF bezel = screen.adjusted(-5, -5, 5, 5);

    const QPainterPath bezelPath = roundedPath(bezel, 9);
    const QPainterPath screenPath = roundedPath(screen, 5);
    paintSoftShadow(p, bezelPath, {0, 1.5}, 2, QColor(0x40, 0x2c, 0x20, 90));
    QLinearGradient casing(bezel.topLeft(), bezel.bottomLeft());
    casing.setColorAt(0, kCasingLight);
    casing.setColorAt(1, kCasing);
    p.fillPath(bezelPath, casing);
    p.strokePath(roundedPath(bezel.adjusted(0.5, 0.5, -0.5, -0.5), 8.5),
                 QPen(QColor(0x19, 0x14, 0x12, 160), 1));

    p.fillPath(screenPath, kFace);
    paintInnerShadow(p, screenPath, {0, 1.5}, 3, QColor(0x20, 0x18, 0x14, 150));
    return image;
}

QImage composeFace(int height, qreal scale) {
    // Drawn as the window draws them: each picture unscaled at its place times the scale,
    // rounded to the nearest pixel.
    QImage face = faceImage({kWindowSize.width(), height}, scale);
    QPainter p(&face);
    p.drawImage(0, 0, paintTopStrip(scale));
    p.drawImage(kBrandAt, paintBrandPanel(scale));
    p.drawImage(kDisplayAt, paintDisplay(scale));
    const QImage edge = paintEdge(scale);
    p.drawImage(kLeftEdgeAt, edge);
    p.drawImage(kRightEdgeAt, edge);
    p.drawImage(0, height - kBottomStripSize.height(), paintBottomStrip(scale));
    return face;
}

}  // namespace skingen
