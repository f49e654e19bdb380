#pragma once

#include "ui/DialogTemplate.h"

// Dialog 312: the equaliser page with its controls, in dialog units.
const ui::DialogTemplate& EqPageTemplate();
