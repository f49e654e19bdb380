// Float to 16-bit conversion: every sample the player outputs goes through it.
#include <gtest/gtest.h>

#include <vector>

#include "audio/SampleConversion.h"

using audio::detail::FloatToInt16;

TEST(SampleConversion, RoundsToTheNearestAndClipsInEveryPositionOfABlock) {
    // Eleven values: eight take the four-at-a-time path, three the single one, so each value is
    // checked in both by shifting the block.
    const std::vector<float> values = {
        0.0f,         1.0f,          -1.0f,           2.5f,  -3.0f, 0.4f / 32768,
        0.6f / 32768, -0.6f / 32768, 1000.4f / 32768, 1e30f, -1e30f};
    const std::vector<std::int16_t> expected = {0, 32767, -32768, 32767, -32768, 0,
                                                1, -1,    1000,   32767, -32768};
    for (std::size_t shift = 0; shift < values.size(); ++shift) {
        std::vector<float> in(values.size());
        std::vector<std::int16_t> want(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            in[(i + shift) % in.size()] = values[i];
            want[(i + shift) % in.size()] = expected[i];
        }
        std::vector<std::int16_t> out(in.size(), 123);
        FloatToInt16(in.data(), out.data(), in.size());
        EXPECT_EQ(out, want) << "shifted by " << shift;
    }
}
