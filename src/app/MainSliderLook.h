#pragma once

class QWidget;

// The look of the main window's sliders: thumb length and tick marks.
void ApplyMainSliderLook(QWidget* window);
