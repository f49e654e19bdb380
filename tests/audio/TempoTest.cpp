// Tempo streams: tempo and pitch change independently, and positions stay in the source's bytes.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "audio/StretchEngine.h"

using namespace audio_test;

namespace {

constexpr int kRate = 44100;

struct TempoFixture {
    TempDir dir;
    audio::HSTREAM source = 0;
    audio::HSTREAM tempo = 0;
    explicit TempoFixture(double freq, std::size_t frames, audio::DWORD flags) {
        const std::string wav = dir.File("tone.wav");
        WriteWav(wav, kRate, 2, Sine(freq, kRate, 2, frames));
        source = audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
        tempo = audio::FX_TempoCreate(source, flags);
    }
    ~TempoFixture() {
        audio::StreamFree(tempo);
        audio::StreamFree(source);
    }
};

// Every test runs once for each stretch engine: the tempo streams it creates use that engine.
class Tempo : public testing::TestWithParam<audio::detail::StretchEngineKind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, GetParam().kind));
    }
    void TearDown() override {
        audio::SetConfig(audio::CONFIG_STRETCHER, audio::STRETCHER_SOUNDTOUCH);
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, Tempo, testing::ValuesIn(audio::detail::StretchEngineKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

// The engines a playing stream starts again at every change of tempo or pitch: their restart
// must join what came before without a seam. (The others take changes in flight; they start
// again only where a decoding stream changes or a sync is set under what is heard.)
std::vector<audio::detail::StretchEngineKind> RestartingEngines() {
    std::vector<audio::detail::StretchEngineKind> kinds;
    for (const audio::detail::StretchEngineKind& kind : audio::detail::StretchEngineKinds())
        if (!kind.make(kRate, 2)->TakesChangesInFlight()) kinds.push_back(kind);
    return kinds;
}

class TempoRestart : public Tempo {};
INSTANTIATE_TEST_SUITE_P(Engines, TempoRestart, testing::ValuesIn(RestartingEngines()),
                         [](const auto& info) { return std::string(info.param.name); });

// The edges of what FX_TempoSet takes (Audio.h): inside, a value is applied and the stream
// stretches by it; outside, the call fails and changes nothing.
TEST_P(Tempo, SettingsAreTakenUpToTheEdgesOfTheirRangesAndRefusedBeyond) {
    struct Row {
        float tempo, rate, pitch;
        bool ok;
        float gotTempo, gotRate, gotPitch;  // FX_TempoGet afterwards (from -10 %, 44100 Hz, 1 st)
    };
    const Row rows[] = {
        {-95, 0, -100, true, -95, kRate, 1},  // the tempo slider's 5 %
        {-95.01f, 0, -100, false, -10, kRate, 1},
        {300, 0, -100, true, 300, kRate, 1},  // the tempo slider's 400 %
        {5000, 0, -100, true, 5000, kRate, 1},
        {5000.5f, 0, -100, false, -10, kRate, 1},
        {-100, 0, 60, true, -10, kRate, 60},
        {-100, 0, -60, true, -10, kRate, -60},
        {-100, 0, 60.01f, false, -10, kRate, 1},
        {-100, 0, -60.5f, false, -10, kRate, 1},
        {-100, -1, -100, false, -10, kRate, 1},
        {-100, 1, -100, true, -10, kRate / 20, 1},  // rates are kept within 1/20..20 times
        {-100, 1e7f, -100, true, -10, kRate * 20, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.tempo << ", " << row.rate << ", " << row.pitch);
        TempoFixture f(440, kRate / 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
        ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -10, 0, 1));
        EXPECT_EQ(bool(audio::FX_TempoSet(f.tempo, row.tempo, row.rate, row.pitch)), row.ok);
        EXPECT_EQ(audio::ErrorGetCode(), row.ok ? audio::ERROR_OK : audio::ERROR_ILLPARAM);
        float tempo = 0, rate = 0, pitch = 0;
        ASSERT_TRUE(audio::FX_TempoGet(f.tempo, &tempo, &rate, &pitch));
        EXPECT_FLOAT_EQ(tempo, row.gotTempo);
        EXPECT_FLOAT_EQ(rate, row.gotRate);
        EXPECT_FLOAT_EQ(pitch, row.gotPitch);
        // Half a second at 51 times the speed is shorter than SoundTouch's last batch, which a
        // flush does not reach, and Rubber Band's windows outlast it from ten times the speed
        // or five octaves down: the length is no measure at such extremes (the player's sliders
        // stop far short of them).
        const double speed = (1 + tempo / 100.0) * rate / kRate;
        if (tempo > 1000 || speed > 10 || std::abs(pitch) > 48) continue;
        EXPECT_NEAR(ReadAll(f.tempo).size() / 2.0, kRate / 2 / speed, kRate / 2 / speed * 0.02);
    }
}

TEST_P(Tempo, SlowerTempoLengthensTheOutputAndKeepsThePitch) {
    TempoFixture f(440, kRate * 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_NE(f.tempo, 0u);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -20, 0, -100));
    const std::vector<std::int16_t> out = ReadAll(f.tempo);
    EXPECT_NEAR(double(out.size()) / (kRate * 2 * 2), 1.25, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(out, 2, kRate), 440, 440 * 0.01);
}

TEST_P(Tempo, TwelveSemitonesUpDoublesTheFrequencyAndKeepsTheLength) {
    TempoFixture f(300, kRate * 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -100, 0, 12));
    const std::vector<std::int16_t> out = ReadAll(f.tempo);
    EXPECT_NEAR(double(out.size()) / (kRate * 2 * 2), 1.0, 0.01);
    EXPECT_NEAR(ZeroCrossingFrequency(out, 2, kRate), 600, 600 * 0.01);
}

TEST_P(Tempo, PositionsAndLengthCountInTheSourcesBytes) {
    TempoFixture f(440, kRate * 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, 50, 0, 3.5f));
    EXPECT_EQ(audio::ChannelGetLength(f.tempo), kRate * 2u * 4);
    audio::CHANNELINFO info{};
    ASSERT_TRUE(audio::ChannelGetInfo(f.tempo, &info));
    EXPECT_EQ(info.freq, unsigned(kRate));
    EXPECT_EQ(info.ctype, audio::CTYPE_STREAM_TEMPO);

    // At +50 % a second of output covers a second and a half of the source.
    ReadFrames(f.tempo, 2, kRate);
    const double seconds = audio::ChannelBytes2Seconds(f.tempo, audio::ChannelGetPosition(f.tempo));
    EXPECT_NEAR(seconds, 1.5, 0.1);
    ReadAll(f.tempo);
    EXPECT_EQ(audio::ChannelGetPosition(f.tempo), kRate * 2u * 4);
    EXPECT_EQ(audio::ChannelIsActive(f.tempo), audio::ACTIVE_STOPPED);

    // Setting a position empties the stretcher and starts there.
    ASSERT_TRUE(audio::ChannelSetPosition(f.tempo, kRate / 2 * 4));
    EXPECT_EQ(audio::ChannelGetPosition(f.tempo), kRate / 2u * 4);
    EXPECT_EQ(audio::ChannelIsActive(f.tempo), audio::ACTIVE_PLAYING);
    const std::vector<std::int16_t> rest = ReadAll(f.tempo);
    EXPECT_NEAR(double(rest.size()) / 2, kRate * 1.5 / 1.5, kRate * 0.02);
}

TEST_P(Tempo, MinusOneHundredAndRateZeroLeaveValuesUnchanged) {
    TempoFixture f(440, kRate, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -25, 0, -100));
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -100, 0, 2.5f));
    float tempo = 0, rate = 0, pitch = 0;
    ASSERT_TRUE(audio::FX_TempoGet(f.tempo, &tempo, &rate, &pitch));
    EXPECT_FLOAT_EQ(tempo, -25);
    EXPECT_FLOAT_EQ(rate, kRate);
    EXPECT_FLOAT_EQ(pitch, 2.5f);
    EXPECT_FALSE(audio::FX_TempoSet(f.tempo, -96, 0, -100));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    // The options are the classic engine's own: the others have none of them.
    const bool hasOptions = GetParam().kind == audio::STRETCHER_SOUNDTOUCH;
    for (audio::DWORD option = 0; option <= 6; ++option) {
        const bool known = hasOptions && option <= 5;
        EXPECT_EQ(bool(audio::FX_TempoSetOption(f.tempo, option, option == 2 ? 1 : 40)), known)
            << option;
        EXPECT_EQ(audio::ErrorGetCode(), known ? audio::ERROR_OK : audio::ERROR_ILLTYPE);
    }
}

TEST(TempoOptions, OddOptionValuesFromTheOptionsFileStillStretch) {
    // 12, 31 and 126: filter lengths that are no multiple of eight (the stretcher would abort).
    const audio::DWORD values[] = {0, 1, 3, 7, 12, 31, 126, 1000, 100000, audio::DWORD(-5)};
    for (audio::DWORD option = 0; option <= 5; ++option) {
        for (audio::DWORD value : values) {
            TempoFixture f(440, kRate / 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
            EXPECT_TRUE(audio::FX_TempoSetOption(f.tempo, option, value));
            ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -30, 0, 1));
            const std::vector<std::int16_t> out = ReadAll(f.tempo);
            EXPECT_NEAR(double(out.size()) / (kRate / 2 * 2), 1 / 0.7, 0.05)
                << "option " << option << " = " << int(value);
        }
    }
}

TEST_P(Tempo, FreeSourceDecidesWhetherTheSourceGoesWithTheTempoStream) {
    TempoFixture with(440, kRate / 10, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    EXPECT_EQ(audio::FX_TempoGetSource(with.tempo), with.source);
    EXPECT_FALSE(audio::StreamFree(with.source));  // in use by the tempo stream
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOTAVAIL);
    EXPECT_EQ(audio::FX_TempoCreate(with.source, audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ALREADY);
    EXPECT_TRUE(audio::StreamFree(with.tempo));
    EXPECT_EQ(audio::ChannelGetLength(with.source), audio::QWORD(-1));  // gone with it

    TempoFixture without(440, kRate / 10, audio::STREAM_DECODE);
    EXPECT_TRUE(audio::StreamFree(without.tempo));
    EXPECT_EQ(audio::ChannelGetLength(without.source), kRate / 10u * 4);
}

TEST_P(TempoRestart, SourceSyncAtTheLoopEndJumpsWithoutASeam) {
    // 490 Hz has a period of exactly 90 frames: a loop of whole periods joins seamlessly.
    TempoFixture f(490, kRate * 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -25, 0, -100));
    static audio::QWORD loopStart = 90 * 50 * 4;
    auto loop = [](audio::HSYNC, audio::DWORD channel, audio::DWORD, void*) {
        audio::ChannelSetPosition(channel, loopStart);
    };
    ASSERT_NE(audio::ChannelSetSync(f.tempo, audio::SYNC_POS | audio::SYNC_MIXTIME, 90 * 200 * 4,
                                    loop, nullptr),
              0u);
    std::vector<std::int16_t> out = ReadFrames(f.tempo, 2, kRate);
    // A change of tempo with both sides of the jump inside the stretcher keeps the seam closed.
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -40, 0, -100));
    const std::vector<std::int16_t> more = ReadFrames(f.tempo, 2, kRate);
    out.insert(out.end(), more.begin(), more.end());
    ASSERT_EQ(out.size(), kRate * 2u * 2);
    const double tone = 0.5 * 32767 / std::sqrt(2.0);
    for (std::size_t w = 2000; w + 220 < out.size() / 2; w += 220)
        ASSERT_GE(Rms(out.data() + 2 * w, 220, 2), 0.9 * tone) << "window at frame " << w;
    const audio::QWORD pos = audio::ChannelGetPosition(f.tempo);
    EXPECT_GE(pos, loopStart);
    EXPECT_LE(pos, 90u * 200 * 4);
}

}  // namespace

namespace {

// Largest step between neighbouring samples of channel 0: a click shows as a step far above a
// tone's own steepest slope.
double LargestStep(const std::vector<std::int16_t>& s, int channels) {
    double largest = 0;
    for (std::size_t i = channels; i < s.size(); i += channels)
        largest = std::max(largest, std::abs(double(s[i]) - s[i - channels]));
    return largest;
}

// RMS of the quietest 5 ms window of channel 0 that starts in [from, to): a dip where the
// stretcher starts again would show here.
double QuietestWindow(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
    double quietest = 1e9;
    for (std::size_t w = from; w < to; w += 110)
        quietest = std::min(quietest, Rms(s.data() + 2 * w, 220, 2));
    return quietest;
}

constexpr double kToneRms = 0.5 * 32767 / std::numbers::sqrt2;

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& s, std::size_t fromFrame,
                                std::size_t frames) {
    return {s.begin() + 2 * fromFrame, s.begin() + 2 * (fromFrame + frames)};
}

}  // namespace

TEST_P(TempoRestart, APitchChangeIsHeardAtOnceAndWithoutAClick) {
    TempoFixture f(440, kRate * 3, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    std::vector<std::int16_t> out = ReadFrames(f.tempo, 2, kRate);
    const audio::QWORD before = audio::ChannelGetPosition(f.tempo);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -100, 0, 12));
    // The position does not move with the change: the same audio goes on, an octave higher.
    EXPECT_EQ(audio::ChannelGetPosition(f.tempo), before);
    const std::vector<std::int16_t> after = ReadFrames(f.tempo, 2, kRate / 2);
    // From 5 ms after the change on, the tone is an octave up.
    EXPECT_NEAR(ZeroCrossingFrequency(Slice(after, kRate * 5 / 1000, kRate / 50), 2, kRate), 880,
                880 * 0.03);
    EXPECT_NEAR(ZeroCrossingFrequency(Slice(after, kRate / 10, kRate / 5), 2, kRate), 880,
                880 * 0.01);
    out.insert(out.end(), after.begin(), after.end());
    const double steepest = 0.5 * 32767 * 2 * std::numbers::pi * 880 / kRate;
    EXPECT_LT(LargestStep(out, 2), 1.3 * steepest);
    EXPECT_GE(QuietestWindow(out, kRate - 2205, kRate + 4410), 0.95 * kToneRms);
}

TEST_P(TempoRestart, ATempoChangeAppliesToTheAudioNotYetHeard) {
    TempoFixture f(440, kRate * 2, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    const std::vector<std::int16_t> first = ReadFrames(f.tempo, 2, kRate / 2);
    const double source = double(audio::ChannelGetPosition(f.tempo)) / 4 / kRate;
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, 100, 0, -100));
    const std::vector<std::int16_t> rest = ReadAll(f.tempo);
    // Everything after the change plays twice as fast: what the stretcher had already made at
    // the old tempo is not played out first.
    EXPECT_NEAR(double(rest.size()) / 2 / kRate, (2 - source) / 2, 0.008);
    const std::vector<std::int16_t> tail = Slice(rest, 0, rest.size() / 2 - 1000);
    EXPECT_NEAR(ZeroCrossingFrequency(tail, 2, kRate), 440, 440 * 0.01);
    std::vector<std::int16_t> out = first;
    out.insert(out.end(), rest.begin(), rest.end() - 2000);
    const double steepest = 0.5 * 32767 * 2 * std::numbers::pi * 440 / kRate;
    EXPECT_LT(LargestStep(out, 2), 1.3 * steepest);
    const std::size_t change = first.size() / 2;
    EXPECT_GE(QuietestWindow(out, change - 2205, change + 4410), 0.95 * kToneRms);
}

// A loop's end marked at the position coming out now: the stretcher has already taken source
// audio from beyond it, and the jump must still happen there, not a pass later.
TEST_P(TempoRestart, AMixtimeSyncSetWhereTheOutputIsNowFiresThere) {
    TempoFixture f(490, kRate * 4, audio::STREAM_DECODE | audio::FX_FREESOURCE);
    ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -30, 0, -3));
    static audio::QWORD loopStart = 90 * 50 * 4;
    auto loop = [](audio::HSYNC, audio::DWORD channel, audio::DWORD, void*) {
        audio::ChannelSetPosition(channel, loopStart);
    };
    std::vector<std::int16_t> out = ReadFrames(f.tempo, 2, kRate);
    // A whole number of the tone's periods, so that the jump joins without a step.
    const audio::QWORD end = audio::ChannelGetPosition(f.tempo) / 4 / 90 * 90 * 4;
    const audio::HSYNC sync =
        audio::ChannelSetSync(f.tempo, audio::SYNC_POS | audio::SYNC_MIXTIME, end, loop, nullptr);
    ASSERT_NE(sync, 0u);
    const std::vector<std::int16_t> more = ReadFrames(f.tempo, 2, kRate);
    out.insert(out.end(), more.begin(), more.end());
    // One second at 70 % covers 0.7 s of the source: without the jump it would be far beyond.
    const audio::QWORD position = audio::ChannelGetPosition(f.tempo);
    EXPECT_GE(position, loopStart);
    EXPECT_LE(position, end);
    const double tone = 0.5 * 32767 / std::sqrt(2.0);
    for (std::size_t w = 2000; w + 220 < out.size() / 2; w += 220)
        ASSERT_GE(Rms(out.data() + 2 * w, 220, 2), 0.9 * tone) << "window at frame " << w;

    // Set where the source was already read but the output has not come yet: the same.
    ASSERT_TRUE(audio::ChannelSetPosition(f.tempo, 0));
    ReadFrames(f.tempo, 2, kRate / 10);
    ASSERT_TRUE(audio::ChannelRemoveSync(f.tempo, sync));
    const audio::QWORD ahead = audio::ChannelGetPosition(f.tempo) + 90 * 20 * 4;
    loopStart = 0;
    ASSERT_NE(
        audio::ChannelSetSync(f.tempo, audio::SYNC_POS | audio::SYNC_MIXTIME, ahead, loop, nullptr),
        0u);
    ReadFrames(f.tempo, 2, kRate / 2);
    EXPECT_LE(audio::ChannelGetPosition(f.tempo), ahead);
}

namespace {

// What a decoding tempo stream gives, read to its end.
std::vector<std::int16_t> ReadToEnd(audio::HSTREAM stream) {
    std::vector<std::int16_t> samples, block(4096);
    for (;;) {
        const audio::DWORD got = audio::ChannelGetData(stream, block.data(), 8192);
        if (got == audio::DWORD(-1) || got == 0) return samples;
        samples.insert(samples.end(), block.begin(), block.begin() + got / 2);
    }
}

}  // namespace

// Settings given before the first read are those the engine starts with: the stream plays as
// one sought back to its start after them (a save does that), not from a start-up made at the
// normal tempo and pitch.
TEST_P(Tempo, SettingsBeforeTheFirstReadAreThoseTheStreamStartsWith) {
    for (const float pitch : {0.0f, 2.0f}) {
        SCOPED_TRACE(testing::Message() << "pitch " << pitch);
        std::vector<std::int16_t> heard[2];
        for (const bool seekBack : {false, true}) {
            TempoFixture f(440, kRate, audio::STREAM_DECODE);
            ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -20, 0, -100));
            ASSERT_TRUE(audio::FX_TempoSet(f.tempo, -100, 0, pitch));
            if (seekBack) {
                ASSERT_TRUE(audio::ChannelSetPosition(f.tempo, 0));
            }
            heard[seekBack] = ReadToEnd(f.tempo);
        }
        EXPECT_EQ(heard[0], heard[1]);
    }
}
