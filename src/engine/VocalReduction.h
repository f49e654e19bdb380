#pragma once

#include "audio/Audio.h"

// The vocal reduction procedure, installed with priority 2 on the playback stream and on the
// streams that render a save. For every pair of 16-bit samples (L, R) it writes
// (L × (256 − g) − R × g) / 512 into both, g being the level (0..256) read for that pair from the
// std::atomic<int> that `user` points to (AttachVocalReduction):
// at g = 128 whatever is equal in both channels cancels. The channel count is not examined, so
// a mono stream has its consecutive samples paired. Runs on the mixing thread: integer arithmetic
// only, no allocation, no lock, no library call.
void VocalReductionDSP(audio::HDSP handle, audio::DWORD channel, void* buffer, audio::DWORD length,
                       void* user);
