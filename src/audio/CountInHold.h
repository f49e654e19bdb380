// A count-in at a loop's jump, as a tempo stream plays it. The pass before the jump ends as it
// was: what the stretcher holds from before it comes out (its tail), faded over the last few
// milliseconds so that the cut is no click. Then the stream holds in silence for the count's
// beats while a click sounds on each, and the pass after it starts one beat after the last
// click, rising over its first milliseconds. Beats are counted in frames as heard, so the count
// keeps its time whatever the tempo.
//
// The clicks are not part of what the stream produces: they are added after its DSPs and effects
// (MixClicks), so that no equaliser or vocal remover ever touches them.
#pragma once

#include <cstdint>

#include "audio/ClickSound.h"

namespace audio::detail {

class CountInHold {
public:
    static constexpr int kFadeOutMs = 5;
    static constexpr int kFadeInMs = 2;

    CountInHold(int sampleRate, int channels);

    bool Active() const { return m_phase != Phase::Off; }
    bool InTail() const { return m_phase == Phase::Tail; }
    // A count of `beats`, `beatFrames` apart, after `tailFrames` of the pass before.
    void Start(int beats, double beatFrames, int tailFrames);
    // Ends it where it is: nothing more of it is produced or added.
    void Cancel();

    // Frames of the tail still to come.
    int TailLeft() const { return m_nTailLeft; }
    // `frames` frames of the tail were produced into `dst`: they fade toward its end.
    void PlayedTail(std::int16_t* dst, int frames);
    // The tail is over: the hold begins.
    void EndTail();
    // Writes up to `frames` of the hold's silence at `dst`, `offset` frames into the block being
    // produced; returns how many. Its last frame ends the count-in.
    int Hold(std::int16_t* dst, int frames, int offset);
    // The pass after the count-in rises from silence over its first frames.
    void FadeIn(std::int16_t* dst, int frames);

    // A new block is being produced: the clicks of the last one were added.
    void BeginBlock() { m_blockHoldFrames = 0; }
    // Adds the clicks that fall in the block just produced (`frames` frames at `dst`).
    void MixClicks(std::int16_t* dst, int frames) const;

private:
    enum class Phase { Off, Tail, Hold };
    // The hold frame at which click `k` begins.
    std::int64_t ClickAt(int k) const;

    ClickSound m_click;
    int m_nChannels;
    int m_nFadeOut, m_nFadeIn;
    Phase m_phase = Phase::Off;
    int m_nBeats = 0;
    double m_beatFrames = 0;
    int m_nTailLeft = 0;
    std::int64_t m_holdFrames = 0;  // the whole hold: the count's beats
    std::int64_t m_holdDone = 0;
    int m_nFadeInDone = 0;
    // The hold's part of the block being produced: where in it, and from which hold frame.
    int m_blockHoldOffset = 0, m_blockHoldFrames = 0;
    std::int64_t m_blockHoldFrom = 0;
};

}  // namespace audio::detail
