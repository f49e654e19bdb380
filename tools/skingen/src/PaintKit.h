// Drawing helpers shared by every picture: rounded shapes, soft shadows, keys and glyph layers.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <functional>

namespace skingen {

// The four pictures of a bitmap button.
enum class KeyState { Up, Down, Focus, Disabled };

enum Corner : unsigned {
    kTopLeft = 1,
    kTopRight = 2,
    kBottomRight = 4,
    kBottomLeft = 8,
    kAllCorners = 15,
};

QPainterPath roundedPath(const QRectF& rect, qreal radius, unsigned corners = kAllCorners);

// Every picture is drawn in device-independent pixels at a scale (1, 1.5 or 2): its image has
// that device pixel ratio, so painters on it draw every shape at the screen's own resolution.
// The pixel size of a picture of `size` at `scale`.
QSize pixelSize(QSize size, qreal scale);
// An image to draw on at `scale`, cleared to transparent or filled with `colour`.
QImage transparentImage(QSize size, qreal scale = 1);
QImage filledImage(QSize size, qreal scale, const QColor& colour);
// An antialiased painter's usual hints.
void prepare(QPainter& painter);

// Blurs the alpha of a premultiplied image in place (three box passes, close to a gaussian);
// `radius` in the image's pixels.
void blurImage(QImage& image, int radius);

// Paints a blurred, offset copy of a shape: drop shadows, glows and inner shadows. The blur
// radius is in device-independent pixels, like the shape.
void paintSoftShadow(QPainter& painter, const QPainterPath& shape, QPointF offset, int blurRadius,
                     const QColor& color);
void paintInnerShadow(QPainter& painter, const QPainterPath& shape, QPointF offset, int blurRadius,
                      const QColor& color);

// A key of the skin: a light raised cap on the grey face, pressed, focused or greyed.
struct KeyLook {
    qreal radius = 6;
    unsigned corners = kAllCorners;
    bool dropShadow = true;
};
// The key's glow and drop shadow, which spill around the cap...
void paintKeyEffects(QPainter& painter, const QRectF& cap, KeyState state, const KeyLook& look);
// ...and the cap itself.
void paintKeyCap(QPainter& painter, const QRectF& cap, KeyState state, const KeyLook& look);

// Fades an image to transparent over `ramp` device-independent pixels towards the given sides,
// so that what spills to a bitmap's border ends on the ground exactly.
enum Side : unsigned {
    kLeftSide = 1,
    kTopSide = 2,
    kRightSide = 4,
    kBottomSide = 8,
    kAllSides = 15,
};
void fadeTowardsSides(QImage& image, unsigned sides, int ramp);

// The colour of a symbol on a key in each state.
QColor glyphInk(KeyState state);

// A symbol drawn by `draw` in any opaque colour into a layer, then tinted with `ink`.
// Drawing with CompositionMode_Clear inside `draw` cuts gaps between overlapping parts.
void paintGlyph(QPainter& painter, QSize canvas, const QColor& ink,
                const std::function<void(QPainter&)>& draw);

}  // namespace skingen
