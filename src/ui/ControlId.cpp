#include "ui/ControlId.h"

#include <QWidget>

namespace ui {

namespace {
constexpr char kIdProperty[] = "dlgCtrlId";
}

void SetDlgCtrlID(QWidget* control, int id) {
    control->setProperty(kIdProperty, id);
}

int GetDlgCtrlID(const QWidget* control) {
    return control ? control->property(kIdProperty).toInt() : 0;
}

std::vector<QWidget*> ChildWindowsTopFirst(const QWidget* parent) {
    std::vector<QWidget*> children;
    const QObjectList& objects = parent->children();  // bottom to top
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        auto* widget = qobject_cast<QWidget*>(*it);
        if (widget && !widget->isWindow()) children.push_back(widget);
    }
    return children;
}

QWidget* FindChildById(const QWidget* parent, int id) {
    for (QWidget* child : ChildWindowsTopFirst(parent))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

}  // namespace ui
