// The beat of a piece of music, in beats per minute, from its samples: aubio's beat tracker marks
// the beats, and the tempo is the typical distance between them. Music without a steady beat
// (speech, a rubato passage, silence) gives none.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class BeatDetector {
public:
    explicit BeatDetector(int sampleRate);
    ~BeatDetector();
    BeatDetector(const BeatDetector&) = delete;
    BeatDetector& operator=(const BeatDetector&) = delete;

    // Feeds the next mono samples (-1..1), any number at a time.
    void Feed(const float* samples, std::size_t count);
    // The tempo of what was fed so far; none without a steady beat.
    std::optional<double> Bpm() const;
    // The times of the beats found so far, in seconds from the first sample fed.
    const std::vector<double>& Beats() const { return m_beats; }
    // How sure the tracker was of the beats it marked, 0 (not at all) and up: the median over
    // the music, since an intro or an ending may have none.
    double Confidence() const;

private:
    struct Tracker;  // aubio's objects
    std::unique_ptr<Tracker> m_tracker;
    std::vector<double> m_beats;
    std::vector<double> m_confidences;  // the tracker's at each beat
};
