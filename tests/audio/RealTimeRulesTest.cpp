// The mixing thread's real-time rules: while songs play with loops, seeks, tempo and pitch
// changes, DSP procedures and equaliser changes, streams started, paused and freed, the mixing
// thread allocates nothing, frees nothing, takes no lock and reads no file. Counted by replacing
// the C library's functions in this executable (ThreadRuleCounters.cpp); the output goes to
// SDL's dummy driver, which takes the audio in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "ThreadRuleCounters.h"
#include "audio/Audio.h"
#include "audio/AudioSystem.h"
#include "audio/Mixer.h"
#include "audio/StretchEngine.h"

namespace {

using namespace std::chrono_literals;
using audio_test::Ffmpeg;
using audio_test::TempDir;

constexpr int kRate = 44100;
constexpr audio::QWORD kFrameBytes = 4;

audio::QWORD Bytes(double seconds) {
    return static_cast<audio::QWORD>(seconds * kRate) * kFrameBytes;
}

struct LoopState {
    audio::HSTREAM stream = 0;
    audio::QWORD start = 0;
    std::atomic<int> jumps{0};
};

// The loop editor's jump: at the region's end, back to its start.
void JumpBack(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    auto* loop = static_cast<LoopState*>(user);
    audio::ChannelSetPosition(channel, loop->start);
    ++loop->jumps;
}

void HalfGain(audio::HDSP, audio::DWORD, void* buffer, audio::DWORD length, void*) {
    auto* s = static_cast<std::int16_t*>(buffer);
    for (audio::DWORD i = 0; i < length / 2; ++i) s[i] = static_cast<std::int16_t>(s[i] / 2);
}

std::string Describe(const thread_rules::Counts& c) {
    return "allocations " + std::to_string(c.allocations) + ", frees " + std::to_string(c.frees) +
           ", locks " + std::to_string(c.locks) + " (waits " + std::to_string(c.lockWaits) +
           "), file accesses " + std::to_string(c.fileAccesses);
}

// Keeps an allocation from being optimised away.
std::atomic<void*> g_sink{nullptr};

// The counters see what a watched thread does, and only that thread: without this, a test that
// finds nothing could be looking at nothing.
TEST(RealTimeRules, CountersSeeTheWatchedThreadOnly) {
    std::mutex busy;
    std::atomic<bool> held{false};
    auto holdBusy = [&] {
        std::lock_guard lock(busy);
        held = true;
        std::this_thread::sleep_for(20ms);
    };

    // Another thread allocates and waits for a lock: nothing is counted.
    thread_rules::Watch(std::this_thread::get_id());
    std::atomic<bool> go{false}, done{false};
    std::thread other([&] {
        while (!go) std::this_thread::yield();
        g_sink.store(new std::vector<int>(1000));
        delete static_cast<std::vector<int>*>(g_sink.load());
        { std::lock_guard lock(busy); }
        done = true;
    });
    thread_rules::StartCounting();
    go = true;
    while (!done) std::this_thread::yield();
    thread_rules::StopCounting();
    other.join();
    thread_rules::Counts c = thread_rules::Taken();
    EXPECT_EQ(c.allocations + c.frees + c.locks + c.fileAccesses, 0u) << Describe(c);

    // The watched thread does the same, and waits for a lock another thread holds.
    std::thread owner(holdBusy);
    while (!held) std::this_thread::yield();
    thread_rules::StartCounting();
    g_sink.store(new std::vector<int>(1000));
    delete static_cast<std::vector<int>*>(g_sink.load());
    { std::lock_guard lock(busy); }
    thread_rules::StopCounting();
    owner.join();
    c = thread_rules::Taken();
    thread_rules::Watch(std::thread::id{});
    EXPECT_GE(c.allocations, 2u) << Describe(c);  // the vector and its storage
    EXPECT_GE(c.frees, 2u) << Describe(c);
    EXPECT_EQ(c.locks, 1u) << Describe(c);
    EXPECT_EQ(c.lockWaits, 1u) << Describe(c);
}

TEST(RealTimeRules, TheMixingThreadNeitherAllocatesNorLocksNorReadsFilesWhilePlaying) {
    TempDir dir;
    // A stereo Ogg Vorbis song of two tones and a mono 48 kHz MP3 (converted to the device rate).
    const std::string song = dir.File("song.ogg");
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i sine=frequency=440:duration=12 -f lavfi -i "
               "sine=frequency=554:duration=12 -filter_complex "
               "[0:a][1:a]amerge=inputs=2 -ar 44100 -c:a libvorbis -q:a 4",
               song));
    const std::string other = dir.File("other.mp3");
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i sine=frequency=330:duration=5 -ar 48000 -ac 1 -c:a libmp3lame", other));

    ASSERT_TRUE(audio::Init(-1, kRate, 0, nullptr, nullptr));
    for (int i = 0; i < 2000 && audio::detail::Mixer::ThreadId() == std::thread::id{}; ++i)
        std::this_thread::sleep_for(1ms);
    const std::thread::id mixer = audio::detail::Mixer::ThreadId();
    ASSERT_NE(mixer, std::thread::id{});

    const audio::HSTREAM source =
        audio::StreamCreateFile(0, song.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(source, 0u);
    const audio::HSTREAM tempo = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
    ASSERT_NE(tempo, 0u);
    LoopState loop;
    loop.stream = tempo;
    loop.start = Bytes(0.5);
    ASSERT_NE(audio::ChannelSetSync(tempo, audio::SYNC_POS | audio::SYNC_MIXTIME, Bytes(1.7),
                                    &JumpBack, &loop),
              0u);
    const audio::HFX eq = audio::ChannelSetFX(tempo, audio::FX_PARAMEQ, 0);
    ASSERT_NE(eq, 0u);

    const audio::HSTREAM second = audio::StreamCreateFile(0, other.c_str(), 0, 0, 0);
    ASSERT_NE(second, 0u);
    LoopState secondLoop;
    secondLoop.stream = second;
    ASSERT_NE(audio::ChannelSetSync(second, audio::SYNC_END | audio::SYNC_MIXTIME, 0, &JumpBack,
                                    &secondLoop),
              0u);
    audio::HDSP dsp = audio::ChannelSetDSP(second, &HalfGain, nullptr, 1);
    ASSERT_NE(dsp, 0u);

    ASSERT_TRUE(audio::ChannelPlay(tempo, 0));
    ASSERT_TRUE(audio::ChannelPlay(second, 0));
    std::this_thread::sleep_for(100ms);

    thread_rules::Watch(mixer);
    thread_rules::StartCounting();
    const std::uint64_t takenBefore = audio::detail::AudioSystem::Get().FramesTaken();
    const std::uint64_t starvedBefore = audio::detail::Mixer::StarvedBlocks();
    audio::DWORD loudest = 0;
    audio::HSTREAM extra = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0; std::chrono::steady_clock::now() - start < 10s; ++step) {
        std::this_thread::sleep_for(50ms);
        switch (step % 12) {
            case 0:  // tempo and pitch, as the player's controls change them
                ASSERT_TRUE(audio::FX_TempoSet(tempo, step % 24 == 0 ? -25.0f : 10.0f, 0,
                                               step % 36 == 0 ? -2.0f : 1.0f));
                break;
            case 2: {
                audio::FXPARAMEQ band{1000.0f, 12.0f, static_cast<float>(step % 7) - 3.0f};
                ASSERT_TRUE(audio::FXSetParameters(eq, &band));
                break;
            }
            case 3:  // a user seek into the loop
                ASSERT_TRUE(audio::ChannelSetPosition(tempo, Bytes(0.6 + (step % 5) * 0.2)));
                break;
            case 4:
                ASSERT_TRUE(audio::ChannelSetPosition(
                    second, audio::ChannelSeconds2Bytes(second, 0.1 * (step % 40))));
                break;
            case 5:
                ASSERT_TRUE(audio::ChannelRemoveDSP(second, dsp));
                dsp = audio::ChannelSetDSP(second, &HalfGain, nullptr, 1);
                ASSERT_NE(dsp, 0u);
                break;
            case 6:
                ASSERT_TRUE(audio::ChannelSetAttributes(second, step % 24 == 6 ? 52000 : 48000,
                                                        60 + step % 40, step % 200 - 100));
                break;
            case 7:  // a third stream comes and goes while it is mixed
                if (extra) {
                    ASSERT_TRUE(audio::StreamFree(extra));
                }
                extra = audio::StreamCreateFile(0, other.c_str(), 0, 0, 0);
                ASSERT_NE(extra, 0u);
                ASSERT_TRUE(audio::ChannelPlay(extra, 0));
                break;
            case 9:
                ASSERT_TRUE(audio::ChannelPause(tempo));
                std::this_thread::sleep_for(20ms);
                ASSERT_TRUE(audio::ChannelPlay(tempo, 0));
                break;
            default:
                break;
        }
        ASSERT_NE(audio::ChannelGetPosition(tempo), audio::QWORD(-1));
        const audio::DWORD level = audio::ChannelGetLevel(tempo);
        if (level != audio::DWORD(-1)) loudest = std::max(loudest, level & 0xffff);
    }
    const std::uint64_t taken = audio::detail::AudioSystem::Get().FramesTaken() - takenBefore;
    // For the record: blocks a channel missed because its producer was behind (machine load).
    RecordProperty("starved_blocks",
                   std::to_string(audio::detail::Mixer::StarvedBlocks() - starvedBefore));
    thread_rules::StopCounting();
    thread_rules::Watch(std::thread::id{});
    const thread_rules::Counts c = thread_rules::Taken();
    if (extra) {
        EXPECT_TRUE(audio::StreamFree(extra));
    }
    EXPECT_TRUE(audio::Free());

    // It did play: the device took seconds of it (the dummy driver's clock lags on a busy
    // machine), the loop went round and the tone was heard.
    EXPECT_GE(taken, static_cast<std::uint64_t>(3 * kRate));
    EXPECT_GE(loop.jumps.load(), 3);
    EXPECT_GT(loudest, 1000u);
    EXPECT_EQ(c.allocations, 0u) << Describe(c);
    EXPECT_EQ(c.frees, 0u) << Describe(c);
    EXPECT_EQ(c.locks, 0u) << Describe(c);
    EXPECT_EQ(c.lockWaits, 0u) << Describe(c);
    EXPECT_EQ(c.fileAccesses, 0u) << Describe(c);
}

// The producer runs in real time too: while a compressed song loops at another tempo, it copies
// what the song's own thread decoded ahead and stretches it, with every engine: it reads no file
// and allocates nothing.
TEST(RealTimeRules, TheProducerNeitherDecodesNorAllocatesWhileACompressedSongLoopsAtAnotherTempo) {
    TempDir dir;
    const std::string song = dir.File("song.mp3");
    ASSERT_TRUE(
        Ffmpeg("-f lavfi -i sine=frequency=440:duration=12 -ar 44100 -ac 2 -c:a libmp3lame", song));
    for (const audio::detail::StretchEngineKind& engine : audio::detail::StretchEngineKinds()) {
        SCOPED_TRACE(engine.name);
        ASSERT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, engine.kind));
        ASSERT_TRUE(audio::Init(-1, kRate, 0, nullptr, nullptr));
        const audio::HSTREAM source =
            audio::StreamCreateFile(0, song.c_str(), 0, 0, audio::STREAM_DECODE);
        ASSERT_NE(source, 0u);
        const audio::HSTREAM tempo = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
        ASSERT_NE(tempo, 0u);
        ASSERT_TRUE(audio::FX_TempoSet(tempo, -25.0f, 0, -100));
        LoopState loop;
        loop.stream = tempo;
        loop.start = Bytes(0.5);
        ASSERT_TRUE(audio::ChannelSetJumpTarget(tempo, loop.start));
        ASSERT_NE(audio::ChannelSetSync(tempo, audio::SYNC_POS | audio::SYNC_MIXTIME, Bytes(1.3),
                                        &JumpBack, &loop),
                  0u);
        ASSERT_TRUE(audio::ChannelPlay(tempo, 0));
        std::this_thread::sleep_for(300ms);
        const std::thread::id producer = audio::detail::Mixer::ProducerThreadId();
        ASSERT_NE(producer, std::thread::id{});

        thread_rules::Watch(producer);
        thread_rules::StartCounting();
        const int jumpsBefore = loop.jumps.load();
        std::this_thread::sleep_for(1500ms);
        ASSERT_TRUE(audio::FX_TempoSet(tempo, -20.0f, 0, -100));  // the user moves the slider
        std::this_thread::sleep_for(1500ms);
        thread_rules::StopCounting();
        thread_rules::Watch(std::thread::id{});
        const thread_rules::Counts c = thread_rules::Taken();
        const int jumps = loop.jumps.load() - jumpsBefore;
        EXPECT_TRUE(audio::Free());

        EXPECT_GE(jumps, 2);
        EXPECT_EQ(c.fileAccesses, 0u) << Describe(c);
        EXPECT_EQ(c.allocations, 0u) << Describe(c);
    }
    audio::SetConfig(audio::CONFIG_STRETCHER, audio::STRETCHER_SOUNDTOUCH);
}

}  // namespace
