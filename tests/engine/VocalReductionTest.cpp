#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <vector>

#include "TestMedia.h"
#include "audio/Audio.h"
#include "engine/PlaybackState.h"
#include "engine/VocalReduction.h"

namespace {

using Samples = std::vector<std::int16_t>;

class VocalReductionTest : public ::testing::Test {
protected:
    void TearDown() override { g_nVocalLevel = 0; }

    static Samples Reduce(Samples samples, int level, std::size_t bytes = SIZE_MAX) {
        g_nVocalLevel = level;
        VocalReductionDSP(1, 1, samples.data(),
                          static_cast<audio::DWORD>(bytes == SIZE_MAX ? samples.size() * 2 : bytes),
                          &g_nVocalLevel);
        return samples;
    }
};

TEST_F(VocalReductionTest, TheCasesThatDefineIt) {
    // What is equal in both channels cancels at 128.
    EXPECT_EQ(Reduce({0, 0, 1000, 1000, -32768, -32768, 32767, 32767, -5, -5}, 128),
              Samples(10, 0));
    EXPECT_EQ(Reduce({1000, -1000}, 128), (Samples{500, 500}));
    // The largest magnitude: half of full scale, no clipping needed.
    EXPECT_EQ(Reduce({32767, -32768}, 256), (Samples{16384, 16384}));
    EXPECT_EQ(Reduce({-32768, 32767}, 128), (Samples{-16384, -16384}));
    // (L - R) / 4 rounds toward minus infinity.
    EXPECT_EQ(Reduce({1, 2}, 128), (Samples{-1, -1}));
    EXPECT_EQ(Reduce({2, 1}, 128), (Samples{0, 0}));
    // 0 halves the left channel, 1 nearly so, 256 gives minus half the right one.
    EXPECT_EQ(Reduce({-20001, 7}, 0), (Samples{-10001, -10001}));
    EXPECT_EQ(Reduce({20000, 300}, 1), (Samples{9960, 9960}));
    EXPECT_EQ(Reduce({123, 20000}, 256), (Samples{-10000, -10000}));
}

TEST_F(VocalReductionTest, MatchesTheFormulaForEveryLevel) {
    const int values[] = {-32768, -32767, -20000, -513, -512,  -511, -1,
                          0,      1,      511,    512,  12345, 32767};
    for (int level = 0; level <= 256; ++level) {
        for (int left : values) {
            for (int right : values) {
                const std::int64_t t =
                    static_cast<std::int64_t>(left) * (256 - level) - std::int64_t{right} * level;
                const std::int64_t expected = t >= 0 ? t / 512 : -((-t + 511) / 512);  // floor
                const Samples out = Reduce(
                    {static_cast<std::int16_t>(left), static_cast<std::int16_t>(right)}, level);
                ASSERT_EQ(out[0], expected) << level << " " << left << " " << right;
                ASSERT_EQ(out[1], expected);
                ASSERT_LE(std::abs(out[0]), 16384);
            }
        }
    }
}

TEST_F(VocalReductionTest, PairsConsecutiveSamplesAndLeavesAnIncompleteOneAlone) {
    // Three samples (a mono buffer, say): the first two are a pair, the third stays.
    EXPECT_EQ(Reduce({1000, -1000, 777}, 128), (Samples{500, 500, 777}));
    // An odd byte count: the half sample is not touched either.
    EXPECT_EQ(Reduce({1000, -1000, 777, 0}, 128, 7), (Samples{500, 500, 777, 0}));
    EXPECT_EQ(Reduce({1000, -1000}, 128, 0), (Samples{1000, -1000}));
}

// A voice-like tone in the centre (a 220 Hz buzz with vowel-shaped harmonics and a little
// vibrato), one instrument hard left (330 Hz, odd harmonics) and one hard right (523 Hz, bright),
// decoded from a WAV file with the procedure on the decoding stream.
TEST_F(VocalReductionTest, RemovesTheCentreOfARealMixAndKeepsTheSides) {
    constexpr int kRate = 44100;
    constexpr std::size_t kFrames = kRate;  // one second: whole periods of every tone
    const double voice[] = {0, 0.35, 0.5, 0.9, 0.6, 0.3, 0.2, 0.1, 0.05};  // by harmonic
    Samples mix(2 * kFrames);
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double centre = 0;
        for (int h = 1; h <= 8; ++h) centre += voice[h] * std::sin(2 * M_PI * 220 * h * t);
        centre *= 3000 * (1 + 0.02 * std::sin(2 * M_PI * 5 * t));
        const double left =
            4000 * (std::sin(2 * M_PI * 330 * t) + std::sin(2 * M_PI * 990 * t) / 3 +
                    std::sin(2 * M_PI * 1650 * t) / 5);
        const double right =
            3500 * (std::sin(2 * M_PI * 523 * t) + std::sin(2 * M_PI * 1046 * t) / 2 +
                    std::sin(2 * M_PI * 1569 * t) / 3);
        mix[2 * i] = static_cast<std::int16_t>(std::lround(centre + left));
        mix[2 * i + 1] = static_cast<std::int16_t>(std::lround(centre + right));
    }
    QTemporaryDir dir;
    const std::string path =
        testmedia::WriteWavSamples(dir.path().toStdString() + "/mix.wav", kRate, 2, mix);

    const audio::HSTREAM stream =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    g_nVocalLevel = 128;
    ASSERT_NE(audio::ChannelSetDSP(stream, &VocalReductionDSP, &g_nVocalLevel, 2), 0u);
    Samples out(mix.size());
    std::size_t got = 0;
    while (got < out.size()) {
        const audio::DWORD n = audio::ChannelGetData(
            stream, out.data() + got, static_cast<audio::DWORD>((out.size() - got) * 2));
        if (n == static_cast<audio::DWORD>(-1) || n == 0) break;
        got += n / 2;
    }
    audio::StreamFree(stream);
    ASSERT_EQ(got, out.size());

    for (std::size_t i = 0; i < kFrames; ++i) ASSERT_EQ(out[2 * i], out[2 * i + 1]) << i;
    auto amplitude = [&](const Samples& s, int channel, double frequency) {
        return testmedia::ToneAmplitude(s, static_cast<std::size_t>(channel), 2, kFrames, frequency,
                                        kRate);
    };
    // The voice: every harmonic at least 40 dB down.
    for (int h = 1; h <= 8; ++h) {
        const double before = amplitude(mix, 0, 220.0 * h);
        const double after = amplitude(out, 0, 220.0 * h);
        EXPECT_LT(after, before / 100) << "harmonic " << h << ": " << before << " -> " << after;
    }
    // The instruments stay, at a quarter of their level: the output is (L - R) / 4.
    for (double frequency : {330.0, 990.0, 1650.0})
        EXPECT_NEAR(amplitude(out, 0, frequency) / amplitude(mix, 0, frequency), 0.25, 0.01)
            << frequency;
    for (double frequency : {523.0, 1046.0, 1569.0})
        EXPECT_NEAR(amplitude(out, 0, frequency) / amplitude(mix, 1, frequency), 0.25, 0.01)
            << frequency;
}

}  // namespace
