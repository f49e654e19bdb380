// The source audio inside a tempo stream's stretcher: which source frames went in, in order, and
// their samples. The source frame of the audio coming out now is read from it, and when the
// tempo or pitch changes the stretcher is refilled from it, so that the change is heard at once
// instead of after everything the stretcher had already processed.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace audio::detail {

class StretcherInput {
public:
    explicit StretcherInput(int channels) : m_nChannels(channels) {}

    bool Empty() const { return m_ranges.empty(); }
    void Clear();

    // `frames` frames of source starting at `srcStart` go into the stretcher; returns them as
    // the stretcher takes them.
    const float* Append(std::uint64_t srcStart, const std::int16_t* samples, int frames);
    // `frames` source frames (fractional) came out of the stretcher.
    void Consume(double frames);

    // Source frame of the audio coming out next.
    std::uint64_t Position() const;
    // Source frames still inside the stretcher.
    double Unconsumed() const;

    // The samples not yet come out, from the frame at Position() on.
    const float* UnconsumedSamples(int& frames) const;

    // Forgets what went in after source frame `frame` (its first occurrence not yet come out),
    // or after Position() when it is not there. Returns the source frame that follows what is
    // kept, and whether `frame` was found.
    std::uint64_t KeepUntil(std::uint64_t frame, bool& found);

private:
    struct Range {
        std::uint64_t srcStart;
        std::uint64_t frames;
    };
    // Drops `frames` whole frames from the front.
    void DropFront(std::uint64_t frames);

    int m_nChannels;
    std::deque<Range> m_ranges;     // oldest first
    std::vector<float> m_samples;   // the ranges' samples, one after the other
    std::size_t m_sampleStart = 0;  // m_samples before this index are dropped
    double m_consumed = 0;          // frames of m_ranges.front() already out
};

}  // namespace audio::detail
