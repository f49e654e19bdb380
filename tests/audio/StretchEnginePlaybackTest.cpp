// Every stretch engine as it is heard: loops keep their first beat, and the engine of a playing
// song can be changed without a gap or a jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>

#include "AudioTestSupport.h"
#include "PlaybackCapture.h"
#include "audio/LoopJoin.h"
#include "audio/StretchEngine.h"

using namespace audio_test;

namespace {

constexpr int kRate = kCaptureRate;

// A drum track: a hit every half second (a noise burst: 1 ms attack, 15 ms decay) over a quiet
// 441 Hz bed. The loop below holds whole periods of the bed, so the join itself is seamless in
// the bed and what a pass does to its first hit shows alone.
constexpr std::uint64_t kHitEvery = kRate / 2;
constexpr std::uint64_t kLoopStart = 2 * kHitEvery;     // on a hit
constexpr std::uint64_t kLoopEnd = kLoopStart + 33000;  // 330 periods, in the bed after a hit
constexpr double kBed = 0.08, kHit = 0.6;

std::vector<std::int16_t> DrumTrack(double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<std::int16_t> out(frames * 2);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < frames; ++i) {
        double v = kBed * std::sin(2 * std::numbers::pi * 441.0 * double(i) / kRate);
        const std::size_t sinceHit = i % kHitEvery;
        if (i >= kHitEvery && sinceHit < kRate / 10) {
            const double t = double(sinceHit) / kRate;
            noise = noise * 1664525u + 1013904223u;
            const double white = double(noise >> 8) / double(1u << 24) * 2 - 1;
            v += kHit * white * std::min(1.0, t / 0.001) * std::exp(-t / 0.015);
        }
        out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(std::lround(32767 * v));
    }
    return out;
}

// Output frames where a hit starts: the signal rises above three times the bed after a quiet
// stretch.
std::vector<std::size_t> HitOnsets(const std::vector<std::int16_t>& s) {
    const int threshold = static_cast<int>(3 * kBed * 32767);
    std::vector<std::size_t> onsets;
    for (std::size_t i = 0; i < s.size() / 2; ++i) {
        if (std::abs(s[2 * i]) <= threshold) continue;
        onsets.push_back(i);
        i += kRate / 5;
    }
    return onsets;
}

// The largest sample (either channel) in the first `ms` after `frame`.
int PeakAfter(const std::vector<std::int16_t>& s, std::size_t frame, double ms) {
    int peak = 0;
    const auto end = std::min(s.size() / 2, frame + static_cast<std::size_t>(ms * kRate / 1000));
    for (std::size_t i = frame; i < end; ++i)
        peak = std::max({peak, std::abs(int(s[2 * i])), std::abs(int(s[2 * i + 1]))});
    return peak;
}

class StretcherChoice {
public:
    explicit StretcherChoice(audio::DWORD kind) {
        EXPECT_TRUE(audio::SetConfig(audio::CONFIG_STRETCHER, kind));
    }
    ~StretcherChoice() { audio::SetConfig(audio::CONFIG_STRETCHER, audio::STRETCHER_SOUNDTOUCH); }
};

TEST(StretchEnginePlayback, LoopsKeepTheirFirstHitAtEveryPassWithEveryEngine) {
    // At the song's own tempo a hit comes out as it went in; slowed down, each engine places
    // and shapes it within its own window (SoundTouch moves it by up to a few milliseconds, and
    // Rubber Band's phase resets catch it at a different point of their hop each pass).
    struct Case {
        const char* format;
        float tempo;
        double minLevel;  // of the hit as played straight through
        double withinMs;  // of its time there
    };
    constexpr int kPasses = 4;
    for (const audio::detail::StretchEngineKind& engine : audio::detail::StretchEngineKinds()) {
        for (const Case c :
             {Case{"wav", 0, 0.9, 1}, Case{"wav", -25, 0.6, 8}, Case{"mp3", 0, 0.9, 1}}) {
            SCOPED_TRACE(testing::Message() << engine.name << ", " << c.format << ", " << c.tempo);
            TempDir dir;
            const std::string wav = dir.File("drums.wav");
            WriteWav(wav, kRate, 2, DrumTrack(3.0));
            std::string song = wav;
            if (std::string(c.format) == "mp3") {
                song = dir.File("drums.mp3");
                ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a libmp3lame -b:a 256k", song));
            }
            StretcherChoice choice(engine.kind);
            const std::vector<std::int16_t> heard =
                CaptureLoop(dir, song, c.tempo, kLoopStart, kLoopEnd, kPasses, &OpenTempoStream);
            ASSERT_FALSE(heard.empty());

            // Heard: the hit before the loop, then two hits a pass, the first on the loop's start.
            const std::vector<std::size_t> onsets = HitOnsets(heard);
            ASSERT_GE(onsets.size(), 1u + 2 * kPasses);
            const double passFrames = double(kLoopEnd - kLoopStart) / (1 + c.tempo / 100);
            // The loop's first hit as played straight through, before any join: its level, its
            // time before the pass's next hit, and the music's largest step (the hit's attack).
            const std::size_t first = onsets[1];
            const int firstPeak = PeakAfter(heard, first, 2);
            const double firstToNext = double(onsets[2] - first);
            const int musicStep = LargestStep(heard, first, first + kRate / 100);
            const double bedRms = kBed * 32767 / std::sqrt(2.0);
            for (int pass = 1; pass < kPasses; ++pass) {
                SCOPED_TRACE(testing::Message() << "pass " << pass + 1);
                const std::size_t onset = onsets[1 + 2 * pass];
                // As loud, and on time against the pass's own next hit (the join may leave up to
                // kSearchMs after the loop's end, where the audio matches best: the passes are
                // that much longer).
                const double within = c.withinMs * kRate / 1000;
                EXPECT_GE(PeakAfter(heard, onset, 2), c.minLevel * firstPeak);
                EXPECT_NEAR(double(onsets[2 + 2 * pass] - onset), firstToNext, within);
                EXPECT_GE(double(onset - first), pass * passFrames - within);
                EXPECT_LE(double(onset - first),
                          pass * (passFrames + audio::detail::LoopJoin::kSearchMs * kRate / 1000.0 /
                                                   (1 + c.tempo / 100)) +
                              within);
                // The join, just before the hit, lies in the bed: no gap, and no click louder
                // than the music.
                const std::size_t joinFrom = onset - kRate / 25, joinTo = onset - kRate / 500;
                for (std::size_t w = joinFrom; w + kRate / 100 <= joinTo; w += kRate / 400)
                    EXPECT_GE(Rms(heard.data() + 2 * w, kRate / 100, 2), 0.5 * bedRms)
                        << "gap at output frame " << w;
                EXPECT_LE(LargestStep(heard, joinFrom, joinTo), musicStep);
            }
        }
    }
}

// While a tone plays at another tempo, the engine changes every 400 ms: what is heard goes on
// without a gap, and the position without a jump.
TEST(StretchEnginePlayback, ChangingTheEngineWhilePlayingKeepsThePositionWithoutAGap) {
    TempDir dir;
    const std::string wav = WriteTone(dir, "tone.wav", 440, 6.0);
    const auto engines = audio::detail::StretchEngineKinds();
    // The position is watched every 2 ms while each change is made: it neither jumps back nor
    // ahead of what played between two looks (by more than a mixer block or two).
    double largestBack = 0, largestAhead = 0;
    const std::vector<std::int16_t> heard = CaptureWhole(dir, [&] {
        const audio::HSTREAM stream = OpenTempoStream(wav);
        ASSERT_NE(stream, 0u);
        ASSERT_TRUE(audio::FX_TempoSet(stream, -25, 0, 2));
        ASSERT_TRUE(audio::ChannelPlay(stream, 0));
        for (std::size_t change = 0; change < 2 * engines.size() + 1; ++change) {
            Play(400ms);
            std::atomic<bool> changing{true};
            std::thread watcher([&] {
                using Clock = std::chrono::steady_clock;
                auto seen = Clock::now();
                double last =
                    audio::ChannelBytes2Seconds(stream, audio::ChannelGetPosition(stream));
                while (changing) {
                    std::this_thread::sleep_for(2ms);
                    const double now =
                        audio::ChannelBytes2Seconds(stream, audio::ChannelGetPosition(stream));
                    const std::chrono::duration<double> between = Clock::now() - seen;
                    seen = Clock::now();
                    largestBack = std::max(largestBack, last - now);
                    // Beyond what the song (at 75 %) played meanwhile.
                    largestAhead = std::max(largestAhead, now - last - 0.75 * between.count());
                    last = now;
                }
            });
            const bool switched =
                audio::FX_TempoSetStretcher(stream, engines[(change + 1) % engines.size()].kind);
            Play(50ms);  // the change is heard within the mixer's lead
            changing = false;
            watcher.join();
            ASSERT_TRUE(switched);
        }
        Play(400ms);
    });
    EXPECT_FALSE(audio::FX_TempoSetStretcher(audio::HSTREAM{12345}, audio::STRETCHER_FINER));
    ASSERT_FALSE(heard.empty());
    EXPECT_LE(largestBack, 0.01);
    EXPECT_LE(largestAhead, 0.1);
    const auto [first, last] = Active(heard, 3000);
    ASSERT_GT(last - first, std::size_t{2 * kRate});
    std::size_t quiet = 0, longestQuiet = 0, at = 0;
    for (std::size_t i = first; i < last; ++i) {
        quiet = std::abs(heard[2 * i]) < 300 ? quiet + 1 : 0;
        if (quiet > longestQuiet) at = i;
        longestQuiet = std::max(longestQuiet, quiet);
    }
    // The new engine is made and started off the producer's thread, and crossfaded in once it
    // has caught up: what is heard goes on without a gap (a tone passes zero in a sample or two,
    // a missing block is hundreds of silent samples).
    EXPECT_LT(longestQuiet, 80u) << "a gap in what was heard at " << (at - first) / double(kRate);
}

}  // namespace
