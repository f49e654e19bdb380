// The contract every stretch engine keeps (StretchEngine.h), checked for each engine the factory
// knows: lengths and pitches as set, output that maps back to the source frames through
// InputPerOutput (what StretcherInput reports as the position), nothing old after a clear, and
// the whole tail after a flush.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "AudioTestSupport.h"
#include "audio/SampleConversion.h"
#include "audio/StretchEngine.h"
#include "audio/StretcherInput.h"

namespace audio::detail {
// Failure messages name the engine.
void PrintTo(const StretchEngineKind& kind, std::ostream* os) {
    *os << kind.name;
}
}  // namespace audio::detail

using namespace audio_test;
using audio::detail::StretchEngine;
using audio::detail::StretchEngineKind;
using audio::detail::StretcherInput;

namespace {

constexpr int kRate = 44100;
constexpr std::uint64_t kSourceStart = 500000;  // any source frame: positions are relative to it

class StretchEngineTest : public testing::TestWithParam<StretchEngineKind> {
protected:
    std::unique_ptr<StretchEngine> m_pEngine = GetParam().make(kRate, 2);
};

// What came out of an engine, with the source frame StretcherInput gave for each output frame.
struct Output {
    std::vector<std::int16_t> samples;
    std::vector<std::uint64_t> sourceFrame;
};

void RetrieveAll(StretcherInput& input, Output& out) {
    float block[64 * 2];
    std::int16_t converted[64 * 2];
    for (;;) {
        const std::uint64_t position = input.Position();
        const int got = input.Retrieve(block, 64);
        if (got == 0) return;
        audio::detail::FloatToInt16(block, converted, static_cast<std::size_t>(got) * 2);
        out.samples.insert(out.samples.end(), converted, converted + got * 2);
        // The frames of this block stand between the positions before and after it.
        const double step = double(input.Position() - position) / got;
        for (int i = 0; i < got; ++i)
            out.sourceFrame.push_back(position + static_cast<std::uint64_t>(i * step));
    }
}

// First and last frame of `s` (channel 0) louder than a tenth of full scale.
std::pair<std::size_t, std::size_t> ToneBounds(const std::vector<std::int16_t>& s) {
    std::size_t first = s.size(), last = 0;
    for (std::size_t i = 0; i < s.size() / 2; ++i) {
        if (std::abs(s[2 * i]) < 3277) continue;
        first = std::min(first, i);
        last = i;
    }
    return {first, last};
}

struct Setting {
    double tempo;
    double semitones;
};

TEST_P(StretchEngineTest, LengthPitchAndPositionsFollowTheSettingsAndFlushGivesTheTail) {
    // A tone with silence on both sides, so that its start and end can be found in the output.
    const std::size_t toneStart = kRate / 4, toneFrames = kRate * 3 / 2, silence = kRate / 2;
    std::vector<std::int16_t> source(toneStart * 2, 0);
    const std::vector<std::int16_t> tone = Sine(440, kRate, 2, toneFrames);
    source.insert(source.end(), tone.begin(), tone.end());
    source.resize(source.size() + silence * 2, 0);
    const std::size_t sourceFrames = source.size() / 2;

    for (const Setting s : {Setting{0.8, 0}, Setting{1.5, 0}, Setting{1.0, 12}, Setting{0.7, -3}}) {
        SCOPED_TRACE(testing::Message() << "tempo " << s.tempo << ", " << s.semitones << " st");
        m_pEngine->Clear();
        EXPECT_DOUBLE_EQ(m_pEngine->SetTempo(s.tempo), s.tempo);
        EXPECT_DOUBLE_EQ(m_pEngine->SetPitchSemitones(s.semitones), s.semitones);
        StretcherInput input(*m_pEngine, 2);
        Output out;
        std::size_t fedAtFirstOutput = 0;
        for (std::size_t at = 0; at < sourceFrames; at += 256) {
            const int frames = static_cast<int>(std::min<std::size_t>(256, sourceFrames - at));
            input.Put(kSourceStart + at, source.data() + 2 * at, frames);
            if (fedAtFirstOutput == 0 && m_pEngine->Available() > 0) fedAtFirstOutput = at + 256;
            RetrieveAll(input, out);
        }
        // The engine's stated latency is about what it takes before its first output.
        EXPECT_NEAR(double(fedAtFirstOutput), m_pEngine->LatencyFrames(),
                    m_pEngine->LatencyFrames() / 2.0 + 256);

        // Before the flush the engine still holds the end; after it, everything is out.
        const double expected = sourceFrames / s.tempo;
        EXPECT_LT(out.samples.size() / 2.0, expected - kRate / 50.0);
        m_pEngine->Flush();
        RetrieveAll(input, out);
        EXPECT_NEAR(out.samples.size() / 2.0, expected, expected * 0.01);

        // The tone starts and ends where the positions say its source frames are, within the
        // engine's search for the best overlap (SoundTouch: up to 25 ms).
        const auto [first, last] = ToneBounds(out.samples);
        ASSERT_LT(first, last);
        const double slack = kRate * 0.03;
        EXPECT_NEAR(double(out.sourceFrame[first]), kSourceStart + toneStart, slack);
        EXPECT_NEAR(double(out.sourceFrame[last]), kSourceStart + toneStart + toneFrames, slack);
        // Its pitch is as set, whatever the tempo.
        const std::vector<std::int16_t> middle(out.samples.begin() + 2 * (first + kRate / 10),
                                               out.samples.begin() + 2 * (last - kRate / 10));
        const double pitch = 440 * std::pow(2.0, s.semitones / 12);
        EXPECT_NEAR(ZeroCrossingFrequency(middle, 2, kRate), pitch, pitch * 0.01);
    }
}

TEST_P(StretchEngineTest, AClearedEngineMakesNothingOfTheAudioBefore) {
    m_pEngine->SetTempo(0.75);
    m_pEngine->SetPitchSemitones(2);
    StretcherInput input(*m_pEngine, 2);
    const std::vector<std::int16_t> tone = Sine(440, kRate, 2, kRate);
    input.Put(0, tone.data(), kRate);
    Output before;
    RetrieveAll(input, before);
    ASSERT_GT(before.samples.size(), 0u);
    // A seek to frame kSourceStart, where the source is silent.
    input.Clear();
    const std::vector<std::int16_t> silence(kRate * 2, 0);
    input.Put(kSourceStart, silence.data(), kRate);
    EXPECT_EQ(input.Position(), kSourceStart);
    m_pEngine->Flush();
    Output after;
    RetrieveAll(input, after);
    ASSERT_GT(after.samples.size(), kRate / 2 * 2);
    EXPECT_EQ(*std::max_element(after.samples.begin(), after.samples.end()), 0);
    EXPECT_EQ(*std::min_element(after.samples.begin(), after.samples.end()), 0);
}

// A held pure tone keeps its level: no 10 ms of it below 0.8 of the input's, slower or at normal
// tempo. A phase vocoder that resets its phases where no note starts makes it waver, and one
// engine lost 3.5 dB of it at exactly normal tempo.
TEST_P(StretchEngineTest, AHeldToneKeepsItsLevel) {
    constexpr int kFrames = 3 * kRate, kChunk = 1024, kWindow = kRate / 100;
    const std::vector<std::int16_t> tone = Sine(490, kRate, 2, kFrames);
    const double level = Rms(tone.data(), kFrames, 2);
    for (const double tempo : {0.5, 0.75, 1.0}) {
        SCOPED_TRACE(testing::Message() << "tempo " << tempo);
        m_pEngine = GetParam().make(kRate, 2);
        m_pEngine->SetTempo(tempo);
        StretcherInput input(*m_pEngine, 2);
        Output out;
        for (int f = 0; f < kFrames; f += kChunk) {
            input.Put(kSourceStart + f, tone.data() + 2 * f, std::min(kChunk, kFrames - f));
            RetrieveAll(input, out);
        }
        const std::size_t frames = out.samples.size() / 2;
        ASSERT_GT(frames, std::size_t(kRate));
        double quietest = level;
        for (std::size_t w = kRate / 2; w + kRate / 5 < frames; w += kWindow / 2)
            quietest = std::min(quietest, Rms(out.samples.data() + 2 * w, kWindow, 2));
        EXPECT_GE(quietest, 0.8 * level);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, StretchEngineTest,
                         testing::ValuesIn(audio::detail::StretchEngineKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StretchEngineConfig, TheLayerTakesEveryKnownEngineAndRefusesOthers) {
    for (const StretchEngineKind& kind : audio::detail::StretchEngineKinds()) {
        EXPECT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, kind.kind)) << kind.name;
        EXPECT_EQ(audio::GetConfig(audio::CONFIG_STRETCHER), kind.kind);
    }
    EXPECT_FALSE(audio::SetConfig(audio::CONFIG_STRETCHER, 1000));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_STRETCHER),
              audio::detail::StretchEngineKinds().back().kind);
    EXPECT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, audio::STRETCHER_SOUNDTOUCH));
}

}  // namespace
