// A crossfade that holds the loudness whatever the two sides have in common: alike parts (a
// likeness of 1, in phase) add in amplitude, unrelated ones (0) in power, and the gains follow the
// likeness between them. Used where one rendering of a song hands over to another copy of it: a
// loop's join, the joins of a save stretched in segments.
#pragma once

#include <cstdint>

namespace audio::detail {

// Fades `frames` interleaved 16-bit frames from `from` to `to` into `out`; `likeness` is their
// normalised correlation, 0 to 1.
void LikenessCrossfade(const std::int16_t* from, const std::int16_t* to, std::int16_t* out,
                       int frames, int channels, double likeness);

}  // namespace audio::detail
