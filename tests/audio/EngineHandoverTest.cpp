// A handover to a spare engine, driven as the tempo stream's producer drives it: each pass
// takes a mixer block of output, feeding the engine the source a feed at a time. The spare takes
// over within a few passes, whatever the old engine still holds; what is heard goes on without
// a gap or a click, and the positions without a jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "AudioTestSupport.h"
#include "PlaybackCapture.h"
#include "audio/EngineHandover.h"
#include "audio/SampleConversion.h"
#include "audio/StretchEngine.h"
#include "audio/StretcherInput.h"

using namespace audio_test;
using audio::detail::EngineHandover;
using audio::detail::MakeStretchEngine;
using audio::detail::StretchEngine;
using audio::detail::StretcherInput;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 256;  // a mixer block
constexpr int kFeed = 1024;  // what the stream reads into the engine at a time
constexpr double kTempo = 0.75;
constexpr std::size_t kHandoverAt = 172 * kBlock;  // output frame, about a second in
constexpr double kToneRms = 0.5 * 32767 / std::numbers::sqrt2;

struct Played {
    std::vector<std::int16_t> out;
    std::vector<std::uint64_t> blockPositions;  // the position before each block
    std::size_t swappedAt = 0;                  // output frame
    bool swapped = false;
};

Played PlayWithHandover(audio::DWORD from, audio::DWORD to, double semitonesAfter) {
    const std::vector<std::int16_t> source = Sine(440, kRate, 2, 4 * kRate);
    std::unique_ptr<StretchEngine> current = MakeStretchEngine(from, kRate, 2);
    current->SetTempo(kTempo);
    StretcherInput input(*current, 2);
    EngineHandover handover(kRate, 2);
    Played played;
    std::vector<float> block(kBlock * 2);
    std::size_t fed = 0;
    while (played.out.size() / 2 < 2 * kRate) {
        const std::size_t heard = played.out.size() / 2;
        if (heard == kHandoverAt) {
            const StretcherInput::Snapshot snapshot = input.TakeSnapshot();
            std::unique_ptr<StretchEngine> spare = MakeStretchEngine(to, kRate, 2);
            spare->SetTempo(kTempo);
            spare->SetPitchSemitones(semitonesAfter);
            EngineHandover::Prepare(*spare, snapshot, 2);
            EXPECT_EQ(handover.Begin(std::move(spare), snapshot, input), nullptr);
        }
        // As the stream does: a spare that wants more of the source than the old engine has
        // taken gets a feed read for it.
        for (int read = 0; read <= 1; ++read) {
            if (handover.Advance(input, current)) {
                played.swapped = true;
                played.swappedAt = heard;
                break;
            }
            if (!handover.NeedsInput()) break;
            input.Put(fed, source.data() + 2 * fed, kFeed);
            fed += kFeed;
        }
        played.blockPositions.push_back(input.Position());
        int got = 0;
        while (got < kBlock) {
            if (current->Available() == 0) {
                input.Put(fed, source.data() + 2 * fed, kFeed);
                fed += kFeed;
                continue;
            }
            got += input.Retrieve(block.data() + 2 * got, kBlock - got);
        }
        const std::size_t at = played.out.size();
        played.out.resize(at + 2 * kBlock);
        audio::detail::FloatToInt16(block.data(), played.out.data() + at, 2 * kBlock);
    }
    return played;
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& s, std::size_t from,
                                std::size_t frames) {
    return {s.begin() + 2 * from, s.begin() + 2 * (from + frames)};
}

}  // namespace

TEST(EngineHandover, TheSpareTakesOverWithinAFewBlocksWithoutAGapAClickOrAJump) {
    struct Case {
        audio::DWORD from, to;
        double semitones;  // of the spare
        double minRms;     // of the quietest 5 ms around the swap, as a share of the tone's
    };
    constexpr audio::DWORD kFiner = audio::STRETCHER_FINER, kFaster = audio::STRETCHER_FASTER,
                           kClassic = audio::STRETCHER_SOUNDTOUCH;
    // The same settings join alike output; a new pitch, or another engine whose output lies a
    // little earlier or later, crossfades unlike output, which adds in power (at least 0.7).
    for (const Case c : {Case{kFiner, kFiner, 0, 0.95}, Case{kFaster, kFaster, 0, 0.95},
                         Case{kFiner, kFiner, 12, 0.6}, Case{kFaster, kFaster, 12, 0.6},
                         Case{kClassic, kFiner, 0, 0.6}, Case{kFiner, kFaster, 0, 0.6},
                         Case{kFaster, kClassic, 0, 0.6}}) {
        SCOPED_TRACE(testing::Message()
                     << "engine " << c.from << " to " << c.to << ", " << c.semitones << " st");
        const Played p = PlayWithHandover(c.from, c.to, c.semitones);
        // Within 40 ms of output, where the old engine holds 100 ms and more.
        ASSERT_TRUE(p.swapped);
        ASSERT_GE(p.swappedAt, kHandoverAt);
        EXPECT_LE(p.swappedAt - kHandoverAt, std::size_t{kRate / 25});

        const std::size_t from = p.swappedAt - kRate / 50, to = p.swappedAt + kRate / 50;
        double quietest = 1e9;
        for (std::size_t w = from; w < to; w += 55)
            quietest = std::min(quietest, Rms(p.out.data() + 2 * w, 220, 2));
        EXPECT_GE(quietest, c.minRms * kToneRms);
        const double steepest = 0.5 * 32767 * 2 * std::numbers::pi * 880 / kRate;
        EXPECT_LT(LargestStep(p.out, from, to), 1.3 * steepest);

        // The position goes on at the tempo through the swap.
        const std::size_t swapBlock = p.swappedAt / kBlock;
        for (std::size_t b = swapBlock - 4; b < swapBlock + 8; ++b)
            EXPECT_NEAR(double(p.blockPositions[b + 1] - p.blockPositions[b]), kBlock * kTempo,
                        kBlock * kTempo * 0.1)
                << "block " << b - swapBlock << " after the swap";

        // Before the swap the old pitch, after the fade the new one.
        const double before = 440, after = 440 * std::pow(2.0, c.semitones / 12);
        EXPECT_NEAR(
            ZeroCrossingFrequency(Slice(p.out, p.swappedAt - kRate / 50, kRate / 50), 2, kRate),
            before, before * 0.03);
        EXPECT_NEAR(
            ZeroCrossingFrequency(Slice(p.out, p.swappedAt + kRate / 200, kRate / 50), 2, kRate),
            after, after * 0.03);
    }
}
