// The symbols on the buttons, drawn as paths on a 24 x 24 grid centred on the origin.
#pragma once

#include <QPainter>
#include <QRectF>

namespace skingen {

enum class Glyph {
    Open,
    Save,
    SaveAs,
    RipCd,
    Help,
    Play,
    Pause,
    Stop,
    Minus,
    Plus,
    Loop,
    Equaliser,
    Practice,
    LoopRestart,
    LoopReset,
    Zoom,
    PresetSave,
    PresetNew,
    PresetDelete,
    Minimise,
    Close,
};

// Draws `glyph` filling the square `box` with lines `stroke` pixels wide. Parts that overlap
// are separated by clearing, so draw into a glyph layer (paintGlyph).
void drawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, qreal stroke);

}  // namespace skingen
