// DSP procedures, the peaking equaliser and syncs, observed through decoding channels.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/AudioSystem.h"
#include "audio/ParamEq.h"

using namespace audio_test;

namespace {

constexpr int kRate = 44100;

audio::HSTREAM OpenTone(const TempDir& dir, double freq, std::size_t frames, double amp = 0.5) {
    const std::string wav = dir.File("tone.wav");
    WriteWav(wav, kRate, 2, Sine(freq, kRate, 2, frames, amp));
    return audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
}

// Frame index in both channels: frame i holds i % 30000 on the left, i / 30000 on the right.
audio::HSTREAM OpenRamp(const TempDir& dir, std::size_t frames) {
    std::vector<std::int16_t> s(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        s[2 * i] = static_cast<std::int16_t>(i % 30000);
        s[2 * i + 1] = static_cast<std::int16_t>(i / 30000);
    }
    const std::string wav = dir.File("ramp.wav");
    WriteWav(wav, kRate, 2, s);
    return audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
}

std::size_t RampFrame(const std::int16_t* frame) {
    return static_cast<std::size_t>(frame[1]) * 30000 + static_cast<std::size_t>(frame[0]);
}

struct DspLog {
    std::vector<int> order;
};

template <int Id>
void LoggingDsp(audio::HDSP, audio::DWORD, void* buffer, audio::DWORD length, void* user) {
    static_cast<DspLog*>(user)->order.push_back(Id);
    auto* s = static_cast<std::int16_t*>(buffer);
    for (audio::DWORD i = 0; i < length / 2; ++i) s[i] = static_cast<std::int16_t>(Id * 1000);
}

TEST(Processing, DspsRunHighestPriorityFirstOnWhatIsRead) {
    TempDir dir;
    const audio::HSTREAM h = OpenTone(dir, 440, kRate);
    ASSERT_NE(h, 0u);
    DspLog log;
    const audio::HDSP low = audio::ChannelSetDSP(h, &LoggingDsp<1>, &log, 0);
    const audio::HDSP high = audio::ChannelSetDSP(h, &LoggingDsp<2>, &log, 2);
    const audio::HDSP mid = audio::ChannelSetDSP(h, &LoggingDsp<3>, &log, 1);
    ASSERT_TRUE(low && high && mid);
    std::vector<std::int16_t> block = ReadFrames(h, 2, 1000);
    EXPECT_EQ(log.order, (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(block.front(), 1000);  // the lowest priority ran last
    EXPECT_EQ(block.back(), 1000);

    EXPECT_TRUE(audio::ChannelRemoveDSP(h, low));
    EXPECT_FALSE(audio::ChannelRemoveDSP(h, low));
    log.order.clear();
    block = ReadFrames(h, 2, 1000);
    EXPECT_EQ(log.order, (std::vector<int>{2, 3}));
    EXPECT_EQ(block.front(), 3000);
    audio::StreamFree(h);
}

// A DSP that sets another on its channel the first time it runs, and counts its runs and the
// other's.
struct AddingDsp {
    audio::HSTREAM stream = 0;
    int addedPriority = 0;
    int runs = 0;
    int addedRuns = 0;
};

void CountAddedRun(audio::HDSP, audio::DWORD, void*, audio::DWORD, void* user) {
    ++static_cast<AddingDsp*>(user)->addedRuns;
}

void AddOnFirstRun(audio::HDSP, audio::DWORD, void*, audio::DWORD, void* user) {
    auto* a = static_cast<AddingDsp*>(user);
    if (a->runs++ == 0) audio::ChannelSetDSP(a->stream, &CountAddedRun, a, a->addedPriority);
}

// Set from inside a running DSP, before, beside or after it in priority: the running one is not
// run again, and the new one takes part from the next buffer on.
TEST(Processing, ADspSetWhileTheChainRunsLeavesEveryDspOncePerBuffer) {
    TempDir dir;
    for (const int addedPriority : {5, 1, 0, -5}) {
        const audio::HSTREAM h = OpenTone(dir, 440, kRate);
        ASSERT_NE(h, 0u);
        AddingDsp adding{h, addedPriority};
        ASSERT_NE(audio::ChannelSetDSP(h, &AddOnFirstRun, &adding, 1), 0u);
        std::vector<std::int16_t> buffer(2 * 256);
        for (int block = 1; block <= 3; ++block) {
            ASSERT_EQ(audio::ChannelGetData(h, buffer.data(), 256 * 4), 256u * 4);
            EXPECT_EQ(adding.runs, block) << "priority " << addedPriority;
            EXPECT_EQ(adding.addedRuns, block - 1) << "priority " << addedPriority;
        }
        audio::StreamFree(h);
    }
}

double PeakingGainDb(float centre, float bandwidth, float gain, double toneFreq) {
    TempDir dir;
    const audio::HSTREAM h = OpenTone(dir, toneFreq, kRate, 0.05);
    const audio::HFX fx = audio::ChannelSetFX(h, audio::FX_PARAMEQ, 0);
    EXPECT_NE(fx, 0u);
    audio::FXPARAMEQ p{centre, bandwidth, gain};
    EXPECT_TRUE(audio::FXSetParameters(fx, &p));
    audio::FXPARAMEQ back{};
    EXPECT_TRUE(audio::FXGetParameters(fx, &back));
    EXPECT_FLOAT_EQ(back.fGain, gain);
    const std::vector<std::int16_t> out = ReadAll(h);
    audio::StreamFree(h);
    const std::size_t settle = kRate / 4;  // past the filter's start
    const double outRms = Rms(out.data() + settle * 2, out.size() / 2 - settle, 2);
    const std::vector<std::int16_t> in = Sine(toneFreq, kRate, 2, kRate, 0.05);
    const double inRms = Rms(in.data() + settle * 2, in.size() / 2 - settle, 2);
    return 20 * std::log10(outRms / inRms);
}

TEST(Processing, PeakingEqGivesItsGainAtTheCentreAndLittleFarAway) {
    EXPECT_NEAR(PeakingGainDb(1000, 12, 12, 1000), 12.0, 1.0);
    EXPECT_NEAR(PeakingGainDb(250, 12, -15, 250), -15.0, 1.0);
    EXPECT_NEAR(PeakingGainDb(80, 12, 15, 80), 15.0, 1.0);
    EXPECT_NEAR(PeakingGainDb(1000, 12, 12, 8000), 0.0, 1.0);
}

TEST(Processing, FlatEqLeavesSamplesUntouched) {
    TempDir dir;
    const audio::HSTREAM h = OpenTone(dir, 440, kRate / 2);
    for (int band = 0; band < 9; ++band)
        ASSERT_NE(audio::ChannelSetFX(h, audio::FX_PARAMEQ, 0), 0u);
    EXPECT_EQ(ReadAll(h), Sine(440, kRate, 2, kRate / 2));
    audio::StreamFree(h);
}

// What is left of `frames` of the left channel once the best-fitting sine at `freq` (with any
// offset) is taken away, as RMS in 16-bit steps: the noise around a pure tone.
double ResidualAroundTone(const std::int16_t* s, std::size_t frames, double freq) {
    double ss = 0, sc = 0, cc = 0, s1 = 0, c1 = 0, n = 0, ys = 0, yc = 0, y1 = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double w = 2 * std::numbers::pi * freq * double(i) / kRate;
        const double si = std::sin(w), co = std::cos(w), y = s[2 * i];
        ss += si * si, sc += si * co, cc += co * co, s1 += si, c1 += co, n += 1;
        ys += y * si, yc += y * co, y1 += y;
    }
    // Normal equations of the least-squares fit a*sin + b*cos + c, solved by Cramer's rule.
    const double m[3][3] = {{ss, sc, s1}, {sc, cc, c1}, {s1, c1, n}};
    const double r[3] = {ys, yc, y1};
    auto det = [](const double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double coef[3];
    for (int k = 0; k < 3; ++k) {
        double mk[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) mk[i][j] = j == k ? r[i] : m[i][j];
        coef[k] = det(mk) / det(m);
    }
    double sum = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double w = 2 * std::numbers::pi * freq * double(i) / kRate;
        const double e = s[2 * i] - (coef[0] * std::sin(w) + coef[1] * std::cos(w) + coef[2]);
        sum += e * e;
    }
    return std::sqrt(sum / double(frames));
}

// A quiet tone through the player's nine bands, each lifted by 1 dB, stays as clean as a 16-bit
// tone can be: the bands are rounded to 16 bits once, not once each, which would add more noise
// than the tone's own quantisation.
TEST(Processing, NineEqBandsRoundOnce) {
    TempDir dir;
    constexpr double kToneFreq = 1000;
    constexpr double kAmplitude = 0.01;  // -40 dBFS
    const audio::HSTREAM h = OpenTone(dir, kToneFreq, kRate * 2, kAmplitude);
    ASSERT_NE(h, 0u);
    for (const float centre :
         {16000.f, 8000.f, 4000.f, 2000.f, 1000.f, 500.f, 250.f, 125.f, 80.f}) {
        const audio::HFX fx = audio::ChannelSetFX(h, audio::FX_PARAMEQ, 0);
        ASSERT_NE(fx, 0u);
        const audio::FXPARAMEQ p{centre, 12, 1};
        ASSERT_TRUE(audio::FXSetParameters(fx, &p));
    }
    const std::vector<std::int16_t> out = ReadAll(h);
    audio::StreamFree(h);
    const std::vector<std::int16_t> in = Sine(kToneFreq, kRate, 2, kRate * 2, kAmplitude);
    ASSERT_EQ(out.size(), in.size());
    const std::size_t settle = kRate / 2;
    const std::size_t frames = in.size() / 2 - settle;
    const double inNoise = ResidualAroundTone(in.data() + 2 * settle, frames, kToneFreq);
    const double outNoise = ResidualAroundTone(out.data() + 2 * settle, frames, kToneFreq);
    // The tone is heard louder...
    EXPECT_GT(Rms(out.data() + 2 * settle, frames, 2),
              Rms(in.data() + 2 * settle, frames, 2) * 1.1);
    // ...and what the bands add is about one rounding (0.29 of a step RMS; the tone's own
    // quantisation noise is lifted with it), where nine roundings would add about 0.9.
    const double added = std::sqrt(std::max(0.0, outNoise * outNoise - inNoise * inNoise));
    EXPECT_LT(added, 0.6) << "noise in " << inNoise << ", out " << outNoise;
}

struct SyncRecord {
    audio::DWORD channel = 0;
    audio::QWORD positionInside = 0;
    audio::QWORD jumpTo = audio::QWORD(-1);
    std::atomic<int> calls{0};
    std::atomic<bool> otherThread{false};
    std::thread::id caller;
};

void RecordSync(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    auto* r = static_cast<SyncRecord*>(user);
    r->channel = channel;
    r->positionInside = audio::ChannelGetPosition(channel);
    r->otherThread = std::this_thread::get_id() != r->caller;
    if (r->jumpTo != audio::QWORD(-1)) audio::ChannelSetPosition(channel, r->jumpTo);
    ++r->calls;
}

TEST(Processing, MixtimePositionSyncFiresAtTheExactFrameAndCanLoopSeamlessly) {
    TempDir dir;
    const audio::HSTREAM h = OpenRamp(dir, kRate * 2);
    ASSERT_NE(h, 0u);
    SyncRecord r;
    r.caller = std::this_thread::get_id();
    r.jumpTo = 1000 * 4;
    const audio::HSYNC sync =
        audio::ChannelSetSync(h, audio::SYNC_POS | audio::SYNC_MIXTIME, 5001 * 4, &RecordSync, &r);
    ASSERT_NE(sync, 0u);
    const std::vector<std::int16_t> out = ReadFrames(h, 2, 12000);
    ASSERT_EQ(out.size(), 12000u * 2);
    EXPECT_EQ(r.calls, 2);
    EXPECT_EQ(r.channel, h);
    EXPECT_EQ(r.positionInside, 5001u * 4);
    EXPECT_FALSE(r.otherThread);
    // 0..5000, then 1000..5000 again, then 1000.. on: no frame lost or repeated at the seam.
    std::vector<std::size_t> frames;
    for (std::size_t i = 0; i < 12000; ++i) frames.push_back(RampFrame(&out[2 * i]));
    for (std::size_t i = 0; i <= 5000; ++i) ASSERT_EQ(frames[i], i);
    for (std::size_t i = 0; i < 4001; ++i) ASSERT_EQ(frames[5001 + i], 1000 + i);
    EXPECT_EQ(frames[9002], 1000u);

    EXPECT_TRUE(audio::ChannelRemoveSync(h, sync));
    const std::vector<std::int16_t> more = ReadFrames(h, 2, 8000);
    EXPECT_EQ(RampFrame(&more[2 * 7999]), 3998u + 7999);  // runs past 5001 now
    audio::StreamFree(h);
}

TEST(Processing, EndSyncsFireWhenTheDataRunsOutAndOtherSyncsComeFromAnotherThread) {
    TempDir dir;
    const audio::HSTREAM h = OpenRamp(dir, 10000);
    SyncRecord atEnd, notice;
    atEnd.caller = notice.caller = std::this_thread::get_id();
    ASSERT_NE(
        audio::ChannelSetSync(h, audio::SYNC_END | audio::SYNC_MIXTIME, 0, &RecordSync, &atEnd),
        0u);
    ASSERT_NE(audio::ChannelSetSync(h, audio::SYNC_POS, 2000 * 4, &RecordSync, &notice), 0u);
    EXPECT_EQ(ReadAll(h).size(), 20000u);
    EXPECT_EQ(atEnd.calls, 1);
    EXPECT_EQ(atEnd.positionInside, 40000u);
    EXPECT_EQ(audio::ChannelIsActive(h), audio::ACTIVE_STOPPED);
    for (int i = 0; i < 500 && notice.calls == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(notice.calls, 1);
    EXPECT_TRUE(notice.otherThread);

    // Moving back makes the decoder active again and the end fires again.
    EXPECT_TRUE(audio::ChannelSetPosition(h, 0));
    EXPECT_EQ(audio::ChannelIsActive(h), audio::ACTIVE_PLAYING);
    ReadAll(h);
    EXPECT_EQ(atEnd.calls, 2);
    audio::StreamFree(h);
}

// Encoders attach to a channel as taps: they receive what the reader receives, in order.
TEST(Processing, TapsReceiveTheProcessedAudioInOrder) {
    TempDir dir;
    const audio::HSTREAM h = OpenRamp(dir, 10000);
    audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
    audio::detail::ChannelPtr channel = system.FindChannel(h);
    ASSERT_TRUE(channel);
    std::vector<std::int16_t> tapped;
    const audio::DWORD tap = system.NewItemHandle(channel);
    channel->Chain().AddTap(tap, [&](const std::int16_t* s, int frames) {
        tapped.insert(tapped.end(), s, s + frames * 2);
    });
    DspLog log;
    ASSERT_NE(audio::ChannelSetDSP(h, &LoggingDsp<4>, &log, 0), 0u);
    const std::vector<std::int16_t> read = ReadAll(h);
    EXPECT_EQ(tapped, read);
    EXPECT_EQ(read.front(), 4000);
    EXPECT_TRUE(channel->Chain().RemoveTap(tap));
    audio::StreamFree(h);
    EXPECT_FALSE(system.ItemAlive(tap));
}

TEST(Processing, ASyncThatMovesOntoItselfDoesNotHang) {
    TempDir dir;
    const audio::HSTREAM h = OpenRamp(dir, 10000);
    SyncRecord r;
    r.jumpTo = 3000 * 4;
    audio::ChannelSetSync(h, audio::SYNC_POS | audio::SYNC_MIXTIME, 3000 * 4, &RecordSync, &r);
    const std::vector<std::int16_t> out = ReadFrames(h, 2, 5000);
    EXPECT_EQ(out.size(), 10000u);
    EXPECT_EQ(RampFrame(&out[2 * 4999]), 4999u);
    audio::StreamFree(h);
}

}  // namespace

namespace {

// The player's nine bands over `channels`, band `flat` (if any) flat.
std::vector<std::unique_ptr<audio::detail::ParamEq>> NineBands(int channels, int flat) {
    std::vector<std::unique_ptr<audio::detail::ParamEq>> bands;
    const float centres[] = {16000, 8000, 4000, 2000, 1000, 500, 250, 125, 80};
    for (int k = 0; k < 9; ++k) {
        bands.push_back(std::make_unique<audio::detail::ParamEq>(kRate, channels));
        bands.back()->SetParameters({centres[k], 12, k == flat ? 0.f : (k % 2 ? -9.f : 7.f)});
    }
    return bands;
}

// Bands in one pass give to the bit what they give one after another, over pieces of any size,
// their state running on from piece to piece: passes of an odd and an even number of bands.
TEST(Processing, BandsInOnePassGiveWhatTheyGiveOneAfterAnother) {
    for (const auto& [channels, flat] : {std::pair{2, 4}, {2, 3}, {2, -1}, {1, 4}}) {
        auto onePass = NineBands(channels, flat);
        auto inTurn = NineBands(channels, flat);
        std::vector<audio::detail::ParamEq*> pointers;
        for (auto& b : onePass) pointers.push_back(b.get());
        std::uint32_t seed = 99;
        std::size_t frame = 0;
        for (const int frames : {1, 2, 3, 2048, 777, 1, 4000}) {
            std::vector<float> a(static_cast<std::size_t>(frames) * channels);
            for (std::size_t i = 0; i < a.size(); ++i, ++frame) {
                seed = seed * 1664525u + 1013904223u;
                a[i] = static_cast<float>(8000 * std::sin(0.01 * double(frame))) +
                       static_cast<float>(static_cast<int>(seed >> 20) - 2048);
            }
            std::vector<float> b = a;
            audio::detail::ParamEq::ProcessCascade(pointers.data(), pointers.size(), a.data(),
                                                   frames);
            for (auto& band : inTurn) band->Process(b.data(), frames);
            ASSERT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0)
                << channels << " channels, band " << flat << " flat, a piece of " << frames;
        }
    }
}

}  // namespace
