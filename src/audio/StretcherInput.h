// A stretch engine with a record of the source audio inside it: which source frames went in, in
// order, and their samples. Every frame that goes into the engine or comes out of it passes
// through here, so the record and the engine never disagree. The source frame of the audio
// coming out now is read from it, and when the tempo or pitch changes the engine starts again on
// it, so that the change is heard at once instead of after everything the engine had already
// processed.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "audio/StretchEngine.h"

namespace audio::detail {

class StretcherInput {
public:
    // `engine` outlives this record (or its use, see UseEngine).
    StretcherInput(StretchEngine& engine, int channels);

    // From now on the record goes into `engine`, which starts on what the old one held when
    // Restart() is next called.
    void UseEngine(StretchEngine& engine) { m_engine = &engine; }

    bool Empty() const { return m_ranges.empty(); }
    // Empties the engine and the record, as after a seek.
    void Clear();

    // `frames` frames of source starting at `srcStart` go into the engine.
    void Put(std::uint64_t srcStart, const std::int16_t* samples, int frames);
    // Up to `frames` of the engine's output come out into `dst`; returns how many. The source
    // frames they stand for count as consumed.
    int Retrieve(float* dst, int frames);
    // Starts the engine again on the source audio it still held, at its current settings; what
    // it had made before is dropped. It drops the same lead-in as at the start of a stream, so
    // its new output joins the old without a seam.
    void Restart();

    // Source frame of the audio coming out next.
    std::uint64_t Position() const;
    // Source frames still inside the engine.
    double Unconsumed() const;
    // Output frames the engine will still make from them at its current settings.
    double HeldOutputFrames() const { return Unconsumed() / m_engine->InputPerOutput(); }

    // Forgets what went in after source frame `frame` (its first occurrence not yet come out),
    // or after Position() when it is not there. Returns the source frame that follows what is
    // kept, and whether `frame` was found. Restart() puts the rest back into the engine.
    std::uint64_t KeepUntil(std::uint64_t frame, bool& found);

private:
    struct Range {
        std::uint64_t srcStart;
        std::uint64_t frames;
    };
    // `frames` source frames (fractional) came out of the engine.
    void Consume(double frames);
    // Drops `frames` whole frames from the front.
    void DropFront(std::uint64_t frames);

    // Frames kept before what the engine holds, to lead it in again at a restart.
    static constexpr std::size_t kLeadFrames = 4096;

    StretchEngine* m_engine;
    int m_nChannels;
    std::deque<Range> m_ranges;     // oldest first
    std::vector<float> m_samples;   // the ranges' samples, one after the other
    std::size_t m_sampleStart = 0;  // m_samples before this index are dropped
    double m_consumed = 0;          // frames of m_ranges.front() already out
};

}  // namespace audio::detail
