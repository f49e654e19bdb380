#include "PaintKit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "SkinPalette.h"

namespace skingen {

QPainterPath roundedPath(const QRectF& r, qreal radius, unsigned corners) {
    auto cornerRadius = [&](unsigned c) { return (corners & c) ? radius : 0.0; };
    const qreal tl = cornerRadius(kTopLeft), tr = cornerRadius(kTopRight);
    const qreal br = cornerRadius(kBottomRight), bl = cornerRadius(kBottomLeft);
    QPainterPath p;
    p.moveTo(r.left() + tl, r.top());
    p.lineTo(r.right() - tr, r.top());
    if (tr > 0) p.arcTo(QRectF(r.right() - 2 * tr, r.top(), 2 * tr, 2 * tr), 90, -90);
    p.lineTo(r.right(), r.bottom() - br);
    if (br > 0) p.arcTo(QRectF(r.right() - 2 * br, r.bottom() - 2 * br, 2 * br, 2 * br), 0, -90);
    p.lineTo(r.left() + bl, r.bottom());
    if (bl > 0) p.arcTo(QRectF(r.left(), r.bottom() - 2 * bl, 2 * bl, 2 * bl), 270, -90);
    p.lineTo(r.left(), r.top() + tl);
    if (tl > 0) p.arcTo(QRectF(r.left(), r.top(), 2 * tl, 2 * tl), 180, -90);
    p.closeSubpath();
    return p;
}

QSize pixelSize(QSize size, qreal scale) {
    return {int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale))};
}

QImage filledImage(QSize size, qreal scale, const QColor& colour) {
    QImage image(pixelSize(size, scale), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(colour);
    return image;
}

QImage transparentImage(QSize size, qreal scale) {
    return filledImage(size, scale, Qt::transparent);
}

namespace {

// The scale of what a painter draws on, for the layers it composes.
qreal scaleOf(const QPainter& painter) {
    return painter.device()->devicePixelRatio();
}

int scaledRadius(int radius, qreal scale) {
    return int(std::lround(radius * scale));
}

}  // namespace

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

namespace {

// One horizontal or vertical running-sum box pass over all four channels.
void boxPass(QImage& image, int radius, bool horizontal) {
    const int w = image.width(), h = image.height();
    const int lines = horizontal ? h : w, length = horizontal ? w : h;
    std::vector<int> sums(4);
    std::vector<QRgb> line(length);
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i)
            line[i] = horizontal ? reinterpret_cast<const QRgb*>(image.constScanLine(l))[i]
                                 : reinterpret_cast<const QRgb*>(image.constScanLine(i))[l];
        auto at = [&](int i) { return i < 0 || i >= length ? QRgb(0) : line[i]; };
        std::fill(sums.begin(), sums.end(), 0);
        for (int i = -radius; i <= radius; ++i) {
            const QRgb p = at(i);
            sums[0] += qAlpha(p), sums[1] += qRed(p), sums[2] += qGreen(p), sums[3] += qBlue(p);
        }
        const int span = 2 * radius + 1;
        for (int i = 0; i < length; ++i) {
            const QRgb out = qRgba(sums[1] / span, sums[2] / span, sums[3] / span, sums[0] / span);
            if (horizontal)
                reinterpret_cast<QRgb*>(image.scanLine(l))[i] = out;
            else
                reinterpret_cast<QRgb*>(image.scanLine(i))[l] = out;
            const QRgb add = at(i + radius + 1), sub = at(i - radius);
            sums[0] += qAlpha(add) - qAlpha(sub), sums[1] += qRed(add) - qRed(sub);
            sums[2] += qGreen(add) - qGreen(sub), sums[3] += qBlue(add) - qBlue(sub);
        }
    }
}

}  // namespace

void blurImage(QImage& image, int radius) {
    if (radius <= 0) return;
    // Three box passes approximate a gaussian.
    const int step = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(image, step, true);
        boxPass(image, step, false);
    }
}

void paintSoftShadow(QPainter& painter, const QPainterPath& shape, QPointF offset, int blurRadius,
                     const QColor& color) {
    const int margin = blurRadius * 3 + 2;
    const QRect bounds =
        shape.boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin);
    const qreal scale = scaleOf(painter);
    QImage layer = transparentImage(bounds.size(), scale);
    {
        QPainter p(&layer);
        prepare(p);
        p.translate(-bounds.topLeft() + offset);
        p.fillPath(shape, color);
    }
    blurImage(layer, scaledRadius(blurRadius, scale));
    painter.drawImage(bounds.topLeft(), layer);
}

void paintInnerShadow(QPainter& painter, const QPainterPath& shape, QPointF offset, int blurRadius,
                      const QColor& color) {
    const int margin = blurRadius * 3 + 2;
    const QRect bounds =
        shape.boundingRect().toAlignedRect().adjusted(-margin, -margin, margin, margin);
    // Everything outside the shape, shifted and blurred, then kept only inside the shape.
    const qreal scale = scaleOf(painter);
    QImage layer = transparentImage(bounds.size(), scale);
    {
        QPainter p(&layer);
        prepare(p);
        p.translate(-bounds.topLeft());
        QPainterPath outside;
        outside.addRect(QRectF(bounds).adjusted(-margin, -margin, margin, margin));
        outside = outside.subtracted(shape.translated(offset));
        p.fillPath(outside, color);
    }
    blurImage(layer, scaledRadius(blurRadius, scale));
    // Keep it only inside the shape; composing with a whole mask image also clears outside.
    QImage mask = transparentImage(bounds.size(), scale);
    {
        QPainter p(&mask);
        prepare(p);
        p.translate(-bounds.topLeft());
        p.fillPath(shape, Qt::black);
    }
    {
        QPainter p(&layer);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, mask);
    }
    painter.drawImage(bounds.topLeft(), layer);
}

QColor glyphInk(KeyState state) {
    switch (state) {
        case KeyState::Down:
            return palette::kInkPressed;
        case KeyState::Focus:
            return palette::kInkFocus;
        case KeyState::Disabled:
            return palette::kInkDisabled;
        case KeyState::Up:
            break;
    }
    return palette::kInk;
}

namespace {

struct KeyColours {
    QColor top, bottom, border;
};

KeyColours keyColours(KeyState state) {
    using namespace palette;
    switch (state) {
        case KeyState::Focus:
            return {kKeyFocusTop, kKeyFocusBottom, kAmberDark};
        case KeyState::Down:
            return {kKeyDownTop, kKeyDownBottom, kKeyDownBorder};
        case KeyState::Disabled:
            return {kKeyDisabledTop, kKeyDisabledBottom, kKeyDisabledBorder};
        case KeyState::Up:
            break;
    }
    return {kKeyTop, kKeyBottom, kKeyBorder};
}

}  // namespace

void paintKeyEffects(QPainter& painter, const QRectF& cap, KeyState state, const KeyLook& look) {
    const QPainterPath shape = roundedPath(cap, look.radius, look.corners);
    if (state == KeyState::Focus)
        paintSoftShadow(painter, shape, {0, 0}, 3, QColor(0xe0, 0x92, 0x32, 140));
    if (look.dropShadow && state != KeyState::Down && state != KeyState::Disabled) {
        // A side without rounded corners joins a neighbouring key: its shadow runs on.
        QRectF shadow = cap;
        if (!(look.corners & (kTopLeft | kBottomLeft))) shadow.setLeft(cap.left() - 12);
        if (!(look.corners & (kTopRight | kBottomRight))) shadow.setRight(cap.right() + 12);
        paintSoftShadow(painter, roundedPath(shadow, look.radius, look.corners), {0, 1.2}, 2,
                        QColor(0x40, 0x2c, 0x20, 90));
    }
}

void paintKeyCap(QPainter& painter, const QRectF& cap, KeyState state, const KeyLook& look) {
    const QPainterPath shape = roundedPath(cap, look.radius, look.corners);
    const KeyColours colours = keyColours(state);
    QLinearGradient fill(cap.topLeft(), cap.bottomLeft());
    fill.setColorAt(0, colours.top);
    fill.setColorAt(1, colours.bottom);
    painter.fillPath(shape, fill);

    if (state == KeyState::Down) {
        paintInnerShadow(painter, shape, {0, 1.5}, 2, QColor(0x30, 0x22, 0x1a, 120));
    } else if (state != KeyState::Disabled) {
        // A thin light rim along the top edge catches the light.
        QLinearGradient shine(cap.topLeft(), cap.topLeft() + QPointF(0, 4));
        shine.setColorAt(0, QColor(255, 255, 255, 220));
        shine.setColorAt(1, QColor(255, 255, 255, 0));
        painter.save();
        painter.setClipPath(shape);
        painter.strokePath(roundedPath(cap.adjusted(1, 1, -1, -1), look.radius - 1, look.corners),
                           QPen(QBrush(shine), 1));
        painter.restore();
    }
    const qreal borderWidth = state == KeyState::Focus ? 1.4 : 1.0;
    painter.strokePath(
        roundedPath(cap.adjusted(0.5, 0.5, -0.5, -0.5), look.radius - 0.5, look.corners),
        QPen(colours.border, borderWidth));
}

void fadeTowardsSides(QImage& image, unsigned sides, int logicalRamp) {
    const int ramp = std::max(1, scaledRadius(logicalRamp, image.devicePixelRatio()));
    const int w = image.width(), h = image.height();
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int distance = ramp;
            if (sides & kLeftSide) distance = std::min(distance, x);
            if (sides & kTopSide) distance = std::min(distance, y);
            if (sides & kRightSide) distance = std::min(distance, w - 1 - x);
            if (sides & kBottomSide) distance = std::min(distance, h - 1 - y);
            if (distance >= ramp) continue;
            const QRgb p = line[x];
            auto scale = [&](int c) { return c * distance / ramp; };
            line[x] = qRgba(scale(qRed(p)), scale(qGreen(p)), scale(qBlue(p)), scale(qAlpha(p)));
        }
    }
}

void paintGlyph(QPainter& painter, QSize canvas, const QColor& ink,
                const std::function<void(QPainter&)>& draw) {
    QImage layer = transparentImage(canvas, scaleOf(painter));
    {
        QPainter p(&layer);
        prepare(p);
        draw(p);
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(QRectF(QPointF(), layer.deviceIndependentSize()), ink);
    }
    painter.drawImage(0, 0, layer);
}

}  // namespace skingen
