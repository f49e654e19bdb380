// The MPEG Layer-3 formats LAME makes (constant bitrate), as the format chooser lists them and as
// they are described in a WAVE "fmt " chunk.
#pragma once

#include <vector>

#include "audio/Audio.h"

namespace audio::detail {

// Every rate and bitrate for `chans` channels (1 or 2), ordered by rate, then bitrate, both
// rising: MPEG-1 at 32000/44100/48000 Hz with 32..320 kbps, MPEG-2 at 16000/22050/24000 Hz with
// 8..160 kbps, MPEG-2.5 at 8000/11025/12000 Hz with 8..64 kbps.
std::vector<ACMFORMATCHOICE> Mp3Formats(DWORD chans);

// True when LAME makes a stream of `bitrate` bits per second at `freq` Hz.
bool IsMp3Format(DWORD freq, DWORD bitrate);

// The format structure of one entry (padding off, one frame per block, LAME's codec delay).
MPEGLAYER3WAVEFORMAT Mp3WaveFormat(const ACMFORMATCHOICE& choice);

}  // namespace audio::detail
