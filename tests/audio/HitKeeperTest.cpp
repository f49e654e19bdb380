// Drum hits through a slowed-down stretch: found in the input and not in held notes, let through
// unstretched at the very frame the stretch puts them, and so as sharp as they went in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "audio/HitKeeper.h"
#include "audio/StretchEngine.h"

using audio::detail::HitKeeper;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr long kHitSpacing = kRate / 2;

// Noise hits ringing out over 10 ms, every half second from half a second on, over `bed`
// (a held chord's level, 0 for none); interleaved stereo.
std::vector<float> HitTrack(int hits, float bed, std::vector<long>* at = nullptr) {
    std::vector<float> track(static_cast<std::size_t>(kHitSpacing * (hits + 1)) * kChannels);
    for (std::size_t i = 0; i < track.size() / kChannels; ++i) {
        const double t = double(i) / kRate;
        const float chord = bed * float(std::sin(2 * std::numbers::pi * 220 * t) +
                                        std::sin(2 * std::numbers::pi * 277.2 * t));
        track[i * 2] = track[i * 2 + 1] = chord;
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1, 1);
    for (int h = 1; h <= hits; ++h) {
        const long start = h * kHitSpacing;
        if (at) at->push_back(start);
        for (long i = 0; i < kRate / 10; ++i) {
            const float v = 0.5f * std::exp(-float(i) / (0.01f * kRate)) * noise(random);
            track[(start + i) * 2] += v;
            track[(start + i) * 2 + 1] += v;
        }
    }
    return track;
}

// First 10 ms of a hit's energy over the next 90 ms, channel 0.
double Sharpness(const std::vector<float>& x, long at) {
    auto energy = [&](long from, long frames) {
        double sum = 0;
        for (long i = from; i < from + frames; ++i) sum += double(x[i * 2]) * x[i * 2];
        return sum;
    };
    return energy(at, kRate / 100) / energy(at + kRate / 100, kRate * 9 / 100);
}

// The first frame from `from` louder than a tenth of full scale, channel 0.
long FirstLoud(const std::vector<float>& x, long from) {
    for (long i = std::max(0L, from); i < long(x.size() / 2); ++i)
        if (std::fabs(x[i * 2]) > 0.1f) return i;
    return -1;
}

TEST(HitKeeperTest, EachHitGoesThroughUnstretchedWhereTheStretchPutsIt) {
    // Held notes starting from silence are found too, but not let through: fading back from
    // them to the engine's output, which holds them at other phases, would dip.
    const struct {
        double outputPerInput;
        bool active;
        bool held;
    } cases[] = {{2.0, true, false},
                 {4.0 / 3, true, false},
                 {0.8, true, false},
                 {2.0, false, false},
                 {2.0, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.outputPerInput << (c.active ? "" : ", inactive")
                                        << (c.held ? ", held notes" : ""));
        std::vector<long> hits;
        std::vector<float> input = HitTrack(4, 0, &hits);
        if (c.held)
            for (std::size_t i = kHitSpacing * 2; i < input.size(); ++i)
                input[i] = 0.3f *
                           float(std::sin(2 * std::numbers::pi * 330 * double(i / 2) / kRate)) *
                           (long(i / 2) % kHitSpacing < kHitSpacing / 2 ? 1.0f : 0.0f);
        const long inputFrames = long(input.size() / kChannels);
        HitKeeper keeper(kRate, kChannels);
        keeper.Restart(nullptr, 0);
        keeper.SetActive(c.active);
        // Output of an engine that made silence, taken as the input goes in, 4096 frames behind
        // (the engines' start-up delay is about that).
        const long outputFrames = std::lround(inputFrames * c.outputPerInput);
        std::vector<float> output(static_cast<std::size_t>(outputFrames) * kChannels, 0.0f);
        constexpr int kBlock = 1024;
        long retrieved = 0;
        for (long fed = 0; fed < inputFrames; fed += kBlock) {
            const int frames = int(std::min<long>(kBlock, inputFrames - fed));
            keeper.Feed(&input[fed * kChannels], frames, fed * c.outputPerInput, c.outputPerInput);
            const long ready = std::min(outputFrames, std::lround((fed - 4096) * c.outputPerInput));
            if (ready > retrieved) {
                keeper.Apply(&output[retrieved * kChannels], int(ready - retrieved), retrieved);
                retrieved = ready;
            }
        }
        keeper.Apply(&output[retrieved * kChannels], int(outputFrames - retrieved), retrieved);

        EXPECT_EQ(keeper.HitsFound(), c.active ? 4 : 0);
        for (long hit : hits) {
            const long expected = std::lround(hit * c.outputPerInput);
            if (!c.active || c.held) {
                EXPECT_EQ(FirstLoud(output, expected - kRate / 10), -1);
                continue;
            }
            EXPECT_EQ(FirstLoud(output, expected - kRate / 10),
                      FirstLoud(input, hit) - hit + expected);
            // Unstretched from the onset through the hold: the input's very samples.
            for (long i = 0; i < kRate / 25; ++i)
                ASSERT_EQ(output[(expected + i) * 2], input[(hit + i) * 2]) << i;
        }
    }
}

TEST(HitKeeperTest, HeldNotesAndNotesEnteringAreNoHits) {
    // A note entering the chord every half second and held for 0.4 s, swelling in over
    // `attack` seconds.
    auto withNotes = [](std::vector<float> track, double attack) {
        for (std::size_t i = 0; i < track.size() / 2; ++i) {
            const double t = double(i % kHitSpacing) / kRate;
            const double level = t < 0.4 ? std::min(1.0, t / attack) : 0.0;
            const float v = float(0.3 * level * std::sin(2 * std::numbers::pi * 330 * t));
            track[i * 2] += v;
            track[i * 2 + 1] += v;
        }
        return track;
    };
    const struct {
        const char* what;
        std::vector<float> input;
        int hits;
    } cases[] = {
        {"a held chord", HitTrack(0, 0.2f), 0},
        {"notes entering over 15 ms", withNotes(HitTrack(0, 0.2f), 0.015), 0},
        {"notes entering over 5 ms", withNotes(HitTrack(0, 0.2f), 0.005), 0},
        {"hits over the chord", HitTrack(4, 0.2f), 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The song before frame 0 was as loud as what follows.
        const std::vector<float> lead(c.input.begin() + kRate / 10 * 2,
                                      c.input.begin() + kRate / 5 * 2);
        HitKeeper keeper(kRate, kChannels);
        keeper.Restart(lead.data(), int(lead.size() / 2));
        keeper.Feed(c.input.data(), int(c.input.size() / 2), 0, 2.0);
        EXPECT_EQ(keeper.HitsFound(), c.hits);
    }
}

// An engine fed `chunk` frames at a time and emptied after each.
std::vector<float> Stretched(audio::DWORD kind, double tempo, const std::vector<float>& input,
                             int chunk) {
    auto engine = audio::detail::MakeStretchEngine(kind, kRate, kChannels);
    engine->SetTempo(tempo);
    engine->Clear();
    std::vector<float> output, block(4096 * kChannels);
    for (std::size_t fed = 0; fed < input.size(); fed += std::size_t(chunk) * kChannels) {
        const int frames = int(std::min<std::size_t>(chunk, (input.size() - fed) / 2));
        engine->Process(&input[fed], frames);
        for (int got; (got = engine->Retrieve(block.data(), 4096)) > 0;)
            output.insert(output.end(), block.begin(), block.begin() + got * kChannels);
    }
    return output;
}

// Through the real engines, slowed down: every hit where it belongs, as sharp as it went in,
// and the same samples however far ahead the engine is fed (a save is fed otherwise than
// playback).
TEST(HitKeeperTest, EnginesKeepEachHitOnTimeAndSharpHoweverTheyAreFed) {
    for (const audio::DWORD kind : {audio::STRETCHER_FINER, audio::STRETCHER_FASTER}) {
        for (const double tempo : {0.5, 0.75}) {
            SCOPED_TRACE(testing::Message() << "engine " << kind << ", tempo " << tempo);
            std::vector<long> hits;
            const std::vector<float> input = HitTrack(4, 0.02f, &hits);
            const std::vector<float> output = Stretched(kind, tempo, input, 1024);
            for (long hit : hits) {
                const long expected = std::lround(hit / tempo);
                const long onset = FirstLoud(output, expected - kRate / 20);
                EXPECT_NEAR(onset, expected + FirstLoud(input, hit) - hit, kRate / 1000);
                EXPECT_GE(Sharpness(output, expected), 0.8 * Sharpness(input, hit));
            }
            std::vector<float> fedAhead = Stretched(kind, tempo, input, 8192);
            fedAhead.resize(std::min(fedAhead.size(), output.size()));
            EXPECT_TRUE(std::equal(fedAhead.begin(), fedAhead.end(), output.begin()));
        }
    }
}

}  // namespace
