#pragma once

#include "ui/DialogTemplate.h"

// The practice page (dialog 317): the song's named loops with the buttons that keep them. The
// right part of the page is kept free for the speed trainer.
const ui::DialogTemplate& PracticePageTemplate();
