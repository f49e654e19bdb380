// A stretch engine with a record of the source audio inside it: which source frames went in, in
// order, and their samples. Every frame that goes into the engine or comes out of it passes
// through here, so the record and the engine never disagree. The source frame of the audio
// coming out now is read from it, and when the tempo or pitch changes the engine starts again on
// it, so that the change is heard at once instead of after everything the engine had already
// processed, or another engine takes over from it (EngineHandover.h).
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
    // frames they stand for count as consumed. (See BeginFade for what comes out first.)
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

    // ---- What another engine needs to take over (EngineHandover.h) ----
    // Record frames are counted from the first frame ever put in, so that a count stays valid
    // while the front is reclaimed; Clear and KeepUntil start a new generation of the record.
    std::uint64_t Generation() const { return m_generation; }
    // The first frame kept, the first frame not yet come out, and one past the last put in.
    std::uint64_t FirstFrame() const { return m_erased; }
    std::uint64_t HeadFrame() const { return m_erased + m_sampleStart / Chans(); }
    std::uint64_t EndFrame() const { return m_erased + m_samples.size() / Chans(); }
    // Where the output coming next stands, in record frames (fractional).
    double ConsumedFrame() const { return static_cast<double>(HeadFrame()) + m_consumed; }
    // The interleaved samples of record frame `frame` on (at least HeadFrame() - kLeadFrames,
    // or the frame given to HoldFrom), up to EndFrame().
    const float* Samples(std::uint64_t frame) const {
        return m_samples.data() + (frame - m_erased) * Chans();
    }
    // Reclaiming the front keeps record frame `frame` and what follows (until Clear or a cut).
    void HoldFrom(std::uint64_t frame) { m_holdFrom = frame; }

    // A copy of the record for an engine made on another thread: the lead that primes it
    // (ClearAfter), then the audio from HeadFrame() to the end.
    struct Snapshot {
        std::uint64_t generation = 0;
        std::uint64_t start = 0;  // record frame of the first sample after the lead
        int leadFrames = 0;
        std::vector<float> samples;
        std::uint64_t End(int channels) const {
            return start + samples.size() / static_cast<std::size_t>(channels) -
                   static_cast<std::size_t>(leadFrames);
        }
    };
    Snapshot TakeSnapshot() const;
    // Appends to `snapshot` what was put in since it was taken, when that is `minFrames` or
    // more and the record still holds it all. Returns the frames appended.
    int ExtendSnapshot(Snapshot& snapshot, int minFrames) const;

    // A new engine takes over: `head` (its output already taken out of it) comes out first,
    // then the engine's, and the first `fadeFrames` are crossfaded from `fadeOut` (the old
    // engine's output for the same input). At most kMaxFadeFrames and kMaxHeadFrames.
    void BeginFade(const float* fadeOut, int fadeFrames, const float* head, int headFrames);
    static constexpr int kMaxFadeFrames = 1024;
    static constexpr int kMaxHeadFrames = 3 * kMaxFadeFrames;
    bool Fading() const { return m_nHeadDone < m_nHead || m_nFadeDone < m_nFade; }
    // Frames ready to come out: the head, then the engine's.
    int Available() const { return m_nHead - m_nHeadDone + m_engine->Available(); }

private:
    struct Range {
        std::uint64_t srcStart;
        std::uint64_t frames;
    };
    // `frames` source frames (fractional) came out of the engine.
    void Consume(double frames);
    // Drops `frames` whole frames from the front.
    void DropFront(std::uint64_t frames);
    // Forgets a handover's head and fade (the engine is cleared, cut or started again).
    void DropFade() { m_nFade = m_nFadeDone = m_nHead = m_nHeadDone = 0; }
    // Mixes the fade's old output under `frames` new frames in `dst`.
    void MixFade(float* dst, int frames);
    std::size_t Chans() const { return static_cast<std::size_t>(m_nChannels); }

    // Frames kept before what the engine holds, to lead it in again at a restart.
    static constexpr std::size_t kLeadFrames = 4096;

    StretchEngine* m_engine;
    int m_nChannels;
    std::deque<Range> m_ranges;     // oldest first
    std::vector<float> m_samples;   // the ranges' samples, one after the other
    std::size_t m_sampleStart = 0;  // m_samples before this index are dropped
    double m_consumed = 0;          // frames of m_ranges.front() already out
    std::uint64_t m_erased = 0;     // record frames reclaimed from the front of m_samples
    std::uint64_t m_generation = 0;
    std::uint64_t m_holdFrom = UINT64_MAX;
    std::vector<float> m_fadeOut;  // the old engine's output, faded out under the new one's
    int m_nFade = 0;
    int m_nFadeDone = 0;
    std::vector<float> m_head;  // the new engine's output taken out before it took over
    int m_nHead = 0;
    int m_nHeadDone = 0;
};

}  // namespace audio::detail
