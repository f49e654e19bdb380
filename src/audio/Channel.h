// A channel: anything that produces 16-bit interleaved PCM behind a handle (a decoded file, a
// tempo stream, a CD track). This base reads through its syncs (SyncTimeline.h), blends loop
// joins into what is heard (LoopJoin.h), runs its DSPs, effects and taps (ProcessingChain.h)
// and keeps its playback (ChannelPlayback.h); subclasses produce the samples.
//
// Locking: every member is guarded by Mutex(), which the producer thread holds while it reads one
// short block of a playing channel, and API calls hold while they act on it. It is recursive so
// that a procedure running on the channel (a DSP or a mix-time sync) may call the API on it, and
// it lends its holder the producer's priority (InheritingMutex.h). The mixing thread never takes
// it: it reads the blocks queued in the channel's Voice.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/Audio.h"
#include "audio/ChannelPlayback.h"
#include "audio/FrameSource.h"
#include "audio/InheritingMutex.h"
#include "audio/LoopJoin.h"
#include "audio/ProcessingChain.h"
#include "audio/SyncTimeline.h"

namespace audio::detail {

class SyncNotifier;

class Channel {
public:
    Channel(DWORD flags, int sampleRate, int channels);
    virtual ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    InheritingMutex& Mutex() { return m_mutex; }

    DWORD Handle() const { return m_handle; }
    void SetHandle(DWORD handle) { m_handle = handle; }
    DWORD Flags() const { return m_flags; }
    bool IsDecoder() const { return (m_flags & STREAM_DECODE) != 0; }
    // A tempo stream reads this channel: nobody else may read or free it.
    bool HasReader() const { return m_bHasReader; }
    void SetHasReader(bool has) { m_bHasReader = has; }
    int SampleRate() const { return m_nSampleRate; }
    int Channels() const { return m_nChannels; }
    int FrameBytes() const { return 2 * m_nChannels; }
    virtual DWORD ChannelType() const = 0;
    virtual DWORD OriginalResolution() const { return 0; }
    virtual const char* FileName() const { return nullptr; }

    // ---- Timeline, in the channel's own frames ----
    virtual std::uint64_t LengthFrames() = 0;
    // Frame that Read produces next.
    virtual std::uint64_t ReadPosition() = 0;
    // Position as the caller sees it: for a playing (or paused) channel the frame being heard.
    std::uint64_t Position(std::uint64_t heardFrame);
    // Moves to `frame` (<= LengthFrames()). Inside a mix-time sync of this channel the move
    // continues the audio without a gap, and while the channel is heard (not read by the caller)
    // the audio that would have followed fades out under the audio from `frame` over the
    // layer's loop crossfade, so that the join is no click (LoopJoin.h).
    bool SetPosition(std::uint64_t frame);
    // A mix-time sync will move the position to `frame` (a loop's start): prepare it ahead.
    virtual void PrepareJump(std::uint64_t /*frame*/) {}
    // Its audio is about to be heard: from now on it is read by the real-time producer, which
    // must find it decoded.
    virtual void WillBeHeard() {}
    // True once the data has run out (and no sync moved the position).
    bool Ended() const { return m_bEnded; }
    // Frames of its timeline that one frame it produces stands for (a tempo stream at -25 %:
    // 0.75).
    virtual double TimelineFramesPerFrame() { return 1.0; }

    // Produces up to `frames` processed frames (DSPs and effects applied) and advances. Returns
    // fewer only at the end.
    int Read(std::int16_t* dst, int frames, const RenderContext& ctx);

    // ---- DSPs, effects, syncs ----
    ProcessingChain& Chain() { return m_chain; }
    HSYNC AddSync(HSYNC handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
    bool RemoveSync(HSYNC handle) { return m_syncs.Remove(handle); }
    // A mix-time position sync set at a frame that is already read but not yet heard (the
    // end of a loop marked at the position playing now) would otherwise wait for the next
    // pass: the channel goes back to the sync's frame, or fires it at once where it cannot.
    void CatchUpSync(HSYNC handle, std::uint64_t heardPosition);
    std::vector<DWORD> ItemHandles() const;  // every DSP, effect, tap and sync handle
    void SetNotifier(SyncNotifier* notifier) { m_pNotifier = notifier; }

    // ---- Playback (playable channels) ----
    ChannelPlayback& Playback() { return m_playback; }
    // Takes back the blocks read ahead that the mixer has not taken (all but the next one while
    // the channel plays) and reads again from the first of them, so that a change of tempo, rate
    // or position is heard at once and a stopped channel resumes where it was heard. Nothing
    // happens while the channel is being read (a procedure of its own called it).
    void WithdrawReadAhead();

protected:
    // Produces up to `frames` frames before DSPs and effects.
    virtual int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) = 0;
    // Moves the read position; `seamless` when called from inside a mix-time sync.
    virtual bool Seek(std::uint64_t frame, bool seamless) = 0;
    // Output frames this channel still holds before what it reads now is heard (a tempo
    // stream's stretcher); used to time notices of syncs.
    virtual double HeldFrames() { return 0; }
    // The frame its source reads next: beyond ReadPosition() when the channel holds audio.
    virtual std::uint64_t SourceReadPosition() { return ReadPosition(); }
    // Adds to `frames` frames just produced and processed what no DSP or effect may touch (a
    // tempo stream's count-in clicks).
    virtual void MixAfterChain(std::int16_t* /*dst*/, int /*frames*/) {}
    // Makes a position sync at `frame`, which was read already, happen now (see CatchUpSync).
    virtual void CatchUp(HSYNC handle, std::uint64_t /*frame*/) { MarkSyncDue(handle); }
    // The sync fires at the next read, wherever the position then is.
    void MarkSyncDue(HSYNC handle) { m_syncs.MarkDue(handle); }

    // Reads from `src` while firing this channel's syncs at their exact frames. A sync that
    // moves the position makes the reading continue from there.
    int ReadThroughSyncs(std::int16_t* dst, int frames, FrameSource& src, const RenderContext& ctx);
    // True while a mix-time sync of this channel runs (a position set then is seamless).
    bool InMixtimeSync() const { return m_nSyncDepth > 0; }
    void MarkEnded(bool ended) { m_bEnded = ended; }
    // A join made but not yet played is not heard (the source was moved elsewhere).
    void DropPendingJoin() {
        if (m_pJoin) m_pJoin->Drop();
    }

private:
    // Fires the syncs in `due`; returns true if one moved the position.
    bool Fire(const std::vector<SyncTimeline::Sync>& due, int producedSoFar,
              const RenderContext& ctx);
    // The position was moved: the syncs met from there on fire again.
    void Moved();

    InheritingMutex m_mutex{InheritingMutex::Kind::Recursive};
    DWORD m_handle = 0;
    DWORD m_flags;
    bool m_bHasReader = false;
    int m_nSampleRate;
    int m_nChannels;

    ProcessingChain m_chain;
    SyncTimeline m_syncs;
    // Syncs due in the read under way: kept between reads so the producer does not allocate
    // them at every sync; a read inside a sync's procedure uses one of its own.
    std::vector<SyncTimeline::Sync> m_due;
    bool m_bDueInUse = false;
    SyncNotifier* m_pNotifier = nullptr;
    int m_nSyncDepth = 0;
    std::uint64_t m_seekCount = 0;
    bool m_bEnded = false;
    int m_nReading = 0;  // Read is running (a procedure may call back into the channel)

    // Loop joins (playable channels only).
    FrameSource* m_pHeardSource = nullptr;  // set while a heard read goes through the syncs
    std::unique_ptr<LoopJoin> m_pJoin;

    ChannelPlayback m_playback;
};

using ChannelPtr = std::shared_ptr<Channel>;

}  // namespace audio::detail
