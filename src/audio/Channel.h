// A channel: anything that produces 16-bit interleaved PCM behind a handle (a decoded file, a
// tempo stream, later a CD track). This base holds what every channel shares: its DSP procedures
// and effects, its syncs, and its playback state; subclasses produce the samples.
//
// Locking: every member is guarded by Mutex(), which the producer thread holds while it reads one
// short block of a playing channel, and API calls hold while they act on it. It is recursive so
// that a procedure running on the channel (a DSP or a mix-time sync) may call the API on it. The
// mixing thread never takes it: it reads the blocks queued in the channel's Voice.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "audio/LoopJoin.h"
#include "audio/ProcessingChain.h"

namespace audio::detail {

class SyncNotifier;
struct Voice;

// Where the audio being produced will be heard: non-mix-time syncs are delivered once the
// output reaches `outputFrame` (0 when nobody listens: a decoding channel read by the caller).
struct RenderContext {
    std::uint64_t outputFrame = 0;
    double outputFramesPerFrame = 0;  // device frames per channel frame (0: not playing)
};

// Samples a channel reads while its syncs are watched: the file decoder of a file stream, the
// source channel of a tempo stream.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual int Read(std::int16_t* dst, int frames, const RenderContext& ctx) = 0;
    // The samples Read gave, starting at source frame `start`, in their final form (a loop join
    // blended in): where a tempo stream hands them to its stretcher.
    virtual void Take(std::uint64_t /*start*/, const std::int16_t* /*samples*/, int /*frames*/) {}
    virtual std::uint64_t Position() = 0;
    virtual bool AtEnd() = 0;
};

// What the mixer rendered for one playing channel: which output frames carry which of the
// channel's frames, and how loud they were. Positions and levels of playing channels are read
// from it at the output frame being heard.
class PlaybackHistory {
public:
    struct Segment {
        std::uint64_t outStart = 0;
        std::uint32_t outFrames = 0;
        std::uint64_t srcStart = 0;  // channel position when the segment began
        std::uint64_t srcEnd = 0;    // ... and when it ended
        float srcPerOut = 0;         // channel frames per output frame while rendering it
        std::uint16_t peakLeft = 0, peakRight = 0;
        // The channel's latest loop jump when the segment was rendered: where it left and where
        // it landed (equal: none yet).
        std::uint64_t jumpFrom = 0, jumpTo = 0;
    };
    void Clear() { m_count = 0; }
    void Add(const Segment& s);
    // Channel position heard at output frame `heard`; false when nothing rendered so far has
    // been heard yet.
    bool PositionAt(std::uint64_t heard, std::uint64_t& position) const;
    // Peaks of the segments heard in [from, to): left in the low word, right in the high word.
    DWORD LevelBetween(std::uint64_t from, std::uint64_t to) const;

private:
    static constexpr std::size_t kCapacity = 256;
    const Segment& At(std::size_t i) const {
        return m_ring[(m_head + kCapacity - m_count + i) % kCapacity];
    }
    std::array<Segment, kCapacity> m_ring{};
    std::size_t m_head = 0;  // next slot written
    std::size_t m_count = 0;
};

class Channel {
public:
    Channel(DWORD flags, int sampleRate, int channels);
    virtual ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    std::recursive_mutex& Mutex() { return m_mutex; }

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
    // the audio that would have followed fades out under the audio from `frame` over
    // LoopCrossfadeMs(), so that the join is no click (LoopJoin.h).
    bool SetPosition(std::uint64_t frame);
    // A mix-time sync will move the position to `frame` (a loop's start): prepare it ahead.
    virtual void PrepareJump(std::uint64_t /*frame*/) {}
    // The latest position set from inside a mix-time sync: the frame it left and the one it
    // landed on (equal while there was none).
    std::uint64_t LastJumpFrom() const { return m_jumpFrom; }
    std::uint64_t LastJumpTo() const { return m_jumpTo; }

    // Length of the crossfade at a loop join, in ms, for every channel (0: a hard cut).
    static constexpr int kMaxLoopCrossfadeMs = LoopJoin::kMaxFadeMs;
    static void SetLoopCrossfadeMs(int ms);
    static int LoopCrossfadeMs();
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
    bool RemoveSync(HSYNC handle);
    // A mix-time position sync set at a frame that is already read but not yet heard (the
    // end of a loop marked at the position playing now) would otherwise wait for the next
    // pass: the channel goes back to the sync's frame, or fires it at once where it cannot.
    void CatchUpSync(HSYNC handle, std::uint64_t heardPosition);
    std::vector<DWORD> ItemHandles() const;  // every DSP, effect, sync and tap handle

    // A tap receives every buffer the channel produces, after its DSPs and effects, in order:
    // the attachment point for encoders fed by a channel.
    using PcmTap = std::function<void(const std::int16_t* samples, int frames)>;
    void AddTap(DWORD handle, PcmTap tap) { m_taps.push_back({handle, std::move(tap)}); }
    bool RemoveTap(DWORD handle);
    void SetNotifier(SyncNotifier* notifier) { m_pNotifier = notifier; }

    // ---- Playback (playable channels) ----
    DWORD State() const { return m_state; }
    void SetState(DWORD state) { m_state = state; }
    int Volume() const { return m_nVolume; }
    int Pan() const { return m_nPan; }
    int PlaybackRate() const { return m_nPlaybackRate > 0 ? m_nPlaybackRate : m_nSampleRate; }
    void SetVolume(int v);
    void SetPan(int p);
    void SetPlaybackRate(int r) { m_nPlaybackRate = r; }
    // What has been played so far (the segments the mixer reported are taken in first).
    PlaybackHistory& History();
    // Playback restarts at the current read position (no heard audio to go by yet).
    void ResetHistory();
    // Made by ChannelPlay (never on the mixing thread), kept until the channel goes.
    std::unique_ptr<Voice>& MixerVoice() { return m_pVoice; }
    // Makes the voice for playing, with the channel's volume and pan, and counts the start.
    void PrepareVoice();
    // Takes in the segments the mixer reported as played.
    void CollectPlayed();
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
    // Makes a position sync at `frame`, which was read already, happen now (see CatchUpSync).
    virtual void CatchUp(HSYNC handle, std::uint64_t /*frame*/) { m_dueSync = handle; }
    // The sync fires at the next read, wherever the position then is.
    void MarkSyncDue(HSYNC handle) { m_dueSync = handle; }

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
    struct Sync {
        HSYNC handle = 0;
        DWORD type = 0;  // SYNC_POS or SYNC_END
        bool mixtime = false;
        bool oneTime = false;
        std::uint64_t frame = 0;  // SYNC_POS: first frame at or after the byte position
        SYNCPROC* proc = nullptr;
        void* user = nullptr;
    };
    // Fires the syncs of `type` (at `frame` for SYNC_POS); returns true if one moved the position.
    bool FireSyncs(DWORD type, std::uint64_t frame, int producedSoFar, const RenderContext& ctx);
    bool Fire(const std::vector<Sync>& due, int producedSoFar, const RenderContext& ctx);
    int ReadThroughSyncsHeard(std::int16_t* dst, int frames, FrameSource& src,
                              const RenderContext& ctx);
    std::uint64_t NextSyncFrameAfter(std::uint64_t frame) const;
    // Reads what would have followed the position (from the source being heard), before a jump.
    void ReadJoinTail();
    // After the seek to `leadIn` frames before the loop's start: reads them and makes the join
    // of the jump from `leaving`; false when they could not be read.
    bool MakeJoin(std::uint64_t leaving, int leadIn);

    std::recursive_mutex m_mutex;
    DWORD m_handle = 0;
    DWORD m_flags;
    bool m_bHasReader = false;
    int m_nSampleRate;
    int m_nChannels;

    ProcessingChain m_chain;
    std::vector<Sync> m_syncs;
    std::vector<std::pair<DWORD, PcmTap>> m_taps;
    SyncNotifier* m_pNotifier = nullptr;
    int m_nSyncDepth = 0;
    std::uint64_t m_seekCount = 0;
    std::uint64_t m_jumpFrom = 0, m_jumpTo = 0;
    std::uint64_t m_syncsFiredAt = UINT64_MAX;  // POS syncs already fired here, nothing read since
    bool m_bEndFired = false;
    HSYNC m_dueSync = 0;  // a sync to fire at the next read (CatchUp)
    bool m_bEnded = false;
    int m_nReading = 0;  // Read is running (a procedure may call back into the channel)

    // Loop joins (playable channels only).
    FrameSource* m_pHeardSource = nullptr;  // set while a heard read goes through the syncs
    std::unique_ptr<LoopJoin> m_pJoin;
    int m_nJoinTailGot = 0;
    std::uint64_t m_joinPosition = 0;  // the source frame its audio is counted from

    DWORD m_state = ACTIVE_STOPPED;
    int m_nVolume = 100;
    int m_nPan = 0;
    int m_nPlaybackRate = 0;  // 0: the channel's own rate
    PlaybackHistory m_history;
    std::uint64_t m_historyGeneration = 0;  // segments of voice generations before it are stale
    std::uint64_t m_historyBase = 0;        // position until anything rendered is heard
    std::unique_ptr<Voice> m_pVoice;
};

using ChannelPtr = std::shared_ptr<Channel>;

}  // namespace audio::detail
