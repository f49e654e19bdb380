#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

#include "ui/DialogTemplate.h"

namespace ui {

int Nearest(double value) {
    return static_cast<int>(value + 0.5);
}

int DialogBaseUnits::ToPixelsX(int units) const {
    return Nearest(units * x / 4);
}

int DialogBaseUnits::ToPixelsY(int units) const {
    return Nearest(units * y / 8);
}

QRect DialogBaseUnits::ToPixels(int ux, int uy, int ucx, int ucy) const {
    return {ToPixelsX(ux), ToPixelsY(uy), ToPixelsX(ucx), ToPixelsY(ucy)};
}

QFont CreateTemplateFont(const DialogTemplate& dialogTemplate, int dpi) {
    const bool named = dialogTemplate.fontFace != nullptr;
    const int pointSize = named ? dialogTemplate.pointSize : 8;
    QFont font(QString::fromUtf8(named ? dialogTemplate.fontFace : "Tahoma"));
    font.setPixelSize(static_cast<int>(pointSize * dpi / 72.0 + 0.5));
    font.setWeight(static_cast<QFont::Weight>(named ? dialogTemplate.weight : 400));
    font.setItalic(named && dialogTemplate.italic);
    font.setKerning(false);
    return font;
}

DialogBaseUnits MeasureBaseUnits(const QFont& font, QPaintDevice* device) {
    const QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    return {static_cast<double>((width / 26 + 1) / 2), static_cast<double>(metrics.height())};
}

QRect ShownRect(const DialogItem& item, const QWidget* control, const DialogBaseUnits& units) {
    QRect rect = units.ToPixels(item.x, item.y, item.cx, item.cy);
    if (item.kind == ControlKind::ComboBox)
        rect.setHeight(std::min(rect.height(), control->sizeHint().height()));
    return rect;
}

}  // namespace ui
