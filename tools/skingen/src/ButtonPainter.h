// The bitmap sets of the owner-drawn buttons: one picture per state letter.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "Glyphs.h"
#include "PaintKit.h"

namespace skingen {

// The window a button sits on; its picture carries that window's ground around the key.
enum class Surface { MainWindow, LoopPage, EqPage };

struct ButtonSet {
    QString caption;  // resource name without the state letter
    QSize size;       // the bitmap size, which the button takes
    Surface surface;
    QPoint unitsAt;  // template position in dialog units of one button using the set
    Glyph glyph;
    QRectF cap;  // the key inside the bitmap
    KeyLook look;
    qreal glyphSize;        // side of the glyph's square, centred on the cap
    qreal stroke;           // line width of the glyph in pixels
    bool allStates;         // U, D, F and X; otherwise U and D only
    bool onCasing = false;  // a small round button on the dark casing
};

const std::vector<ButtonSet>& buttonSets();

// Where a set's button lands in its surface's device-independent pixels...
QPoint pixelPosition(const ButtonSet& set);
// ...and the part of a surface's ground picture (at any scale) that lies under it.
QRect groundUnder(const ButtonSet& set, const QImage& ground);

// The picture of a button in one state, on `ground` (the surface as painted under it, at the
// scale the picture is drawn at).
QImage paintButton(const ButtonSet& set, KeyState state, const QImage& ground);

// The ground a surface shows under its controls, at a scale of the screen.
QImage surfaceGround(Surface surface, qreal scale = 1);

char stateLetter(KeyState state);

// Whether the picture's outermost pixels equal the ground it is copied onto, apart from a side
// where the key joins its neighbour; a mismatch would show the bitmap's rectangle.
bool blendsIntoGround(const ButtonSet& set, const QImage& picture, const QImage& ground);

}  // namespace skingen
