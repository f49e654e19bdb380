// Drum patterns generated at a known tempo, for the beat's tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

namespace practicetest {

inline constexpr int kRate = 44100;

// Adds a hit starting at `at` seconds.
inline void AddHit(std::vector<float>& music, double at, double seconds, auto sample) {
    const auto first = static_cast<std::size_t>(at * kRate);
    const auto count = static_cast<std::size_t>(seconds * kRate);
    for (std::size_t i = 0; i < count && first + i < music.size(); ++i)
        music[first + i] += sample(static_cast<double>(i) / kRate);
}

// A rock pattern: kick on 1 and 3 (or on the "and" of every beat), snare on 2 and 4, closed
// hi-hats on every eighth; with white noise 20 dB below the pattern when asked.
inline std::vector<float> DrumPattern(double bpm, double seconds, bool offbeatKick, bool noisy) {
    std::vector<float> music(static_cast<std::size_t>(seconds * kRate), 0.0f);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> white(-1, 1);
    const double beat = 60 / bpm;
    for (int n = 0; n * beat < seconds; ++n) {
        const double at = n * beat;
        const double kickAt = offbeatKick ? at + beat / 2 : at;
        if (offbeatKick || n % 2 == 0)
            AddHit(music, kickAt, 0.15, [](double t) {
                return static_cast<float>(0.8 * std::exp(-t * 30) *
                                          std::sin(2 * std::numbers::pi * (50 + 70 * std::exp(-t * 40)) * t));
            });
        if (n % 2 == 1)
            AddHit(music, at, 0.12, [&](double t) {
                return static_cast<float>(0.5 * std::exp(-t * 35) *
                                          (0.6 * white(random) + 0.4 * std::sin(2 * std::numbers::pi * 190 * t)));
            });
        for (double hat : {at, at + beat / 2})
            AddHit(music, hat, 0.03, [&](double t) {
                return static_cast<float>(0.15 * std::exp(-t * 150) * white(random));
            });
    }
    if (noisy) {
        double energy = 0;
        for (float s : music) energy += double{s} * s;
        const double noiseRms = 0.1 * std::sqrt(energy / static_cast<double>(music.size()));
        // A uniform distribution on [-a, a] has an RMS of a / sqrt(3).
        const auto amplitude = static_cast<float>(noiseRms * std::sqrt(3.0));
        for (float& s : music) s += amplitude * white(random);
    }
    return music;
}

}  // namespace practicetest
