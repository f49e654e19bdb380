#pragma once

#include <vector>

class QWidget;

namespace ui {

// Every control carries its numeric identifier.
void SetDlgCtrlID(QWidget* control, int id);
int GetDlgCtrlID(const QWidget* control);  // 0 when it has none

// The child controls of `parent` from the topmost to the bottom one (windows excluded). A
// template's first item is the topmost, so this is also template order.
std::vector<QWidget*> ChildWindowsTopFirst(const QWidget* parent);

// The child control of `parent` with the identifier, searched from the top; null when none.
QWidget* FindChildById(const QWidget* parent, int id);

}  // namespace ui
