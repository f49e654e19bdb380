// Where the skin lands: window size, skin bitmap places and the controls that sit on them.
// Control positions are the dialog templates' dialog units laid out with base units 6 x 13.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

namespace skingen {

inline int unitsToPixelsX(int units) {
    return int(std::floor(units * 6 / 4.0 + 0.5));
}
inline int unitsToPixelsY(int units) {
    return int(std::floor(units * 13 / 8.0 + 0.5));
}
inline QPoint unitsToPixels(int x, int y) {
    return {unitsToPixelsX(x), unitsToPixelsY(y)};
}
inline QRect unitsToPixels(int x, int y, int w, int h) {
    return {unitsToPixelsX(x), unitsToPixelsY(y), unitsToPixelsX(w), unitsToPixelsY(h)};
}

// The main window and its outline.
inline constexpr QSize kWindowSize{544, 416};
inline constexpr int kPageExtraHeight = 194;
inline constexpr int kOutlineLeft = 1, kOutlineTop = 1, kOutlineRightMargin = 8;
inline constexpr double kOutlineCorner = 53.0;

// Skin bitmaps: size and where the main window copies them.
inline constexpr QSize kBrandSize{223, 102};  // 110
inline constexpr QPoint kBrandAt{5, 40};
inline constexpr QSize kTopStripSize{536, 36};     // 111
inline constexpr QSize kBottomStripSize{536, 36};  // 112
inline constexpr QSize kEdgeSize{6, 812};          // 113
inline constexpr QPoint kLeftEdgeAt{0, 36};
inline constexpr QPoint kRightEdgeAt{530, 36};
inline constexpr QSize kDisplaySize{288, 121};  // 114
inline constexpr QPoint kDisplayAt{20, 142};

// Pages below the main window's controls.
inline constexpr QPoint kLoopPageAt{10, 380};
inline constexpr QSize kPageSize{516, 190};

// Texts of the main window that sit on the display bitmap.
inline QRect titleTextRect() {
    return unitsToPixels(25, 110, 167, 13);
}
inline QRect timeTextRect() {
    return unitsToPixels(25, 125, 167, 20);
}

}  // namespace skingen
