#pragma once

#include <QColor>

class QWidget;

namespace ui {

// The grey behind every control of the skinned windows.
inline const QColor kControlGrey{226, 226, 226};

// The skin's amber: the travelled part of a slider's channel, a pressed thumb.
inline const QColor kSkinAmber{224, 146, 50};

// Marks a control that is never drawn; it gets no background.
inline constexpr char kUndrawnProperty[] = "undrawn";

// Gives the window and every control inside it the background colour; text colours stay.
void ApplyControlBackground(QWidget* window, const QColor& colour = kControlGrey);

}  // namespace ui
