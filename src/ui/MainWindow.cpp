#include "ui/MainWindow.h"

#include <QPointer>
#include <QWidget>

namespace ui {

namespace {
QPointer<QWidget>& MainWindowSlot() {
    static QPointer<QWidget> window;
    return window;
}
}  // namespace

QWidget* GetMainWindow() {
    return MainWindowSlot().data();
}

void SetMainWindow(QWidget* window) {
    MainWindowSlot() = window;
}

}  // namespace ui
