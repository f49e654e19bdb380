#include "ui/NoRepeatSliderCtrl.h"

namespace ui {

void CNoRepeatSliderCtrl::mousePressEvent(QMouseEvent* event) {
    CSliderCtrl::mousePressEvent(event);
    // The press has done its one step; drop the repeat the slider arms for a held button.
    setRepeatAction(SliderNoAction);
}

}  // namespace ui
