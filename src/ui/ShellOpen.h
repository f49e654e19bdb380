#pragma once

#include <string>

namespace ui {

// Asks the desktop to open a file with its usual program; the outcome is not reported.
void ShellOpen(const std::string& path);

}  // namespace ui
