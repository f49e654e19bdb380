// The song's beat, found in drum patterns generated at known tempos: within 1 BPM, or exactly
// half or double (which the page's buttons correct), also with the kick on the off-beat and with
// white noise at -20 dB; and none where there is no steady beat.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "DrumPattern.h"
#include "practice/BeatDetector.h"

namespace {

using practicetest::DrumPattern;
using practicetest::kRate;

TEST(BeatDetectorTest, FindsTheBeatOfDrumPatternsOrExactlyHalfOrDoubleIt) {
    for (double bpm : {87.0, 100.0, 128.0, 174.0})
        for (bool offbeatKick : {false, true})
            for (bool noisy : {false, true}) {
                SCOPED_TRACE(testing::Message() << bpm << " BPM" << (offbeatKick ? ", kick off the beat" : "")
                                                << (noisy ? ", noise at -20 dB" : ""));
                const std::vector<float> music = DrumPattern(bpm, 30, offbeatKick, noisy);
                BeatDetector detector(kRate);
                // Fed in uneven pieces, as a decoder delivers them.
                for (std::size_t at = 0; at < music.size(); at += 3001)
                    detector.Feed(music.data() + at, std::min<std::size_t>(3001, music.size() - at));
                const std::optional<double> found = detector.Bpm();
                ASSERT_TRUE(found);
                const bool exact = std::abs(*found - bpm) <= 1;
                const bool half = std::abs(*found * 2 - bpm) <= 1;
                const bool twice = std::abs(*found / 2 - bpm) <= 1;
                EXPECT_TRUE(exact || half || twice) << "found " << *found;
                if (!exact) std::printf("%.0f BPM%s%s: found %s (%.2f)\n", bpm,
                                        offbeatKick ? ", off-beat kick" : "", noisy ? ", noise" : "",
                                        half ? "half" : "double", *found);
            }
}

TEST(BeatDetectorTest, MusicWithoutASteadyBeatHasNone) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> white(-0.3f, 0.3f);
    std::vector<float> noise(static_cast<std::size_t>(20 * kRate));
    for (float& s : noise) s = white(random);
    std::vector<float> silence(static_cast<std::size_t>(20 * kRate), 0.0f);
    for (const std::vector<float>* music : {&noise, &silence}) {
        BeatDetector detector(kRate);
        detector.Feed(music->data(), music->size());
        EXPECT_FALSE(detector.Bpm()) << *detector.Bpm();
    }
}

}  // namespace
