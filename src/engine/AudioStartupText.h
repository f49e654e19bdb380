#pragma once

#include <string>

#include "audio/Audio.h"

// The description of a failed device start-up, chosen by the layer's error code and filled with
// it ("%d - ..."); empty for a code without a description.
std::string InitErrorText(int code);

// The layer speaks the interface this player was written for (version 2.3 in the high word).
bool IsSupportedAudioVersion(audio::DWORD version);
