#include "ui/FocusSink.h"

#include "ui/ControlColours.h"

namespace ui {

CFocusSink::CFocusSink(QWidget* parent) : CBitmapButton(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setProperty(kUndrawnProperty, true);
}

void CFocusSink::paintEvent(QPaintEvent*) {}

}  // namespace ui
