// The five skin bitmaps of the main window and the face they make together.
#pragma once

#include <QImage>
#include <QPainterPath>

namespace skingen {

QImage paintBrandPanel();   // 110
QImage paintTopStrip();     // 111
QImage paintBottomStrip();  // 112
QImage paintEdge();         // 113
QImage paintDisplay();      // 114

// The main window's face as its paint handler builds it: grey ground, then the bitmaps in
// their painting order, at a window height of `height`.
QImage composeFace(int height);

// The outline the window is clipped to at a given height.
QPainterPath windowOutline(int height);

}  // namespace skingen
