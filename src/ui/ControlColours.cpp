#include "ui/ControlColours.h"

#include <QPalette>
#include <QWidget>

namespace ui {

namespace {
void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}
}  // namespace

void ApplyControlBackground(QWidget* window, const QColor& colour) {
    SetBackground(window, colour);
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->isWindow() || control->property(kUndrawnProperty).toBool()) continue;
        SetBackground(control, colour);
        control->setBackgroundRole(QPalette::Window);  // buttons would fill with their own role
        control->setAutoFillBackground(true);
    }
}

}  // namespace ui
