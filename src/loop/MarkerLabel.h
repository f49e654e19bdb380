#pragma once

#include <string>

#include "audio/Audio.h"

// The text beside a marker of the loop editor: minutes, seconds and hundredths of a byte
// position of `stream`, "m:ss.hh" (83.456 s reads "1:23.46").
std::string MarkerLabel(audio::HSTREAM stream, audio::QWORD position);
