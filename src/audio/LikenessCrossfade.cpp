#include "audio/LikenessCrossfade.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace audio::detail {

void LikenessCrossfade(const std::int16_t* from, const std::int16_t* to, std::int16_t* out,
                       int frames, int channels, double likeness) {
    const auto c = static_cast<std::size_t>(channels);
    for (int i = 0; i < frames; ++i) {
        const double in = (i + 0.5) / frames, away = 1.0 - in;
        const double gain = 1.0 / std::sqrt(in * in + away * away + 2.0 * likeness * in * away);
        for (std::size_t k = 0; k < c; ++k) {
            const std::size_t at = static_cast<std::size_t>(i) * c + k;
            const double v = gain * (away * from[at] + in * to[at]);
            out[at] = static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
        }
    }
}

}  // namespace audio::detail
