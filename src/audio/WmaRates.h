// The bitrates offered for WMA files: those this encoder really delivers at each rate and
// channel count.
#pragma once

#include "audio/Audio.h"

namespace audio::detail {

// Bitrates in bits per second, highest first, ended by 0; null for a rate and channel count
// that has none.
const DWORD* WmaRates(DWORD freq, DWORD chans);

bool IsWmaRate(DWORD freq, DWORD chans, DWORD bitrate);

}  // namespace audio::detail
