// Decodes a song that is being heard ahead of the producer, on a thread of its own (at the lowest
// real-time priority, below the producer), so that the producer only copies samples: decoding
// allocates (a packet per read, the codec's frames), and under load an allocation can make a
// real-time thread wait for whatever ordinary thread holds the allocator's locks. A stall of this
// thread is absorbed by its ring.
//
// Two readers, each a decoder with a ring of the samples it decoded: the current one, kept a few
// seconds ahead of what is read, and a spare kept standing at the frame that a loop jumps back to
// (with the moments before it, which a join reads first: LoopJoin.h). A jump that finds the
// spare ready for its frame makes it the current reader: a few atomic operations, no waiting and
// no decoding; the thread then makes the other reader ready at the frame for the next pass.
//
// Threads: Read, Position, Seek and Aim are the consumer's, called under the channel's lock (the
// producer, or an API call). The filling thread writes the rings and never takes that lock. Each
// ring has one reader and one writer at a time; which reader is current and whether the spare may
// be taken is one atomic word that both sides change only by compare-and-swap. Where the thread
// has fallen behind, the consumer decodes for itself rather than wait for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "audio/FileDecoder.h"
#include "audio/InheritingMutex.h"
#include "audio/LoopJoin.h"

namespace audio::detail {

class PlaybackFeed {
public:
    // Frames decoded in one go by the thread, and on the caller's thread at a start or a seek.
    static constexpr int kChunkFrames = 2048;
    static constexpr int kStartFrames = 4 * kChunkFrames;
    // Each ring holds this much of the song, and the spare has this much ready past its target.
    static constexpr int kRingMs = 4000;
    static constexpr int kSpareReadyMs = 1000;
    // The spare stands this far before its target, and serves a jump to any frame in between.
    static constexpr int kLeadInMs = LoopJoin::kMaxFadeMs;

    // Takes over `decoder`, which stands where reading goes on; `twin` opens the spare. Where no
    // thread can be started, returns nullptr and leaves `decoder` with the caller.
    static std::unique_ptr<PlaybackFeed> Start(std::unique_ptr<FileDecoder>& decoder,
                                               FileDecoder::Twin twin);
    ~PlaybackFeed();
    PlaybackFeed(const PlaybackFeed&) = delete;
    PlaybackFeed& operator=(const PlaybackFeed&) = delete;

    // ---- The consumer's ----
    // Up to `frames` frames; fewer only at the end. Decodes only where the thread has fallen
    // behind (it is kept seconds ahead).
    int Read(std::int16_t* dst, int frames);
    std::uint64_t Position() const;
    // Moves to `frame`: by the spare when it is ready there, else within what the ring still
    // holds, else by a seek of the decoder once the thread has let it go.
    bool Seek(std::uint64_t frame);
    // From now on the spare is kept ready at `frame`.
    void Aim(std::uint64_t frame);

private:
    struct Reader {
        std::unique_ptr<FileDecoder> decoder;
        std::vector<std::int16_t> ring;
        std::vector<std::int16_t> chunk;        // the writing side's
        std::atomic<std::uint64_t> start{0};    // song frame of the first frame written
        std::atomic<std::uint64_t> written{0};  // frames written since `start` (the writer's)
        std::atomic<std::uint64_t> read{0};     // frames read since `start` (the consumer's)
        std::atomic<bool> atEnd{false};         // the decoder gave all it has
        // The writing side's, while nobody reads.
        void Reset(std::uint64_t frame);
    };
    // The word shared by both sides: bit 0 the current reader, bit 1 the spare is ready, the
    // rest counts the times it was made ready.
    static constexpr std::uint32_t kSpareReady = 2;
    static constexpr std::uint32_t kGeneration = 4;

    PlaybackFeed(std::unique_ptr<FileDecoder> decoder, FileDecoder::Twin twin);
    void Run();
    Reader& Current() { return m_readers[m_state.load(std::memory_order_acquire) & 1]; }
    const Reader& Current() const { return m_readers[m_state.load(std::memory_order_acquire) & 1]; }
    std::uint64_t HeldFrames(const Reader& reader) const;
    // Decodes up to `frames` into `reader`'s ring (the caller owns its writing side).
    void Fill(Reader& reader, std::uint64_t frames);
    // Makes `spare` stand at `target` with its lead-in and a second decoded.
    bool Prepare(Reader& spare, std::uint64_t target);
    // Makes the spare current when it is ready for `frame`; never waits.
    bool Land(std::uint64_t frame);

    const FileDecoder::Twin m_twin;
    const int m_nChannels;
    const int m_nSampleRate;
    const std::uint64_t m_qwRingFrames;
    Reader m_readers[2];
    std::atomic<std::uint32_t> m_state{0};
    std::atomic<std::uint64_t> m_qwSpareTarget{UINT64_MAX};  // written while the spare is not ready

    // The current reader's writing side: the thread's while it fills it, a seeker's, or the
    // consumer's own where the thread fell behind. Held by the thread only while it decodes a
    // chunk, and lending it the waiter's priority meanwhile.
    InheritingMutex m_writingCurrent;

    // Guards what follows: the consumer's requests to the thread.
    mutable InheritingMutex m_mutex;
    std::condition_variable_any m_changed;
    std::uint64_t m_qwAim = UINT64_MAX;
    std::uint64_t m_qwFailedAim = UINT64_MAX;  // not tried again until aimed elsewhere
    bool m_bStop = false;
    std::thread m_thread;
};

}  // namespace audio::detail
