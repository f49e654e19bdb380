#include "audio/Channel.h"

#include <algorithm>

#include "audio/AudioSystem.h"
#include "audio/SyncNotifier.h"
#include "audio/Voice.h"

namespace audio::detail {

namespace {
// A sync that keeps moving the position back onto itself must not stall the reading.
constexpr int kMaxSyncRoundsPerRead = 8;
}  // namespace

Channel::Channel(DWORD flags, int sampleRate, int channels)
    : m_flags(flags), m_nSampleRate(sampleRate), m_nChannels(channels), m_playback(sampleRate) {
    // A decoding channel is read by the caller, never heard directly: it has no joins to blend.
    if (!IsDecoder()) m_pJoin = std::make_unique<LoopJoin>(sampleRate, channels);
    m_due.reserve(16);
}

Channel::~Channel() = default;

std::uint64_t Channel::Position(std::uint64_t heardFrame) {
    return IsDecoder() ? ReadPosition() : m_playback.HeardPosition(heardFrame);
}

void Channel::Moved() {
    ++m_seekCount;
    m_bEnded = false;
    m_syncs.Rewind();
}

void Channel::WithdrawReadAhead() {
    if (!m_playback.MixerVoice() || m_nReading > 0) return;
    m_playback.CollectPlayed();
    const VoiceBlock* first = nullptr;
    if (!m_playback.Withdraw(first)) return;
    const std::uint64_t from = first->segment.srcStart;
    const std::uint64_t dueFrom = first->outEstimate;
    // The withdrawn audio is read again: a join it held is made again if its sync fires again.
    DropPendingJoin();
    if (!Seek(from, false)) return;
    Moved();
    // Notices of syncs met in the withdrawn audio come again when it is read again.
    if (m_pNotifier) m_pNotifier->DropChannelFrom(m_handle, dueFrom);
    // The producer reads on as soon as the caller lets the channel go, not when the mixer next
    // asks: a stretcher starting afresh needs a moment before its first block.
    if (m_playback.State() == ACTIVE_PLAYING) AudioSystem::Get().WakeProducer();
}

bool Channel::SetPosition(std::uint64_t frame) {
    if (frame > LengthFrames()) return false;
    const bool seamless = InMixtimeSync();
    const bool joined = seamless && m_pHeardSource && m_pJoin;
    const std::uint64_t leaving = SourceReadPosition();
    std::uint64_t seekTo = frame;
    if (joined) {
        m_pJoin->ReadTail(*m_pHeardSource, AudioSystem::Get().LoopCrossfadeMs());
        // The audio that leads up to the start is read on the way there.
        seekTo = frame - std::min<std::uint64_t>(frame, m_pJoin->LeadInFrames());
    } else if (!seamless) {
        DropPendingJoin();  // a jump made by the user starts afresh
        // What was read ahead from the old position is not heard (but for the block the mixer
        // may be taking now, so that there is no gap), nor are the notices of syncs met in it.
        const VoiceBlock* first = nullptr;
        if (m_playback.Withdraw(first) && m_pNotifier)
            m_pNotifier->DropChannelFrom(m_handle, first->outEstimate);
    }
    if (!Seek(seekTo, seamless)) {
        DropPendingJoin();
        return false;
    }
    if (joined &&
        !m_pJoin->ReadLeadIn(*m_pHeardSource, leaving, static_cast<int>(frame - seekTo))) {
        DropPendingJoin();
        if (!Seek(frame, seamless)) return false;
    }
    if (seamless) m_playback.RecordJump(leaving, frame);
    Moved();
    if (!seamless) {
        m_playback.ResetHistory(ReadPosition());
        m_syncs.ClearDue();
    }
    return true;
}

int Channel::Read(std::int16_t* dst, int frames, const RenderContext& ctx) {
    ++m_nReading;
    const int n = Produce(dst, frames, ctx);
    --m_nReading;
    m_chain.Run(m_handle, dst, n, m_nChannels);
    MixAfterChain(dst, n);
    return n;
}

HSYNC Channel::AddSync(HSYNC handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    m_syncs.Add(handle, type, param, FrameBytes(), proc, user);
    return handle;
}

void Channel::CatchUpSync(HSYNC handle, std::uint64_t heardPosition) {
    const SyncTimeline::Sync* sync = m_syncs.FindMixtimePosition(handle);
    if (!sync) return;
    const std::uint64_t frame = sync->frame;
    // A frame in the audio read ahead but not yet mixed: that audio is read again, and the sync
    // is met there at its exact frame.
    std::uint64_t unmixed = 0;
    if (m_playback.FirstUnmixed(unmixed) && frame >= unmixed && frame < SourceReadPosition()) {
        WithdrawReadAhead();
        if (!m_syncs.FindMixtimePosition(handle)) return;
    }
    // Not read yet, it fires when reached.
    const auto justHeard = static_cast<std::uint64_t>(m_nSampleRate) / 20;
    if (SyncTimeline::CatchUpNow(frame, heardPosition, SourceReadPosition(), justHeard))
        CatchUp(handle, frame);
}

std::vector<DWORD> Channel::ItemHandles() const {
    std::vector<DWORD> handles = m_chain.Handles();
    m_syncs.AppendHandles(handles);
    return handles;
}

bool Channel::Fire(const std::vector<SyncTimeline::Sync>& due, int producedSoFar,
                   const RenderContext& ctx) {
    if (due.empty()) return false;
    const std::uint64_t seeksBefore = m_seekCount;
    for (const SyncTimeline::Sync& s : due) {
        if (s.oneTime) RemoveSync(s.handle);
        if (s.mixtime) {
            ++m_nSyncDepth;
            s.proc(s.handle, m_handle, 0, s.user);
            --m_nSyncDepth;
        } else if (m_pNotifier) {
            SyncEvent event;
            event.sync = s.handle;
            event.channel = m_handle;
            event.proc = s.proc;
            event.user = s.user;
            event.oneTime = s.oneTime;
            if (ctx.outputFramesPerFrame > 0)
                event.dueFrame =
                    ctx.outputFrame + static_cast<std::uint64_t>((producedSoFar + HeldFrames()) *
                                                                 ctx.outputFramesPerFrame);
            m_pNotifier->Post(event);
        }
    }
    return m_seekCount != seeksBefore;
}

int Channel::ReadThroughSyncs(std::int16_t* dst, int frames, FrameSource& src,
                              const RenderContext& ctx) {
    // Loop joins are blended only into what is heard: saves and rips read the exact samples.
    FrameSource* const heardBefore = m_pHeardSource;
    m_pHeardSource = ctx.outputFramesPerFrame > 0 && m_pJoin ? &src : nullptr;
    int done = 0;
    int rounds = 0;
    std::vector<SyncTimeline::Sync> nested;
    std::vector<SyncTimeline::Sync>& due = m_bDueInUse ? nested : m_due;
    const bool bOwnsDue = !m_bDueInUse;
    m_bDueInUse = true;
    for (;;) {
        std::int16_t* const at = dst + static_cast<std::size_t>(done) * m_nChannels;
        // A join made by a jump plays before anything read after it.
        if (m_pJoin && m_pJoin->Pending() > 0) {
            if (done >= frames) break;
            done += m_pJoin->Play(at, frames - done, src);
            continue;
        }
        due.clear();
        if (m_syncs.HasDue()) {
            m_syncs.TakeDue(due);
            if (Fire(due, done, ctx) && rounds++ < kMaxSyncRoundsPerRead) continue;
            due.clear();
        }
        const std::uint64_t pos = src.Position();
        if (rounds < kMaxSyncRoundsPerRead && m_syncs.TakeAt(pos, due) && Fire(due, done, ctx)) {
            ++rounds;
            continue;
        }
        if (src.AtEnd()) {
            due.clear();
            if (m_syncs.TakeEnd(due) && Fire(due, done, ctx) && rounds++ < kMaxSyncRoundsPerRead)
                continue;
            break;
        }
        if (done >= frames) break;
        const std::uint64_t next = m_syncs.NextAfter(pos);
        const int want = static_cast<int>(std::min<std::uint64_t>(frames - done, next - pos));
        const int got = src.Read(at, want, ctx);
        if (got <= 0) break;
        src.Take(pos, at, got);
        done += got;
        m_syncs.Advanced();
    }
    m_pHeardSource = heardBefore;
    if (bOwnsDue) m_bDueInUse = false;
    return done;
}

}  // namespace audio::detail
