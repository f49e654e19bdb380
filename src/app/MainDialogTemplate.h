#pragma once

#include "ui/DialogTemplate.h"

// Dialog 310: the main window with its controls, in dialog units.
const ui::DialogTemplate& MainDialogTemplate();
