#pragma once

#include <QColor>

class QWidget;

namespace ui {

// The grey behind every control of the skinned windows.
inline const QColor kControlGrey{226, 226, 226};

// Marks a control that is never drawn; it gets no background.
inline constexpr char kUndrawnProperty[] = "undrawn";

// Gives the window and every control inside it the background colour; text colours stay.
void ApplyControlBackground(QWidget* window, const QColor& colour = kControlGrey);

}  // namespace ui
