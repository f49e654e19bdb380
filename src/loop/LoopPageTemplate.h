#pragma once

#include "ui/DialogTemplate.h"

// Dialog 311: the loop editor page with its controls, in dialog units.
const ui::DialogTemplate& LoopPageTemplate();
