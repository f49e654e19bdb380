#pragma once

#include <QRegion>

namespace ui {

// The outline of a rounded rectangle from (left, top) to (right, bottom), corners cut by
// ellipses of the given size. As a window region it covers the pixels left <= x < right - 1 and
// top <= y < bottom - 1.
QRegion RoundRectRegion(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight);

}  // namespace ui
