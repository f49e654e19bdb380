#pragma once

#include <atomic>

#include "audio/Audio.h"

// The stretch of the loaded song that playback repeats, in byte positions of the playback
// stream (a tempo stream counts in its source's bytes, so tempo and pitch leave them alone).
// Nothing ties the two together: the start may lie after the end and neither is clamped to the
// song's length.
struct LoopRegion {
    // Read by the loop sync on the mixing thread at every jump, so it is one atomic value that
    // is never seen half-written.
    std::atomic<audio::QWORD> qwStartPoint{0};
    // 0 = no end marker. Only the user-interface thread reads it; the mixer sees it through the
    // position sync placed there.
    audio::QWORD qwEndPoint = 0;
    // Jumps back to the start made so far: each ends a pass of the loop.
    std::atomic<unsigned> nJumps{0};
    // A tempo (percent of the song's) that the next jump sets as it lands, so that it starts
    // with the loop's start (TempoStream::Set inside a mix-time sync); 0: none.
    std::atomic<int> nTempoAtNextJump{0};
    // Beats of a count-in that the next jump holds for before the loop's start sounds (0: none),
    // at the song's beat `dCountInBpm` (at its own tempo) as heard at the tempo of the pass that
    // follows.
    std::atomic<int> nCountInAtNextJump{0};
    std::atomic<double> dCountInBpm{60.0};
};

static_assert(std::atomic<double>::is_always_lock_free, "the mixing thread must never wait");

static_assert(std::atomic<audio::QWORD>::is_always_lock_free,
              "the mixing thread must never wait for the loop start");

// One song at a time, so one region per process.
extern LoopRegion g_loopRegion;

// The loop's sync procedure, for the end marker and for the end of the stream: moves playback
// to the loop start from inside the mixer, so the jump is seamless; a start the stream refuses
// (beyond its end) gives the beginning of the song instead. It counts the jump, holds for the
// count-in and sets the tempo the speed trainer asked for at it.
void LoopSyncProc(audio::HSYNC handle, audio::DWORD channel, audio::DWORD data, void* user);
