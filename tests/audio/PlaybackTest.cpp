// Playback through SDL's disk driver, which writes what would be heard to a file: seamless loops,
// the reported position against the output, mixing, resampling, DSP order and the equaliser.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioSystem.h"
#include "audio/DeviceOutput.h"
#include "support/DiskCapture.h"

using namespace audio_test;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;

// Opens the device on the disk driver; Finish() closes it and returns what was written.
class Capture {
public:
    // A generous lead keeps the capture whole on a busy test machine.
    explicit Capture(const TempDir& dir) : m_disk(dir.File("heard.raw"), 300) {
        m_bOpen = audio::Init(-1, 44100, 0, nullptr, nullptr) != 0;
    }
    ~Capture() {
        if (m_bOpen) audio::Free();
    }
    bool Open() const { return m_bOpen; }
    std::vector<std::int16_t> Finish() {
        if (m_bOpen) audio::Free();
        m_bOpen = false;
        return m_disk.Samples();
    }

private:
    test_audio::DiskCapture m_disk;
    bool m_bOpen = false;
};

// Runs `scenario` (it starts playback and returns when enough has played) with the output
// captured, and returns what was heard. A machine too busy for the mixer to keep its lead makes
// the device play silence of its own; such a run says nothing about the layer and is repeated.
// Empty when every attempt was disturbed.
template <typename Scenario>
std::vector<std::int16_t> CaptureWhole(const TempDir& dir, Scenario scenario) {
    audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
    for (int attempt = 0; attempt < 3; ++attempt) {
        Capture capture(dir);
        if (!capture.Open()) {
            ADD_FAILURE() << "no capture device: error " << audio::ErrorGetCode();
            return {};
        }
        std::this_thread::sleep_for(50ms);  // the mixer fills its lead
        const std::uint64_t lateBefore = system.LateFrames();
        scenario();
        const bool late = system.LateFrames() != lateBefore;
        std::vector<std::int16_t> heard = capture.Finish();
        if (::testing::Test::HasFatalFailure()) return {};
        if (!late) return heard;
    }
    return {};
}

// Lets the device play `duration` more of audio (a busy machine plays slower than the clock).
void Play(std::chrono::milliseconds duration) {
    audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
    const std::uint64_t until = system.FramesTaken() + duration.count() * kRate / 1000;
    for (int i = 0; i < 20000 && system.FramesTaken() < until; ++i)
        std::this_thread::sleep_for(1ms);
}

#define SKIP_IF_DISTURBED(heard) \
    if ((heard).empty()) GTEST_SKIP() << "the machine was too busy to play without breaks"

// First and last stereo frame whose left sample exceeds `threshold`.
std::pair<std::size_t, std::size_t> Active(const std::vector<std::int16_t>& s, int threshold) {
    std::size_t first = 0, last = 0;
    bool found = false;
    for (std::size_t i = 0; i < s.size() / 2; ++i) {
        if (std::abs(s[2 * i]) > threshold) {
            if (!found) first = i;
            last = i;
            found = true;
        }
    }
    return {first, last};
}

// Strength of one frequency in the left channel of `frames` stereo frames.
double Goertzel(const std::int16_t* s, std::size_t frames, double freq) {
    return test_audio::Goertzel(s, frames, 2, freq, kRate);
}

std::string WriteTone(const TempDir& dir, const char* name, double freq, double seconds,
                      double amp = 0.5, int rate = kRate, int channels = 2) {
    const std::string path = dir.File(name);
    WriteWav(path, rate, channels,
             Sine(freq, rate, channels, static_cast<std::size_t>(seconds * rate), amp));
    return path;
}

void LoopSync(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    audio::ChannelSetPosition(channel, *static_cast<audio::QWORD*>(user));
}

void ExpectSeamlessLoop(float tempo) {
    TempDir dir;
    // 490 Hz: exactly 90 frames a period, so a region of whole periods joins without a step.
    const std::string wav = WriteTone(dir, "tone.wav", 490, 2.0);
    audio::QWORD loopStart = 90 * 50 * 4;
    const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
        const audio::HSTREAM source =
            audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
        const audio::HSTREAM stream = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
        ASSERT_NE(stream, 0u);
        ASSERT_TRUE(audio::FX_TempoSet(stream, tempo, 0, -100));
        ASSERT_NE(audio::ChannelSetSync(stream, audio::SYNC_POS | audio::SYNC_MIXTIME, 90 * 250 * 4,
                                        &LoopSync, &loopStart),
                  0u);
        ASSERT_TRUE(audio::ChannelPlay(stream, 0));
        Play(1500ms);
        const audio::QWORD position = audio::ChannelGetPosition(stream);
        EXPECT_GE(position, loopStart);
        EXPECT_LE(position, 90u * 250 * 4);
    });
    SKIP_IF_DISTURBED(heard);

    const auto [first, last] = Active(heard, 3000);
    ASSERT_GT(last, first + kRate);  // well over three trips round the loop
    const double tone = 0.5 * 32767 / std::sqrt(2.0);
    for (std::size_t w = first + 2205; w + 2 * 220 < last; w += 220)
        ASSERT_GE(Rms(heard.data() + 2 * w, 220, 2), 0.9 * tone) << "gap at output frame " << w;
}

TEST(Playback, PositionSyncLoopIsSeamless) {
    ExpectSeamlessLoop(0);
}

TEST(Playback, PositionSyncLoopIsSeamlessAtSlowerTempo) {
    ExpectSeamlessLoop(-25);
}

TEST(Playback, ReportedPositionIsWhatIsHeard) {
    TempDir dir;
    // Frame i holds i % 30000 on the left and i / 30000 on the right.
    std::vector<std::int16_t> ramp(kRate * 3 * 2);
    for (std::size_t i = 0; i < ramp.size() / 2; ++i) {
        ramp[2 * i] = static_cast<std::int16_t>(i % 30000);
        ramp[2 * i + 1] = static_cast<std::int16_t>(i / 30000);
    }
    const std::string wav = dir.File("ramp.wav");
    WriteWav(wav, kRate, 2, ramp);
    struct Sample {
        std::uint64_t position, taken;
    };
    std::vector<Sample> samples;
    const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
        samples.clear();
        const audio::HSTREAM h = audio::StreamCreateFile(0, wav.c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(audio::ChannelPlay(h, 0));
        audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
        Play(400ms);  // past the output latency
        for (int i = 0; i < 6; ++i) {
            Play(110ms);
            // Read the position while the device takes no buffer, so that both belong together.
            for (int attempt = 0; attempt < 50; ++attempt) {
                const std::uint64_t before = system.FramesTaken();
                const audio::QWORD pos = audio::ChannelGetPosition(h) / 4;
                if (system.FramesTaken() == before) {
                    samples.push_back({pos, before});
                    break;
                }
            }
        }
    });
    SKIP_IF_DISTURBED(heard);
    ASSERT_GE(samples.size(), 3u);
    for (const Sample& s : samples) {
        ASSERT_GT(s.position, 0u);
        std::size_t at = 0;
        for (std::size_t i = 0; i < heard.size() / 2; ++i) {
            const std::size_t frame =
                std::size_t(heard[2 * i + 1]) * 30000 + std::size_t(heard[2 * i]);
            if (frame == s.position && heard[2 * i] >= 0) {
                at = i;
                break;
            }
        }
        ASSERT_GT(at, 0u) << "position " << s.position << " never heard";
        // The device plays the buffer it took last while the position is read; one more
        // buffer of silence may precede the first one taken (the device starts paused).
        const double buffer = audio::detail::DeviceOutput::kDeviceBufferFrames;
        const double offset = double(at) - (double(s.taken) - buffer / 2);
        EXPECT_NEAR(offset * 1000 / kRate, 0.0, (441 + buffer / 2 + buffer) * 1000 / kRate)
            << "position " << s.position << " heard at " << at << ", device at " << s.taken;
    }
}

TEST(Playback, TwoChannelsMixAndOtherRatesAreResampled) {
    TempDir dir;
    const std::string a = WriteTone(dir, "a.wav", 440, 1.5, 0.25);
    // Mono at 22050 Hz: converted to the device rate and heard in both speakers.
    const std::string b = WriteTone(dir, "b.wav", 1000, 1.5, 0.25, 22050, 1);
    const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
        const audio::HSTREAM ha = audio::StreamCreateFile(0, a.c_str(), 0, 0, 0);
        const audio::HSTREAM hb = audio::StreamCreateFile(0, b.c_str(), 0, 0, 0);
        ASSERT_TRUE(ha && hb);
        ASSERT_TRUE(audio::ChannelPlay(ha, 0));
        ASSERT_TRUE(audio::ChannelPlay(hb, 0));
        Play(800ms);
        EXPECT_EQ(audio::ChannelIsActive(ha), audio::ACTIVE_PLAYING);
        // The level of what is heard now: a quarter of full scale in both speakers.
        const audio::DWORD level = audio::ChannelGetLevel(ha);
        EXPECT_NEAR(double(level & 0xFFFF), 0.25 * 32767, 400);
        EXPECT_NEAR(double(level >> 16), 0.25 * 32767, 400);
        EXPECT_TRUE(audio::ChannelPause(hb));
        EXPECT_EQ(audio::ChannelIsActive(hb), audio::ACTIVE_PAUSED);
    });
    SKIP_IF_DISTURBED(heard);
    const auto [first, last] = Active(heard, 2000);
    ASSERT_GT(last, first + kRate / 2);
    const std::int16_t* mid = heard.data() + 2 * (first + 4410);
    const double at440 = Goertzel(mid, 8820, 440), at1000 = Goertzel(mid, 8820, 1000);
    const double expected = 0.25 * 32767 / 2;  // magnitude of a sine of that amplitude
    EXPECT_NEAR(at440, expected, expected * 0.05);
    EXPECT_NEAR(at1000, expected, expected * 0.05);
    EXPECT_LT(Goertzel(mid, 8820, 21050), expected * 0.01);  // no image of the 22050 Hz source
    // The right speaker carries the mono channel as much as the left.
    EXPECT_NEAR(Goertzel(mid + 1, 8820, 1000), at1000, expected * 0.02);
}

template <int Value>
void FillDsp(audio::HDSP, audio::DWORD, void* buffer, audio::DWORD length, void*) {
    auto* s = static_cast<std::int16_t*>(buffer);
    std::fill(s, s + length / 2, static_cast<std::int16_t>(Value));
}

TEST(Playback, DspsOfAPlayingChannelRunByPriority) {
    TempDir dir;
    const std::string wav = WriteTone(dir, "tone.wav", 440, 1.0);
    const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
        const audio::HSTREAM h = audio::StreamCreateFile(0, wav.c_str(), 0, 0, 0);
        ASSERT_NE(audio::ChannelSetDSP(h, &FillDsp<1000>, nullptr, 0), 0u);
        ASSERT_NE(audio::ChannelSetDSP(h, &FillDsp<2000>, nullptr, 2), 0u);
        ASSERT_TRUE(audio::ChannelPlay(h, 0));
        Play(500ms);
    });
    SKIP_IF_DISTURBED(heard);
    std::size_t ones = 0;
    for (std::int16_t v : heard) {
        ASSERT_TRUE(v == 0 || v == 1000) << v;
        if (v == 1000) ++ones;
    }
    EXPECT_GT(ones, std::size_t(kRate / 4));
}

TEST(Playback, EqualiserBandIsHeardAtItsGain) {
    TempDir dir;
    const std::string wav = WriteTone(dir, "tone.wav", 1000, 2.0, 0.05);
    const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
        const audio::HSTREAM h = audio::StreamCreateFile(0, wav.c_str(), 0, 0, 0);
        const audio::HFX band = audio::ChannelSetFX(h, audio::FX_PARAMEQ, 0);
        ASSERT_NE(band, 0u);
        ASSERT_TRUE(audio::ChannelPlay(h, 0));
        Play(500ms);
        audio::FXPARAMEQ boost{1000, 12, 12};
        ASSERT_TRUE(audio::FXSetParameters(band, &boost));
        Play(900ms);  // the lead, then half a second of the boosted band
    });
    SKIP_IF_DISTURBED(heard);
    const auto [first, last] = Active(heard, 500);
    ASSERT_GT(last, first + kRate);
    const double before = Rms(heard.data() + 2 * (first + 2205), 8820, 2);
    const double after = Rms(heard.data() + 2 * (last - 2205 - 8820), 8820, 2);
    EXPECT_NEAR(20 * std::log10(after / before), 12.0, 1.0);
}

}  // namespace
