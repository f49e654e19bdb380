// The seam of a loop jump in what is heard, as samplers make it. The audio that would have
// followed the loop's end (the tail) fades out under the audio that leads up to the loop's start
// (the lead-in), and playback goes on from the start itself, untouched: the loop's first beat
// keeps its level and its time.
//
// Two copies of a held note meet at whatever phase the loop's length gives them, and a fade
// between copies in opposite phase passes through silence. So the jump leaves up to kSearchMs
// after the end, where the tail matches the lead-in best, and the fade's gains follow how alike
// the two are (alike parts add in amplitude, unrelated ones in power), so that the loudness holds
// through it. A tail quieter than the lead-in (a song that falls silent at the end marker) is
// faded into quickly: a long fade from near silence would be heard as a dip.
//
// Sized once for the channel's format: making and playing a join never allocates.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/FrameSource.h"

namespace audio::detail {

class LoopJoin {
public:
    // How far past the loop's end the jump may leave, at most.
    static constexpr int kSearchMs = 8;
    static constexpr int kMaxFadeMs = 50;

    LoopJoin(int sampleRate, int channels);

    // A jump of the source being heard starts a join of `fadeMs` (0: a hard cut): reads from
    // `src` the tail, what would have followed. The source is then moved LeadInFrames() before
    // the loop's start (fewer where the song begins sooner).
    void ReadTail(FrameSource& src, int fadeMs);
    int LeadInFrames() const { return m_nFade; }
    // Reads the `leadIn` frames up to the loop's start from `src` and makes the join of the jump
    // that left at source frame `leaving`; false when they could not be read.
    bool ReadLeadIn(FrameSource& src, std::uint64_t leaving, int leadIn);
    // Frames of the made join still to be played.
    int Pending() const { return m_nOut - m_nOutDone; }
    // Plays up to `frames` of them into `dst` and hands them to src.Take. They count as the last
    // frames before `leaving`: positions reported while they play stay inside the loop.
    int Play(std::int16_t* dst, int frames, FrameSource& src);
    // A join made but not yet played is not heard (the source was moved elsewhere).
    void Drop() { m_nOut = m_nOutDone = 0; }

private:
    void Begin(int fadeMs);
    int TailFrames() const { return m_nFade > 0 ? m_nSearch + m_nFade : 0; }
    std::int16_t* Tail() { return m_tail.data(); }
    std::int16_t* LeadIn() { return m_leadIn.data(); }
    // Blends the tail and the lead-in; returns the frames to be played before the loop's start.
    int Make(int tailGot, int leadInGot);
    // Copies up to `frames` of the join into `dst`; `offset` gets how far into it they start.
    int Emit(std::int16_t* dst, int frames, int& offset);
    // The offset into the tail, up to the search range, whose next `fade` frames resemble the
    // lead-in's last ones most; `likeness` gets their correlation (0 when either is silent).
    int BestOffset(int fade, double& likeness) const;
    double Energy(const std::int16_t* samples, int frames) const;

    int m_nRate;
    int m_nChannels;
    int m_nSearch;  // frames of kSearchMs
    int m_nFade = 0;
    std::vector<std::int16_t> m_tail;
    std::vector<std::int16_t> m_leadIn;
    std::vector<std::int16_t> m_out;  // the tail until the fade, then the fade
    int m_nOut = 0;
    int m_nOutDone = 0;
    int m_nTailGot = 0;
    std::uint64_t m_position = 0;  // the source frame the join's audio is counted from
};

}  // namespace audio::detail
