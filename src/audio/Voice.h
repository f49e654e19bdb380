// The mixer's state for one playing channel: the converter to the device rate and the last gains
// applied (changes are ramped across a block so that they do not click).
#pragma once

#include <vector>

#include "audio/FfmpegHandles.h"

namespace audio::detail {

struct Voice {
    SwrPtr resampler;  // stereo float at the channel's rate -> stereo float at the device rate
    int resamplerRate = 0;
    std::vector<std::int16_t> input;  // channel frames as read
    std::vector<float> stereo;        // the same as stereo float
    std::vector<float> output;        // at the device rate
    float gainLeft = -1.0f;           // -1: nothing rendered yet
    float gainRight = -1.0f;
};

}  // namespace audio::detail
