#pragma once

class QWidget;

namespace ui {

// The application's main window: owner of the boxes that have no better owner (the language
// lookup's error box). The main window registers itself when it is constructed.
QWidget* GetMainWindow();
void SetMainWindow(QWidget* window);

}  // namespace ui
