// The material of the stretch quality benchmark: a short arrangement (chords, a lead, a bass line
// and drums) kept as a score and played by one renderer at any tempo, as a musician would play it
// slower: onsets and held lengths scale with the tempo, while attacks, releases and the drum hits
// themselves keep their length. Rendered at a slower tempo, it is what a perfect time-stretch of
// the normal rendering would sound like. Every render of a score is the same, sample for sample.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

constexpr int kScoreRate = 44100;  // every render: stereo at this rate

enum class Instrument { Pad, Lead, Bass, Kick, Snare, Hat };

struct ScoreEvent {
    double beat;   // onset, in beats from the start
    double beats;  // tones: held (attack and sustain) for this many beats, then released
    Instrument instrument;
    int note;  // tones: MIDI note number
};

struct Score {
    double beatsPerMinute;
    std::vector<ScoreEvent> events;
};

// The arrangement: a beat of silence, then 8 bars in A minor at 120 BPM (16 s), with a bar of
// drums alone at the start and a drum break in the middle.
Score MakeScore();

enum class ScoreParts { All, Notes, Drums };

// Interleaved stereo samples of `parts` of `score` played at `tempo` (0.5: half as fast), with
// a short silence after the last release.
std::vector<float> RenderScore(const Score& score, double tempo,
                               ScoreParts parts = ScoreParts::All);

// The frames at which drum hits start in a render at `tempo`, each instant once, in order.
std::vector<long> DrumHitFrames(const Score& score, double tempo);

// 16-bit samples of float ones (full scale 1.0), rounded and clipped.
std::vector<std::int16_t> ToPcm16(const std::vector<float>& samples);

}  // namespace bench
