#pragma once

#include <memory>
#include <vector>

#include "ui/ToolTipCtrl.h"

class QWidget;

// The main window's tooltips: one per control that has a tip, in the language read now.
std::vector<std::unique_ptr<ui::CToolTipCtrl>> CreateMainWindowTips(QWidget* window);
