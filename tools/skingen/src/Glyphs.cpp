#include "Glyphs.h"

#include <QFont>
#include <QPainterPath>
#include <cmath>

namespace skingen {

namespace {

// Drawing context of one glyph: grid units, the line width in units, and helpers.
struct Grid {
    QPainter& p;
    qreal line;

    QPen pen(qreal width) const {
        return QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }
    void stroke(const QPainterPath& path, qreal widthFactor = 1) const {
        p.strokePath(path, pen(line * widthFactor));
    }
    void fill(const QPainterPath& path) const { p.fillPath(path, Qt::black); }
    // Clears a margin around `path` so that what is drawn next stands apart.
    void knockOut(const QPainterPath& path, qreal margin) const {
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.strokePath(path, pen(margin * 2));
        p.fillPath(path, Qt::black);
        p.restore();
    }
};

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    path.closeSubpath();
    return path;
}

QPainterPath circle(QPointF c, qreal r) {
    QPainterPath path;
    path.addEllipse(c, r, r);
    return path;
}

QPainterPath line(QPointF a, QPointF b) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    return path;
}

QPainterPath rounded(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A filled triangle whose corners are softened by a stroke of the same shape.
void softTriangle(const Grid& g, std::initializer_list<QPointF> points, qreal round) {
    const QPainterPath path = polygon(points);
    g.fill(path);
    g.p.strokePath(path, g.pen(round));
}

void floppy(const Grid& g, qreal scale, QPointF at) {
    g.p.save();
    g.p.translate(at);
    g.p.scale(scale, scale);
    const qreal w = g.line / scale;
    QPainterPath body = polygon({{-9, -9}, {5.5, -9}, {9, -5.5}, {9, 9}, {-9, 9}});
    g.p.strokePath(body, g.pen(w));
    // Shutter and label.
    g.fill(rounded(QRectF(-5, -9, 9, 6.5), 1));
    g.p.strokePath(rounded(QRectF(-5.2, 2.2, 10.4, 6.8), 1), g.pen(w * 0.85));
    g.p.restore();
}

void magnifier(const Grid& g, QPointF centre, qreal radius) {
    g.stroke(circle(centre, radius));
    const qreal d = radius * 0.7071;
    g.stroke(line(centre + QPointF(d + g.line * 0.4, d + g.line * 0.4),
                  centre + QPointF(d + radius * 0.95, d + radius * 0.95)),
             1.6);
}

void drawOpen(const Grid& g) {
    QPainterPath backOpen;
    backOpen.moveTo(8, -1.5);
    backOpen.lineTo(8, -5);
    backOpen.lineTo(-1.5, -5);
    backOpen.lineTo(-3.5, -7.5);
    backOpen.lineTo(-10, -7.5);
    backOpen.lineTo(-10, 8);
    g.stroke(backOpen);
    const QPainterPath flap = polygon({{-10, 8}, {-5.5, -1.5}, {11.5, -1.5}, {7, 8}});
    g.knockOut(flap, g.line * 0.2);
    g.p.fillPath(flap, QColor(0, 0, 0, 70));
    g.stroke(flap);
}

void drawSaveAs(const Grid& g) {
    floppy(g, 0.78, {-2.6, -2.6});
    // A pencil writing at the lower right.
    QPainterPath pencil;
    pencil.moveTo(3.2, 11);
    pencil.lineTo(11.2, 3);
    g.knockOut(pencil, g.line * 1.9);
    g.stroke(pencil, 1.7);
    g.p.save();
    g.p.setCompositionMode(QPainter::CompositionMode_Clear);
    g.p.strokePath(line({9.6, 4.6}, {10.2, 4.0}), g.pen(g.line * 1.2));
    g.p.restore();
    softTriangle(g, {{1.2, 12.6}, {1.8, 9.4}, {4.6, 12.2}}, g.line * 0.3);
}

void drawRipCd(const Grid& g) {
    const QPointF c(-2.5, -2.5);
    QPainterPath disc = circle(c, 9);
    g.fill(disc);
    g.p.save();
    g.p.setCompositionMode(QPainter::CompositionMode_Clear);
    g.p.fillPath(circle(c, 2.4), Qt::black);
    // Grooves catching the light.
    QPainterPath shine;
    shine.arcMoveTo(QRectF(c - QPointF(6, 6), QSizeF(12, 12)), 100);
    shine.arcTo(QRectF(c - QPointF(6, 6), QSizeF(12, 12)), 100, 60);
    g.p.strokePath(shine, g.pen(g.line * 0.55));
    g.p.restore();
    // The track coming off the disc.
    QPainterPath arrow;
    arrow.moveTo(7.5, 1.5);
    arrow.lineTo(7.5, 9.5);
    QPainterPath head = polygon({{3, 6.5}, {12, 6.5}, {7.5, 11.8}});
    QPainterPath whole = arrow;
    whole.addPath(head);
    g.knockOut(whole, g.line * 1.1);
    g.stroke(arrow, 1.15);
    softTriangle(g, {{3.6, 6.6}, {11.4, 6.6}, {7.5, 11.4}}, g.line * 0.5);
}

void drawHelp(const Grid& g) {
    g.stroke(circle({0, 0}, 10));
    QFont font("DejaVu Sans");
    font.setWeight(QFont::Bold);
    font.setPixelSize(15);
    QPainterPath mark;
    mark.addText(0, 0, font, "?");
    const QRectF b = mark.boundingRect();
    g.fill(mark.translated(-b.center()));
}

void drawLoop(const Grid& g) {
    QPainterPath upper;
    upper.moveTo(-9, 3);
    upper.lineTo(-9, -1);
    upper.quadTo(-9, -5, -5, -5);
    upper.lineTo(5, -5);
    g.stroke(upper);
    softTriangle(g, {{4, -9}, {10, -5}, {4, -1}}, g.line * 0.35);
    QPainterPath lower;
    lower.moveTo(9, -3);
    lower.lineTo(9, 1);
    lower.quadTo(9, 5, 5, 5);
    lower.lineTo(-5, 5);
    g.stroke(lower);
    softTriangle(g, {{-4, 9}, {-10, 5}, {-4, 1}}, g.line * 0.35);
}

void drawEqualiser(const Grid& g) {
    const qreal xs[3] = {-7, 0, 7}, knobs[3] = {2.5, -4, 4.5};
    for (int i = 0; i < 3; ++i) g.stroke(line({xs[i], -9}, {xs[i], 9}), 0.75);
    for (int i = 0; i < 3; ++i) {
        const QPainterPath knob = rounded(QRectF(xs[i] - 3.2, knobs[i] - 2, 6.4, 4), 1.2);
        g.knockOut(knob, g.line * 0.6);
        g.fill(knob);
    }
}

// A metronome: its body on a foot, and the pendulum with its weight swinging to the right.
void drawPractice(const Grid& g) {
    g.stroke(polygon({{-3.5, -9}, {3.5, -9}, {8, 9}, {-8, 9}}));
    g.stroke(line({-6.5, 4}, {6.5, 4}), 0.75);
    const QPainterPath pendulum = line({0, 4}, {7, -11});
    g.knockOut(pendulum, g.line * 0.6);
    g.stroke(pendulum, 0.8);
    const QPainterPath weight = rounded(QRectF(1.6, -5.2, 4.4, 3.4), 1);
    g.knockOut(weight, g.line * 0.5);
    g.fill(weight);
}

void drawLoopReset(const Grid& g) {
    QPainterPath left;
    left.moveTo(-6, -9);
    left.lineTo(-10, -9);
    left.lineTo(-10, 9);
    left.lineTo(-6, 9);
    QPainterPath right;
    right.moveTo(6, -9);
    right.lineTo(10, -9);
    right.lineTo(10, 9);
    right.lineTo(6, 9);
    g.stroke(left);
    g.stroke(right);
    g.stroke(line({-4, -4}, {4, 4}));
    g.stroke(line({4, -4}, {-4, 4}));
}

void drawPresetNew(const Grid& g) {
    QPainterPath sheet = polygon({{-8, -10}, {3, -10}, {8, -5}, {8, 10}, {-8, 10}});
    g.stroke(sheet);
    g.stroke(polygon({{3, -10}, {3, -5}, {8, -5}}), 0.8);
    g.stroke(line({0, -1}, {0, 7}), 1.1);
    g.stroke(line({-4, 3}, {4, 3}), 1.1);
}

void drawPresetDelete(const Grid& g) {
    g.stroke(line({-10, -6}, {10, -6}));
    QPainterPath handle;
    handle.moveTo(-3.5, -6);
    handle.lineTo(-3.5, -9.5);
    handle.lineTo(3.5, -9.5);
    handle.lineTo(3.5, -6);
    g.stroke(handle);
    QPainterPath can = polygon({{-7.5, -6}, {7.5, -6}, {6.2, 10}, {-6.2, 10}});
    g.stroke(can);
    for (qreal x : {-3.0, 0.0, 3.0}) g.stroke(line({x, -1.5}, {x * 0.9, 6}), 0.75);
}

}  // namespace

void drawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, qreal stroke) {
    painter.save();
    painter.translate(box.center());
    const qreal scale = box.width() / 24.0;
    painter.scale(scale, scale);
    const Grid g{painter, stroke / scale};
    switch (glyph) {
        case Glyph::Open:
            drawOpen(g);
            break;
        case Glyph::Save:
        case Glyph::PresetSave:
            floppy(g, 1.0, {0, 0});
            break;
        case Glyph::SaveAs:
            drawSaveAs(g);
            break;
        case Glyph::RipCd:
            drawRipCd(g);
            break;
        case Glyph::Help:
            drawHelp(g);
            break;
        case Glyph::Play:
            softTriangle(g, {{-6, -9}, {9, 0}, {-6, 9}}, g.line * 0.9);
            break;
        case Glyph::Pause:
            g.fill(rounded(QRectF(-7.5, -9, 5.5, 18), 1.2));
            g.fill(rounded(QRectF(2, -9, 5.5, 18), 1.2));
            break;
        case Glyph::Stop:
            g.fill(rounded(QRectF(-8, -8, 16, 16), 2));
            break;
        case Glyph::Minus:
            g.stroke(line({-7, 0}, {7, 0}));
            break;
        case Glyph::Plus:
            g.stroke(line({-7, 0}, {7, 0}));
            g.stroke(line({0, -7}, {0, 7}));
            break;
        case Glyph::Loop:
            drawLoop(g);
            break;
        case Glyph::Equaliser:
            drawEqualiser(g);
            break;
        case Glyph::Practice:
            drawPractice(g);
            break;
        case Glyph::LoopRestart:
            g.fill(rounded(QRectF(-9, -8.5, 3.6, 17), 1));
            softTriangle(g, {{9, -8.5}, {9, 8.5}, {-3.5, 0}}, g.line * 0.6);
            break;
        case Glyph::LoopReset:
            drawLoopReset(g);
            break;
        case Glyph::Zoom:
            magnifier(g, {-2.5, -2.5}, 7.2);
            break;
        case Glyph::PresetNew:
            drawPresetNew(g);
            break;
        case Glyph::PresetDelete:
            drawPresetDelete(g);
            break;
        case Glyph::Minimise:
            g.stroke(line({-6, 4}, {6, 4}));
            break;
        case Glyph::Close:
            g.stroke(line({-5.5, -5.5}, {5.5, 5.5}));
            g.stroke(line({5.5, -5.5}, {-5.5, 5.5}));
            break;
    }
    painter.restore();
}

}  // namespace skingen
