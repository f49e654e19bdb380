#include "ButtonPainter.h"

#include "FacePainter.h"
#include "SkinGeometry.h"
#include "SkinPalette.h"

namespace skingen {

using namespace palette;

const std::vector<ButtonSet>& buttonSets() {
    static const std::vector<ButtonSet> sets = [] {
        const KeyLook square{6, kAllCorners, true};
        const KeyLook transport{5, kAllCorners, true};
        const KeyLook round{8, kAllCorners, true};
        const KeyLook smallRound{7, kAllCorners, true};
        const KeyLook small{5, kAllCorners, true};
        const KeyLook segmentLeft{7, kTopLeft | kBottomLeft, true};
        const KeyLook segmentMiddle{7, 0, true};
        const KeyLook segmentRight{7, kTopRight | kBottomRight, true};
        const QRectF fileCap(4, 3, 40, 41);
        const QRectF presetCap(3, 2, 32, 30);
        const QRectF loopPageCap(2, 2, 24, 21);
        using S = Surface;
        using G = Glyph;
        // clang-format off
        return std::vector<ButtonSet>{
            // caption             size      surface        units       glyph
            //     cap                         look          side   stroke  D F X, on casing
            {"BITMAP_MINIMIZE",    {22, 22}, S::MainWindow, {308, 4},   G::Minimise,
                QRectF(3, 3, 16, 16),          round,        12,    1.7,    false, true},
            {"BITMAP_CLOSE",       {22, 22}, S::MainWindow, {322, 4},   G::Close,
                QRectF(3, 3, 16, 16),          round,        12,    1.7,    false, true},
            {"BITMAP_OPEN",        {48, 49}, S::MainWindow, {189, 41},  G::Open,
                fileCap,                       square,       24,    2.0,    true},
            {"BITMAP_SAVE",        {48, 49}, S::MainWindow, {220, 41},  G::Save,
                fileCap,                       square,       23,    2.0,    true},
            {"BITMAP_SAVEAS",      {48, 49}, S::MainWindow, {251, 41},  G::SaveAs,
                fileCap,                       square,       24,    2.0,    true},
            {"BITMAP_RIPCD",       {48, 49}, S::MainWindow, {313, 41},  G::RipCd,
                fileCap,                       square,       24,    2.0,    true},
            {"BITMAP_HELP",        {48, 49}, S::MainWindow, {282, 41},  G::Help,
                fileCap,                       square,       23,    2.0,    true},
            {"BITMAP_STOP",        {27, 47}, S::MainWindow, {52, 164},  G::Stop,
                QRectF(2, 2, 23, 42),          transport,    14,    2.0,    true},
            {"BITMAP_PLAY",        {28, 47}, S::MainWindow, {13, 164},  G::Play,
                QRectF(3, 2, 23, 42),          transport,    15,    2.0,    true},
            {"BITMAP_PAUSE",       {32, 47}, S::MainWindow, {31, 164},  G::Pause,
                QRectF(5, 2, 23, 42),          transport,    15,    2.0,    true},
            {"BITMAP_TEMPODOWN",   {20, 20}, S::MainWindow, {238, 88},  G::Minus,
                QRectF(3, 2, 14, 14),          smallRound,        10,    1.7,    true},
            {"BITMAP_TEMPOUP",     {18, 20}, S::MainWindow, {317, 88},  G::Plus,
                QRectF(2, 2, 14, 14),          smallRound,        10,    1.7,    true},
            {"BITMAP_LOOP",        {39, 31}, S::MainWindow, {159, 201}, G::Loop,
                QRectF(2, 2, 37, 26),          segmentLeft,  19,    1.9,    true},
            {"BITMAP_EQ",          {39, 31}, S::MainWindow, {185, 201}, G::Equaliser,
                QRectF(-1, 2, 40, 26),         segmentMiddle, 19,   1.9,    true},
            {"BITMAP_PRACTICE",    {40, 31}, S::MainWindow, {211, 201}, G::Practice,
                QRectF(-1, 2, 39, 26),         segmentRight, 19,    1.9,    true},
            {"BITMAP_LOOPRESTART", {28, 26}, S::LoopPage,   {313, 35},  G::LoopRestart,
                loopPageCap,                   small,        13,    1.7,    true},
            {"BITMAP_LOOPRESET",   {28, 26}, S::LoopPage,   {313, 52},  G::LoopReset,
                loopPageCap,                   small,        14,    1.6,    true},
            {"BITMAP_LOOPZOOM",    {28, 26}, S::LoopPage,   {313, 70},  G::Zoom,
                loopPageCap,                   small,        15,    1.7,    true},
            {"BITMAP_EQSAVE",      {38, 35}, S::EqPage,     {293, 25},  G::PresetSave,
                presetCap,                     square,       19,    1.8,    true},
            {"BITMAP_EQCREATE",    {38, 36}, S::EqPage,     {293, 46},  G::PresetNew,
                QRectF(3, 2, 32, 31),          square,       19,    1.8,    true},
            {"BITMAP_EQDELETE",    {38, 35}, S::EqPage,     {293, 67},  G::PresetDelete,
                presetCap,                     square,       19,    1.8,    true},
        };
        // clang-format on
    }();
    return sets;
}

QPoint pixelPosition(const ButtonSet& set) {
    return unitsToPixels(set.unitsAt.x(), set.unitsAt.y());
}

QRect groundUnder(const ButtonSet& set, const QImage& ground) {
    // The window draws the picture unscaled where its place lands in the screen's pixels.
    const qreal scale = ground.devicePixelRatio();
    return {(QPointF(pixelPosition(set)) * scale).toPoint(), pixelSize(set.size, scale)};
}

QImage surfaceGround(Surface surface, qreal scale) {
    if (surface == Surface::MainWindow) return composeFace(kWindowSize.height(), scale);
    return filledImage(kPageSize, scale, kFace);
}

char stateLetter(KeyState state) {
    switch (state) {
        case KeyState::Down:
            return 'D';
        case KeyState::Focus:
            return 'F';
        case KeyState::Disabled:
            return 'X';
        case KeyState::Up:
            break;
    }
    return 'U';
}

namespace {

void paintCasingButton(QPainter& p, const ButtonSet& set, KeyState state) {
    const bool down = state == KeyState::Down;
    const bool close = set.glyph == Glyph::Close;
    QPainterPath disc;
    disc.addEllipse(set.cap);
    if (down) {
        p.fillPath(disc, close ? QColor(0xc4, 0x55, 0x30) : kAmber);
        paintInnerShadow(p, disc, {0, 1.2}, 2, QColor(0, 0, 0, 110));
    } else {
        QLinearGradient fill(set.cap.topLeft(), set.cap.bottomLeft());
        fill.setColorAt(0, QColor(255, 245, 235, 40));
        fill.setColorAt(1, QColor(255, 245, 235, 14));
        p.fillPath(disc, fill);
        p.strokePath(QPainterPath(disc), QPen(QColor(255, 240, 225, 46), 1));
    }
    const QColor ink = down ? kCasingDark : kCasingText;
    QRectF box(0, 0, set.glyphSize, set.glyphSize);
    box.moveCenter(set.cap.center() + QPointF(0, down ? 0.5 : 0));
    paintGlyph(p, set.size, ink, [&](QPainter& g) { drawGlyph(g, set.glyph, box, set.stroke); });
}

}  // namespace

QImage paintButton(const ButtonSet& set, KeyState state, const QImage& ground) {
    const qreal scale = ground.devicePixelRatio();
    QImage image = ground.copy(groundUnder(set, ground));
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    prepare(p);
    if (set.onCasing) {
        paintCasingButton(p, set, state);
        return image;
    }
    // Glow and shadow fade out before the border, except where the key joins a neighbour.
    QImage effects = transparentImage(set.size, scale);
    {
        QPainter e(&effects);
        prepare(e);
        paintKeyEffects(e, set.cap, state, set.look);
    }
    unsigned sides = kAllSides;
    if (!(set.look.corners & (kTopLeft | kBottomLeft))) sides &= ~kLeftSide;
    if (!(set.look.corners & (kTopRight | kBottomRight))) sides &= ~kRightSide;
    fadeTowardsSides(effects, sides, 3);
    p.drawImage(0, 0, effects);
    paintKeyCap(p, set.cap, state, set.look);
    QRectF box(0, 0, set.glyphSize, set.glyphSize);
    box.moveCenter(set.cap.center() + QPointF(0, state == KeyState::Down ? 1 : 0));
    paintGlyph(p, set.size, glyphInk(state),
               [&](QPainter& g) { drawGlyph(g, set.glyph, box, set.stroke); });
    return image;
}

bool blendsIntoGround(const ButtonSet& set, const QImage& picture, const QImage& ground) {
    const QImage under =
        ground.copy(groundUnder(set, ground)).convertToFormat(QImage::Format_RGB32);
    const QImage over = picture.convertToFormat(QImage::Format_RGB32);
    const bool joinsLeft = !(set.look.corners & (kTopLeft | kBottomLeft));
    const bool joinsRight = !(set.look.corners & (kTopRight | kBottomRight));
    const int w = over.width(), h = over.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            const bool joined = (joinsLeft && x == 0) || (joinsRight && x == w - 1);
            if (border && !joined && over.pixel(x, y) != under.pixel(x, y)) return false;
        }
    return true;
}

}  // namespace skingen
