#include "app/MainSliderLook.h"

#include "ui/ControlId.h"
#include "ui/SliderCtrl.h"

namespace {

constexpr int kThumbLength = 14;

ui::CSliderCtrl* SliderOf(QWidget* window, int id) {
    return qobject_cast<ui::CSliderCtrl*>(ui::FindChildById(window, id));
}

}  // namespace

void ApplyMainSliderLook(QWidget* window) {
    for (int id : {420, 438, 439, 440, 441})
        if (ui::CSliderCtrl* slider = SliderOf(window, id)) slider->SetThumbLength(kThumbLength);
    // The tempo's marks name the musically useful speeds: quarter, half, normal, double, four.
    if (ui::CSliderCtrl* tempo = SliderOf(window, 438)) tempo->SetTicks({25, 50, 100, 200, 400});
    if (ui::CSliderCtrl* pitch = SliderOf(window, 439)) pitch->SetTicFreq(400);  // 4 semitones
    if (ui::CSliderCtrl* volume = SliderOf(window, 440)) volume->SetTicFreq(10);
    if (ui::CSliderCtrl* vocal = SliderOf(window, 441)) vocal->SetTicFreq(20);
}
