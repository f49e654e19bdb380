// The five skin bitmaps of the main window and the face they make together.
#pragma once

#include <QImage>
#include <QPainterPath>

namespace skingen {

// Each at a scale of the screen (1, 1.5 or 2), in the same device-independent size.
QImage paintBrandPanel(qreal scale = 1);   // 110
QImage paintTopStrip(qreal scale = 1);     // 111
QImage paintBottomStrip(qreal scale = 1);  // 112
QImage paintEdge(qreal scale = 1);         // 113
QImage paintDisplay(qreal scale = 1);      // 114

// The main window's face as its paint handler builds it: grey ground, then the bitmaps in
// their painting order, at a window height of `height`.
QImage composeFace(int height, qreal scale = 1);

// The outline the window is clipped to at a given height.
QPainterPath windowOutline(int height);

}  // namespace skingen
