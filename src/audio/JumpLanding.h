// A second decoder of a song's file, kept standing at the frame that a loop jumps back to, with
// its first moments already decoded. At the jump it takes the playing decoder's place, so that
// the jump costs a swap instead of a seek (which, in a compressed file, means finding the packet,
// decoding a few before it and, where the container cannot seek, reading from the start); the
// decoder it replaced is then made ready at the same frame for the next pass.
//
// The preparing (opening the file again, seeking, decoding ahead) runs on a thread of its own.
// The thread that plays never waits for it: where the landing is not ready, the jump seeks as
// before.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/FileDecoder.h"
#include "audio/InheritingMutex.h"
#include "audio/LoopJoin.h"

namespace audio::detail {

class JumpLanding {
public:
    // Frames decoded ahead from the target on: more than a stretcher's first feeds take.
    static constexpr int kReadyFrames = 8192;
    // A join reads the moments that lead up to the target first (LoopJoin.h): the decoder
    // stands this far before it, and serves a jump to any frame in between.
    static constexpr int kLeadInMs = LoopJoin::kMaxFadeMs;

    explicit JumpLanding(FileDecoder::Twin twin);
    ~JumpLanding();
    JumpLanding(const JumpLanding&) = delete;
    JumpLanding& operator=(const JumpLanding&) = delete;

    // From now on a decoder is kept ready at `frame`.
    void Aim(std::uint64_t frame);
    // When one is ready for `frame` (the target, or a frame of the lead-in before it), swaps it
    // with `decoder` and returns true; the caller then reads from `frame` on without a seek.
    // Never waits.
    bool Land(std::uint64_t frame, std::unique_ptr<FileDecoder>& decoder);

    // Jumps that found their decoder ready, and those that had to seek.
    std::uint64_t Landed() const;
    std::uint64_t Missed() const;

private:
    void Run();

    const FileDecoder::Twin m_twin;
    mutable InheritingMutex m_mutex;  // a mix-time sync aims from the producer
    std::condition_variable_any m_changed;
    std::unique_ptr<FileDecoder> m_pSpare;  // the thread's while m_bPreparing, else Land's
    std::uint64_t m_qwTarget = UINT64_MAX;  // the frame a jump lands on
    std::uint64_t m_qwReady = UINT64_MAX;   // the target m_pSpare stands ready for
    std::uint64_t m_qwReadyFrom = 0;        // ... from this frame on
    std::uint64_t m_qwFailed = UINT64_MAX;  // a target the spare could not reach
    bool m_bPreparing = false;
    bool m_bOpenFailed = false;
    bool m_bStop = false;
    std::uint64_t m_nLanded = 0;
    std::uint64_t m_nMissed = 0;
    std::thread m_thread;
};

}  // namespace audio::detail
