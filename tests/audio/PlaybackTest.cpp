// Playback through SDL's disk driver, which writes what would be heard to a file: seamless loops,
// the reported position against the output, mixing, resampling, DSP order and the equaliser.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "AudioTestSupport.h"
#include "PlaybackCapture.h"
#include "audio/AudioSystem.h"
#include "audio/DeviceOutput.h"
#include "audio/Mixer.h"
#include "audio/PlayingList.h"
#include "audio/StretchEngine.h"

using namespace audio_test;
using namespace std::chrono_literals;

namespace {

constexpr int kRate = 44100;

void ExpectSeamlessLoop(float tempo) {
    TempDir dir;
    // 490 Hz: exactly 90 frames a period, so a region of whole periods joins without a step.
    const std::string wav = WriteTone(dir, "tone.wav", 490, 2.0);
    const std::vector<std::int16_t> heard =
        CaptureLoop(dir, wav, tempo, 90 * 50, 90 * 150, 20, &OpenTempoStream);
    ASSERT_FALSE(heard.empty());

    const auto [first, last] = Active(heard, 3000);
    const double passFrames = 90 * 100 / (1 + tempo / 100);
    ASSERT_GT(double(last - first), 20 * passFrames);  // twenty trips round the loop
    const double tone = 0.5 * 32767 / std::sqrt(2.0);
    for (std::size_t w = first + 2205; w + 2 * 220 < last; w += 220)
        ASSERT_GE(Rms(heard.data() + 2 * w, 220, 2), 0.9 * tone) << "gap at output frame " << w;
}

// A 440 Hz tone looped over a region of 44.25 periods: the region ends a quarter period after
// where it starts, so a hard cut steps from the crest to zero at every join.
std::vector<std::int16_t> CaptureToneLoop(const TempDir& dir, float tempo, int& toneStep) {
    const std::string wav = WriteTone(dir, "tone.wav", 440, 3.0);
    const std::vector<std::int16_t> tone = Sine(440, kRate, 2, kRate, 0.5);
    toneStep = LargestStep(tone, 0, kRate);
    return CaptureLoop(dir, wav, tempo, kRate, kRate + 4410 + 25, 20, &OpenTempoStream);
}

int LargestStepHeard(const std::vector<std::int16_t>& heard) {
    const auto [first, last] = Active(heard, 3000);
    if (last < first + 20 * 4435) return -1;  // not twenty trips round the loop
    // The end of the capture cuts the tone off: stop short of it.
    return LargestStep(heard, first, last - 200);
}

TEST(Playback, LoopJoinIsCrossfadedWithoutAStep) {
    for (const float tempo : {0.0f, -25.0f}) {
        SCOPED_TRACE(tempo);
        TempDir dir;
        int toneStep = 0;
        const std::vector<std::int16_t> heard = CaptureToneLoop(dir, tempo, toneStep);
        ASSERT_FALSE(heard.empty());
        const int step = LargestStepHeard(heard);
        ASSERT_GT(step, 0);
        EXPECT_LE(step, 2 * toneStep);
    }
}

TEST(Playback, LoopJoinWithoutCrossfadeIsAHardCut) {
    ASSERT_EQ(audio::GetConfig(audio::CONFIG_LOOP_CROSSFADE), 5u);
    ASSERT_TRUE(audio::SetConfig(audio::CONFIG_LOOP_CROSSFADE, 0));
    TempDir dir;
    int toneStep = 0;
    const std::vector<std::int16_t> heard = CaptureToneLoop(dir, 0, toneStep);
    audio::SetConfig(audio::CONFIG_LOOP_CROSSFADE, 5);
    ASSERT_FALSE(heard.empty());
    // The crest meets the start of the tone: a step of most of its height.
    EXPECT_GT(LargestStepHeard(heard), 10 * toneStep);
}

TEST(Playback, PositionSyncLoopIsSeamless) {
    ExpectSeamlessLoop(0);
}

TEST(Playback, PositionSyncLoopIsSeamlessAtSlowerTempo) {
    ExpectSeamlessLoop(-25);
}

// Until the mixer first has its lead, the device plays silence of its own, which is not late
// (nothing was ready to fall behind); after it, every frame the ring is short of is.
TEST(Playback, SilenceBeforeTheFirstLeadIsNotLateAndAShortRingAfterItIs) {
    TempDir dir;
    const test_audio::DiskCapture capture(dir.File("heard.raw"));
    audio::detail::DeviceOutput output;
    ASSERT_EQ(output.Open(-1), audio::ERROR_OK);
    const auto letTake = [&](std::uint32_t buffers) {
        const std::uint32_t until = output.Takings() + buffers;
        for (int waited = 0; waited < 10000 && output.Takings() < until; ++waited)
            std::this_thread::sleep_for(1ms);
    };
    letTake(4);
    EXPECT_EQ(output.LateFrames(), 0u);

    const std::vector<std::int16_t> lead(2 * 1024, 1000);
    output.Write(lead.data(), 1024);
    output.LeadFilled();
    letTake(4);
    EXPECT_GE(output.LateFrames(), 4u * output.BufferFrames() - 1024);
    output.Close();
}

// Every change of tempo or pitch is heard from what plays now (the classic engine starts afresh,
// the others hand over to a spare engine): the next audio must be ready before the audio read
// ahead runs out, on a busy machine too, with every engine.
TEST(Playback, TempoAndPitchChangesWhilePlayingLeaveNoGap) {
    for (const audio::detail::StretchEngineKind& engine : audio::detail::StretchEngineKinds()) {
        SCOPED_TRACE(engine.name);
        ASSERT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, engine.kind));
        TempDir dir;
        const std::string wav = WriteTone(dir, "tone.wav", 440, 4.0);
        std::uint64_t starved = 0;  // counted by the capture's mixer, before it goes
        const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
            const std::uint64_t starvedBefore = audio::detail::Mixer::StarvedBlocks();
            const audio::HSTREAM stream = OpenTempoStream(wav);
            ASSERT_NE(stream, 0u);
            ASSERT_TRUE(audio::ChannelPlay(stream, 0));
            for (int change = 0; change < 12; ++change) {
                Play(150ms);
                ASSERT_TRUE(audio::FX_TempoSet(stream, change % 3 == 0 ? -20.0f : 10.0f, 0,
                                               change % 2 == 0 ? 3.0f : -2.0f));
            }
            Play(150ms);
            starved = audio::detail::Mixer::StarvedBlocks() - starvedBefore;
        });
        audio::SetConfig(audio::CONFIG_STRETCHER, audio::STRETCHER_SOUNDTOUCH);
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(starved, 0u) << "blocks missing because the stretcher was not ready";
        // A tone passes zero in a sample or two; a missing block is hundreds of silent samples.
        // (Rubber Band, taking a new pitch in flight until the spare takes over, may pass a
        // millisecond low where the change lands.)
        const auto [first, last] = Active(heard, 3000);
        ASSERT_GT(last - first, std::size_t{kRate});
        std::size_t quiet = 0, longestQuiet = 0;
        for (std::size_t i = first; i < last; ++i) {
            quiet = std::abs(heard[2 * i]) < 300 ? quiet + 1 : 0;
            longestQuiet = std::max(longestQuiet, quiet);
        }
        EXPECT_LT(longestQuiet, 80u) << "a gap in what was heard";
    }
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
    ASSERT_FALSE(heard.empty());
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
    ASSERT_FALSE(heard.empty());
    const auto [first, last] = Active(heard, 2000);
    ASSERT_GT(last, first + kRate / 2);
    const std::int16_t* mid = heard.data() + 2 * (first + 4410);
    // Strength over 200 ms of one channel (`at` its first sample).
    const auto strength = [](const std::int16_t* at, double frequency) {
        return test_audio::Goertzel(at, 8820, 2, frequency, kRate);
    };
    const double at440 = strength(mid, 440), at1000 = strength(mid, 1000);
    const double expected = 0.25 * 32767 / 2;  // magnitude of a sine of that amplitude
    EXPECT_NEAR(at440, expected, expected * 0.05);
    EXPECT_NEAR(at1000, expected, expected * 0.05);
    EXPECT_LT(strength(mid, 21050), expected * 0.01);  // no image of the 22050 Hz source
    // The right speaker carries the mono channel as much as the left.
    EXPECT_NEAR(strength(mid + 1, 1000), at1000, expected * 0.02);
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
    ASSERT_FALSE(heard.empty());
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
    ASSERT_FALSE(heard.empty());
    const auto [first, last] = Active(heard, 500);
    ASSERT_GT(last, first + kRate);
    const double before = Rms(heard.data() + 2 * (first + 2205), 8820, 2);
    const double after = Rms(heard.data() + 2 * (last - 2205 - 8820), 8820, 2);
    EXPECT_NEAR(20 * std::log10(after / before), 12.0, 1.0);
}

// A stream freed while the producer reads it for the mix: the producer's reference must go
// first, so that the stream's destructor (closing its file, freeing its codec and stretcher)
// runs on the caller's thread and never holds up the producer, which keeps the mixer supplied.
struct FreeWitness {
    std::atomic<std::thread::id> producer{};
    std::atomic<bool> victimRead{false};
    std::atomic<int> destroyed{0};
    std::atomic<int> destroyedOnProducer{0};
};

void MarkVictimRead(audio::HDSP, audio::DWORD, void*, audio::DWORD, void* user) {
    auto* w = static_cast<FreeWitness*>(user);
    w->producer = std::this_thread::get_id();  // DSPs run where the channel is read
    w->victimRead = true;
}

// Read after the victim: keeps the producer inside its pass while the victim is freed.
void SlowDsp(audio::HDSP, audio::DWORD, void*, audio::DWORD, void*) {
    std::this_thread::sleep_for(3ms);
}

TEST(Playback, AStreamFreedWhileTheProducerReadsItIsDestroyedOffTheProducerThread) {
    TempDir dir;
    const std::string wav = WriteTone(dir, "tone.wav", 440, 2.0);
    ASSERT_TRUE(audio::Init(-1, 44100, 0, nullptr, nullptr));
    audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
    FreeWitness witness;
    struct Sentinel {
        FreeWitness* w;
        ~Sentinel() {
            ++w->destroyed;
            if (std::this_thread::get_id() == w->producer.load()) ++w->destroyedOnProducer;
        }
    };
    constexpr int kRounds = 30;
    for (int round = 0; round < kRounds; ++round) {
        const audio::HSTREAM victim = OpenTempoStream(wav);
        const audio::HSTREAM slow = audio::StreamCreateFile(0, wav.c_str(), 0, 0, 0);
        ASSERT_TRUE(victim && slow);
        {
            const audio::detail::ChannelPtr channel = system.FindChannel(victim);
            auto sentinel = std::make_shared<Sentinel>(&witness);
            channel->Chain().AddTap(system.NewItemHandle(channel),
                                    [sentinel](const std::int16_t*, int) {});
        }
        ASSERT_NE(audio::ChannelSetDSP(victim, &MarkVictimRead, &witness, 0), 0u);
        ASSERT_NE(audio::ChannelSetDSP(slow, &SlowDsp, nullptr, 0), 0u);
        witness.victimRead = false;
        ASSERT_TRUE(audio::ChannelPlay(victim, 0));
        ASSERT_TRUE(audio::ChannelPlay(slow, 0));
        for (int i = 0; i < 5000 && !witness.victimRead; ++i) std::this_thread::sleep_for(100us);
        ASSERT_TRUE(witness.victimRead);
        // Freed while the producer is in the slow stream of the same pass.
        ASSERT_TRUE(audio::StreamFree(victim));
        ASSERT_TRUE(audio::StreamFree(slow));
    }
    audio::Free();
    EXPECT_EQ(witness.destroyed, kRounds);
    EXPECT_EQ(witness.destroyedOnProducer, 0);
}

// A mixing thread held up longer than a publish waits (a debugger, a storm of swapping) still
// reads a list that lives, with voices that live: the old list is kept until the mixer is seen
// past it, never freed on the timeout.
TEST(Playback, AListTheMixerHoldsPastTheTimeoutIsKeptUntilItLetsGo) {
    TempDir dir;
    const std::string wav = WriteTone(dir, "tone.wav", 440, 1.0);
    const audio::HSTREAM stream =
        audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(stream, 0u);
    audio::detail::ChannelPtr channel = audio::detail::AudioSystem::Get().FindChannel(stream);
    channel->Playback().PrepareVoice();
    const std::weak_ptr<audio::detail::Channel> watch = channel;

    audio::detail::PlayingList list;
    list.Publish({channel}, 1s);
    const audio::detail::PlayingList::List* held = list.Acquire();  // the stalled mixer's
    ASSERT_EQ(held->voices.size(), 1u);
    list.Publish({}, 20ms);
    ASSERT_TRUE(audio::StreamFree(stream));
    channel.reset();
    EXPECT_EQ(list.Retired(), 1u);
    ASSERT_FALSE(watch.expired());
    EXPECT_EQ(held->voices[0]->volume.load(), 100);  // still there to read

    list.Release();
    list.Publish({}, 20ms);
    EXPECT_EQ(list.Retired(), 0u);
    EXPECT_TRUE(watch.expired());
}

}  // namespace
