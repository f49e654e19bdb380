// Conversion of blocks to the one format an encoder takes.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/TestMedia.h"
#include "export/PcmConverter.h"
#include "support/TestAudio.h"

namespace {

std::vector<std::int16_t> Tone(int rate, int channels, double seconds, double frequency) {
    return test_audio::SineOfPeak(frequency, rate, channels,
                                  static_cast<std::size_t>(seconds * rate), 10000);
}

// Converts in blocks of odd sizes, then flushes.
std::vector<std::int16_t> ConvertInBlocks(CPcmConverter& converter,
                                          const std::vector<std::int16_t>& in, int channels) {
    std::vector<std::int16_t> out;
    const int frames = static_cast<int>(in.size()) / channels;
    for (int at = 0; at < frames;) {
        const int n = std::min(frames - at, 1237);
        const auto& block = converter.Convert(in.data() + at * channels, n);
        out.insert(out.end(), block.begin(), block.end());
        at += n;
    }
    const auto& rest = converter.Flush();
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

TEST(PcmConverterTest, A48kHzStereoSongKeepsItsLengthAndPitchAt44100) {
    CPcmConverter converter(48000, 2, 44100, 2);
    ASSERT_TRUE(converter.IsReady());
    const std::vector<std::int16_t> out = ConvertInBlocks(converter, Tone(48000, 2, 2.0, 1000), 2);
    EXPECT_NEAR(double(out.size()) / 2, 2.0 * 44100, 64);
    EXPECT_NEAR(testmedia::ToneAmplitude(out, 44100, 2, 22050, 1000, 44100), 10000, 300);
    EXPECT_NEAR(testmedia::ToneAmplitude(out, 44101, 2, 22050, 1000, 44100), 10000, 300);
}

TEST(PcmConverterTest, AMonoSongIsHeardInBothChannelsAtFullLevel) {
    CPcmConverter converter(44100, 1, 44100, 2);
    const std::vector<std::int16_t> in = Tone(44100, 1, 1.0, 500);
    const std::vector<std::int16_t> out = ConvertInBlocks(converter, in, 1);
    ASSERT_EQ(out.size(), in.size() * 2);
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_NEAR(out[2 * i], in[i], 1) << i;
        ASSERT_NEAR(out[2 * i + 1], in[i], 1) << i;
    }
}

TEST(PcmConverterTest, ImpossibleFormatsAreRefused) {
    EXPECT_FALSE(CPcmConverter(0, 2, 44100, 2).IsReady());
    EXPECT_FALSE(CPcmConverter(44100, -1, 44100, 2).IsReady());
    CPcmConverter refused(0, 2, 44100, 2);
    const std::int16_t samples[4] = {};
    EXPECT_TRUE(refused.Convert(samples, 2).empty());
}

}  // namespace
