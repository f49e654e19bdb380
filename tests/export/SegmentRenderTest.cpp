// A long save stretched in segments on both cores: joined, the segments sound as one stream
// would, with every engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

#include "audio/AudioTestSupport.h"
#include "audio/StretchEngine.h"
#include "engine/TestMedia.h"
#include "export/RenderChain.h"
#include "export/SaveFixture.h"
#include "export/SegmentRender.h"
#include "support/TestAudio.h"

namespace {

constexpr int kRate = 44100;
constexpr double kSongSeconds = 8, kToneHz = 441;

class SegmentRenderTest : public exporttest::SaveFixture {};

// Reads a stream or the segments to their end.
template <typename ReadBlock>
std::vector<std::int16_t> ReadAll(ReadBlock read) {
    std::vector<std::int16_t> out;
    std::vector<char> block(RenderChain::kBlockBytes);
    for (std::size_t got; (got = read(block.data())) > 0;) {
        const auto* samples = reinterpret_cast<const std::int16_t*>(block.data());
        out.insert(out.end(), samples, samples + got / 2);
    }
    return out;
}

// Four segments of 2 s, so three joins: no 10 ms quieter than 0.8 of the tone, no step between
// samples steeper than the tone's own, the pitch as set and the length of the song stretched.
TEST_F(SegmentRenderTest, SegmentsJoinWithoutAGapOrAClickWithEveryEngine) {
    const std::string song =
        testmedia::WriteWav(Media("song.wav"), {.seconds = kSongSeconds, .frequency = kToneHz});
    const struct {
        int tempo;  // percent
        int cents;
    } settings[] = {{80, 200}, {50, 0}};
    for (const audio::detail::StretchEngineKind& engine : audio::detail::StretchEngineKinds()) {
        ASSERT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, engine.kind));
        for (const auto& setting : settings) {
            SCOPED_TRACE(testing::Message() << engine.name << " at " << setting.tempo << " %, "
                                            << setting.cents << " cents");
            const auto open = [&] {
                const audio::HSTREAM decode =
                    audio::StreamCreateFile(false, song.c_str(), 0, 0, audio::STREAM_DECODE);
                const audio::HSTREAM tempo =
                    audio::FX_TempoCreate(decode, audio::STREAM_DECODE | audio::FX_FREESOURCE);
                audio::FX_TempoSet(tempo, float(setting.tempo - 100), 0, setting.cents / 100.0f);
                return tempo;
            };
            const SegmentRender::Region region{0,
                                               std::uint64_t(kSongSeconds * kRate),
                                               kRate,
                                               2,
                                               setting.tempo / 100.0,
                                               RenderChain::kBlockBytes};
            SegmentRender segments(open, region, 2 * kRate);
            ASSERT_TRUE(segments.Start());
            const std::vector<std::int16_t> joined = ReadAll(
                [&](char* block) { return segments.Read(block, RenderChain::kBlockBytes); });

            const std::size_t frames = joined.size() / 2;
            const double expected = kSongSeconds * kRate * 100 / setting.tempo;
            EXPECT_NEAR(double(frames), expected, 0.02 * kRate);
            const double pitch = kToneHz * std::pow(2.0, setting.cents / 1200.0);
            const double toneRms = 8000 / std::sqrt(2.0);
            const double steepest = 8000 * 2 * std::numbers::pi * pitch / kRate;
            int steps = 0;
            double quietest = toneRms;
            for (std::size_t f = kRate / 4; f + kRate / 4 < frames; ++f) {
                if (std::abs(joined[2 * f + 2] - joined[2 * f]) > 1.3 * steepest) ++steps;
                if (f % (kRate / 200) == 0)
                    quietest = std::min(quietest, test_audio::Rms(&joined[2 * f], kRate / 100, 2));
            }
            EXPECT_EQ(steps, 0);
            EXPECT_GE(quietest, 0.8 * toneRms);
            EXPECT_NEAR(
                audio_test::ZeroCrossingFrequency(
                    std::vector<std::int16_t>(joined.begin() + kRate, joined.end()), 2, kRate),
                pitch, 0.01 * pitch);
        }
    }
    ASSERT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, audio::STRETCHER_SOUNDTOUCH));
}

// Stopped while the reader waits or the threads render, nothing hangs and Read gives no more.
TEST_F(SegmentRenderTest, StoppingEndsTheThreadsAndTheReading) {
    const std::string song =
        testmedia::WriteWav(Media("song.wav"), {.seconds = kSongSeconds, .frequency = kToneHz});
    const auto open = [&] {
        const audio::HSTREAM tempo = audio::FX_TempoCreate(
            audio::StreamCreateFile(false, song.c_str(), 0, 0, audio::STREAM_DECODE),
            audio::STREAM_DECODE | audio::FX_FREESOURCE);
        audio::FX_TempoSet(tempo, -50, 0, 0);
        return tempo;
    };
    const SegmentRender::Region region{
        0, std::uint64_t(kSongSeconds * kRate), kRate, 2, 0.5, RenderChain::kBlockBytes};
    SegmentRender segments(open, region, kRate);
    ASSERT_TRUE(segments.Start());
    std::vector<char> block(RenderChain::kBlockBytes);
    EXPECT_GT(segments.Read(block.data(), block.size()), 0u);
    segments.Stop();
    EXPECT_EQ(segments.Read(block.data(), block.size()), 0u);

    // A stream that cannot be made ends the output where its segment would begin.
    std::atomic<int> made = 0;
    SegmentRender failing([&]() -> audio::HSTREAM { return made++ == 0 ? open() : 0; }, region,
                          kRate);
    ASSERT_TRUE(failing.Start());
    const std::vector<std::int16_t> out =
        ReadAll([&](char* b) { return failing.Read(b, RenderChain::kBlockBytes); });
    EXPECT_LE(out.size() / 2, std::size_t(2 * kRate + RenderChain::kBlockBytes / 4));
}

}  // namespace
