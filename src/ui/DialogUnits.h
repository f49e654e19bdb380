#pragma once

#include <QFont>
#include <QRect>

class QPaintDevice;
class QWidget;

namespace ui {

struct DialogTemplate;
struct DialogItem;

// Dialog base units of a font: one horizontal unit is x/4 pixels, one vertical unit y/8.
struct DialogBaseUnits {
    double x = 0;
    double y = 0;

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;
};

// nearest(v) as the layout rounds: v + 0.5 truncated toward zero.
int Nearest(double value);

// The template's font as it would be created at `dpi` dots per inch: its pixel height is the
// point size scaled to that resolution, so the result does not depend on the screen.
QFont CreateTemplateFont(const DialogTemplate& dialogTemplate, int dpi);

// Base y is the font's full character height; base x is (w / 26 + 1) / 2 in integers, w being
// the pixel width of the 52 letters a-z A-Z.
DialogBaseUnits MeasureBaseUnits(const QFont& font, QPaintDevice* device = nullptr);

// Where a template item is shown, in pixels. A drop-down list's template height includes its
// open list: closed, it is as tall as its own text needs.
QRect ShownRect(const DialogItem& item, const QWidget* control, const DialogBaseUnits& units);

}  // namespace ui
