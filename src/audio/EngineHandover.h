// Hands a playing tempo stream over to another stretch engine without the old one's delay and
// without a start-up burst on the producer. An engine with a long window holds a tenth of a
// second and more of audio made at the old settings: a new tempo or pitch taken in flight is
// heard only after it, and an engine started afresh on what it held costs its whole start-up on
// the producer's thread at once.
//
// So a spare engine is made and primed on the caller's thread from a copy of the record
// (StretcherInput::Snapshot), with the new settings or of the new kind. Meanwhile the old engine
// plays on; what it took in meanwhile goes into the spare on the caller's thread too, as long as
// it is much. The producer feeds the spare the rest, a little at a time (reading
// more of the source for it when it needs more), and drops what it makes of audio already heard;
// once it has output for the frame coming out next, a crossfade of a few milliseconds swaps it in,
// where the two engines' output matches best (two engines never place a held note in the same
// phase). The engine it replaced waits here, and becomes the next handover's spare: a slider moved
// again needs no new engine.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/StretchEngine.h"
#include "audio/StretcherInput.h"

namespace audio::detail {

class EngineHandover {
public:
    EngineHandover(int sampleRate, int channels);

    // The engine a pending handover swaps in; null when none is pending.
    StretchEngine* Spare() { return m_pending ? m_spare.get() : nullptr; }
    // The kind a pending handover goes to, else `current`'s.
    DWORD KindAfter(const StretchEngine& current) const {
        return m_pending ? m_spare->StretcherId() : current.StretcherId();
    }

    // Caller's thread, under the stream's lock: the engine kept here when it is of `kind`
    // (a pending handover's spare is taken back, which calls the handover off); else null.
    std::unique_ptr<StretchEngine> TakeSpare(DWORD kind, StretcherInput& input);
    // Off the lock: primes `spare` with the snapshot's lead and feeds it the rest.
    static void Prepare(StretchEngine& spare, const StretcherInput::Snapshot& snapshot,
                        int channels);
    // Under the lock: `spare`, prepared from `snapshot` of `input`'s current generation, takes
    // over once it has caught up. Returns what was kept here before, for the caller to free.
    std::unique_ptr<StretchEngine> Begin(std::unique_ptr<StretchEngine> spare,
                                         const StretcherInput::Snapshot& snapshot,
                                         StretcherInput& input);

    // Producer: feeds the spare, drops its output for what was heard already, and swaps it in
    // (`current` then owns it) with a crossfade once it is there. True when it swapped.
    bool Advance(StretcherInput& input, std::unique_ptr<StretchEngine>& current);
    // After an Advance that did not swap: the spare has had all of the record and has not yet
    // made output up to what comes out next.
    bool NeedsInput() const { return m_pending && m_bStarved; }
    // Swaps a pending spare in at once, with no fade: the record is about to be cleared or cut,
    // and the spare has the settings that were set last. True when it swapped.
    bool Settle(StretcherInput& input, std::unique_ptr<StretchEngine>& current);

    // Record frames the spare is fed at most per producer pass beyond what keeping up needs:
    // its start-up is spread over several passes.
    static constexpr int kFeedFrames = 1024;

private:
    // With a crossfade (Advance), or at once (Settle).
    void SwapIn(StretcherInput& input, std::unique_ptr<StretchEngine>& current);
    void Swap(StretcherInput& input, std::unique_ptr<StretchEngine>& current);

    // Passes a swap waits at most for the old engine to have the fade's output ready.
    static constexpr int kMaxWaits = 2;

    int m_nChannels;
    int m_nFadeFrames;
    int m_nSearch;                           // frames either way of the meeting point
    std::unique_ptr<StretchEngine> m_spare;  // a pending handover's engine, or the one replaced
    bool m_pending = false;
    std::uint64_t m_generation = 0;  // of the record the spare was fed from
    std::uint64_t m_start = 0;       // record frame the spare's first output stands for
    std::uint64_t m_fed = 0;         // record frames up to here went into the spare
    std::uint64_t m_dropped = 0;     // output frames of the spare dropped so far
    int m_nWaits = 0;
    bool m_bStarved = false;
    std::vector<float> m_scratch;  // where dropped output goes
    std::vector<float> m_fadeOut;  // the old engine's output faded out
    std::vector<float> m_head;     // the spare's first output, searched for the best match
};

}  // namespace audio::detail
