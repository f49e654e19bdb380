#include "ui/WindowRegion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace ui {

QRegion RoundRectRegion(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    // Such regions leave out the last column and the last row.
    --right;
    --bottom;
    const int width = std::min(right - left, std::abs(ellipseWidth));
    const int height = std::min(bottom - top, std::abs(ellipseHeight));
    if (width < 2 || height < 2) return QRegion(left, top, right - left, bottom - top);

    // Inset of each of the corner rows from the sides, found from the corner ellipse through
    // the pixel centres of its bounding box.
    const double radiusX = (width - 1) / 2.0;
    const double radiusY = (height - 1) / 2.0;
    const int cornerRows = height / 2;
    std::vector<int> inset(static_cast<size_t>(cornerRows));
    for (int row = 0; row < cornerRows; ++row) {
        const double dy = (radiusY - row) / radiusY;
        const double dx = radiusX * std::sqrt(std::max(0.0, 1.0 - dy * dy));
        inset[static_cast<size_t>(row)] = static_cast<int>(std::lround(radiusX - dx));
    }

    QRegion region(left, top + cornerRows, right - left, bottom - top - 2 * cornerRows);
    for (int row = 0; row < cornerRows; ++row) {
        const int x = left + inset[static_cast<size_t>(row)];
        const int w = right - left - 2 * inset[static_cast<size_t>(row)];
        if (w <= 0) continue;
        region += QRegion(x, top + row, w, 1);
        region += QRegion(x, bottom - 1 - row, w, 1);
    }
    return region;
}

}  // namespace ui
