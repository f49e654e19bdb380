#pragma once

#include "ui/SliderCtrl.h"

namespace ui {

// The sound sliders: pressing the mouse beside the thumb moves it by one page only, however
// long the button is held (a plain slider keeps paging while it is held).
class CNoRepeatSliderCtrl : public CSliderCtrl {
    Q_OBJECT
public:
    using CSliderCtrl::CSliderCtrl;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ui
