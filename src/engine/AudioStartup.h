#pragma once

#include "audio/Audio.h"

class QWidget;

// Starts the audio layer for the main window `window`: checks the layer's interface version,
// opens the output device and loads the decoder plug-ins. A failure is shown to the user in a
// box owned by `window` and leaves the layer uninitialised; the caller then ends the
// application. `version` is the layer's version word (tests pass others).
bool StartAudioEngine(QWidget* window, audio::DWORD version = audio::GetVersion());
