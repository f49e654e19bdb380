#pragma once

#include <QProxyStyle>

namespace ui {

// The skin's look of every slider (CSliderCtrl): a sunken channel drawn amber up to the thumb,
// a thumb of the control's thumb length that points down at the tick marks when there are any.
// Its geometry is also what the slider's mouse handling uses, so presses land where things are
// drawn. Other widgets are left to the application's style.
class CSliderStyle : public QProxyStyle {
    Q_OBJECT
public:
    CSliderStyle();

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};

// The one instance the sliders share; it lives as long as the application.
CSliderStyle* SliderStyle();

}  // namespace ui
