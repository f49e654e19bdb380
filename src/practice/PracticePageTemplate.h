#pragma once

#include "ui/DialogTemplate.h"

// The practice page (dialog 317): the song's named loops with the buttons that keep them, and
// the song's beat; the rest of the right part is kept free for the speed trainer.
const ui::DialogTemplate& PracticePageTemplate();
