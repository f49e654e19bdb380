#include "audio/Channel.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "audio/Producer.h"
#include "audio/SyncNotifier.h"
#include "audio/Voice.h"

namespace audio::detail {

namespace {
// A sync that keeps moving the position back onto itself must not stall the reading.
constexpr int kMaxSyncRoundsPerRead = 8;

// Long enough to hide the step between two unrelated waveforms, short enough not to smear the
// attack of a note at the loop's start.
std::atomic<int> g_loopCrossfadeMs{5};
}  // namespace

void Channel::SetLoopCrossfadeMs(int ms) {
    g_loopCrossfadeMs = std::clamp(ms, 0, kMaxLoopCrossfadeMs);
}

int Channel::LoopCrossfadeMs() {
    return g_loopCrossfadeMs;
}

// ---- PlaybackHistory ----

void PlaybackHistory::Add(const Segment& s) {
    m_ring[m_head] = s;
    m_head = (m_head + 1) % kCapacity;
    m_count = std::min(m_count + 1, kCapacity);
}

bool PlaybackHistory::PositionAt(std::uint64_t heard, std::uint64_t& position) const {
    if (m_count == 0 || heard < At(0).outStart) return false;
    for (std::size_t i = m_count; i-- > 0;) {
        const Segment& s = At(i);
        if (s.outStart > heard) continue;
        const std::uint64_t into = heard - s.outStart;
        if (into >= s.outFrames) {
            position = s.srcEnd;
        } else if (s.srcEnd >= s.srcStart) {
            position = s.srcStart + (s.srcEnd - s.srcStart) * into / s.outFrames;
        } else {
            // The segment holds a jump back (a loop): count back from its end. Counted back to
            // before where the jump landed, the frame was heard before the jump: count on from
            // the start then, up to where the jump left.
            const auto back = static_cast<std::uint64_t>((s.outFrames - into) * s.srcPerOut);
            position = s.srcEnd > back ? s.srcEnd - back : 0;
            if (s.jumpFrom > s.jumpTo && position < s.jumpTo)
                position = std::min(s.srcStart + static_cast<std::uint64_t>(
                                                     static_cast<double>(into) * s.srcPerOut),
                                    s.jumpFrom);
        }
        return true;
    }
    return false;
}

DWORD PlaybackHistory::LevelBetween(std::uint64_t from, std::uint64_t to) const {
    std::uint16_t left = 0, right = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        const Segment& s = At(i);
        if (s.outStart >= to || s.outStart + s.outFrames <= from) continue;
        left = std::max(left, s.peakLeft);
        right = std::max(right, s.peakRight);
    }
    return static_cast<DWORD>(left) | (static_cast<DWORD>(right) << 16);
}

// ---- Channel ----

Channel::Channel(DWORD flags, int sampleRate, int channels)
    : m_flags(flags), m_nSampleRate(sampleRate), m_nChannels(channels) {
    // A decoding channel is read by the caller, never heard directly: it has no joins to blend.
    if (!IsDecoder()) m_pJoin = std::make_unique<LoopJoin>(sampleRate, channels);
}

Channel::~Channel() = default;

std::uint64_t Channel::Position(std::uint64_t heardFrame) {
    if (IsDecoder()) return ReadPosition();
    CollectPlayed();
    std::uint64_t position;
    if (m_history.PositionAt(heardFrame, position)) return position;
    return m_historyBase;
}

void Channel::ResetHistory() {
    m_history.Clear();
    m_historyBase = ReadPosition();
    m_historyGeneration = m_pVoice ? m_pVoice->generation : 0;
}

PlaybackHistory& Channel::History() {
    CollectPlayed();
    return m_history;
}

void Channel::SetVolume(int v) {
    m_nVolume = v;
    if (m_pVoice) m_pVoice->volume.store(v);
}

void Channel::SetPan(int p) {
    m_nPan = p;
    if (m_pVoice) m_pVoice->pan.store(p);
}

void Channel::PrepareVoice() {
    if (!m_pVoice) m_pVoice = std::make_unique<Voice>();
    m_pVoice->starts.fetch_add(1);
    m_pVoice->volume.store(m_nVolume);
    m_pVoice->pan.store(m_nPan);
}

void Channel::CollectPlayed() {
    if (!m_pVoice) return;
    PlayedSegment played;
    while (m_pVoice->PopPlayed(played))
        if (played.generation >= m_historyGeneration) m_history.Add(played.segment);
}

void Channel::WithdrawReadAhead() {
    if (!m_pVoice || m_nReading > 0) return;
    CollectPlayed();
    const VoiceBlock* first = nullptr;
    if (!m_pVoice->Withdraw(m_state == ACTIVE_PLAYING, first)) return;
    const std::uint64_t from = first->segment.srcStart;
    const std::uint64_t dueFrom = first->outEstimate;
    // The withdrawn audio is read again: a join it held is made again if its sync fires again.
    DropPendingJoin();
    if (!Seek(from, false)) return;
    ++m_seekCount;
    m_bEnded = false;
    m_bEndFired = false;
    m_syncsFiredAt = UINT64_MAX;
    // Notices of syncs met in the withdrawn audio come again when it is read again.
    if (m_pNotifier) m_pNotifier->DropChannelFrom(m_handle, dueFrom);
    // The producer reads on as soon as the caller lets the channel go, not when the mixer next
    // asks: a stretcher starting afresh needs a moment before its first block.
    if (m_state == ACTIVE_PLAYING) Producer::Wake();
}

bool Channel::SetPosition(std::uint64_t frame) {
    if (frame > LengthFrames()) return false;
    const bool seamless = InMixtimeSync();
    const bool joined = seamless && m_pHeardSource && m_pJoin;
    const std::uint64_t leaving = SourceReadPosition();
    std::uint64_t seekTo = frame;
    if (joined) {
        ReadJoinTail();
        // The audio that leads up to the start is read on the way there.
        seekTo = frame - std::min<std::uint64_t>(frame, m_pJoin->LeadInFrames());
    } else if (!seamless) {
        DropPendingJoin();  // a jump made by the user starts afresh
        // What was read ahead from the old position is not heard (but for the block the mixer
        // may be taking now, so that there is no gap), nor are the notices of syncs met in it.
        const VoiceBlock* first = nullptr;
        if (m_pVoice && m_pVoice->Withdraw(m_state == ACTIVE_PLAYING, first) && m_pNotifier)
            m_pNotifier->DropChannelFrom(m_handle, first->outEstimate);
    }
    if (!Seek(seekTo, seamless)) {
        DropPendingJoin();
        return false;
    }
    if (joined && !MakeJoin(leaving, static_cast<int>(frame - seekTo))) {
        DropPendingJoin();
        if (!Seek(frame, seamless)) return false;
    }
    if (seamless) {
        m_jumpFrom = leaving;
        m_jumpTo = frame;
    }
    ++m_seekCount;
    m_bEnded = false;
    m_bEndFired = false;
    m_syncsFiredAt = UINT64_MAX;
    if (!seamless) {
        ResetHistory();
        m_dueSync = 0;
    }
    return true;
}

int Channel::Read(std::int16_t* dst, int frames, const RenderContext& ctx) {
    ++m_nReading;
    const int n = Produce(dst, frames, ctx);
    --m_nReading;
    m_chain.Run(m_handle, dst, n, m_nChannels);
    if (n > 0)
        for (const auto& tap : m_taps) tap.second(dst, n);
    return n;
}

bool Channel::RemoveTap(DWORD handle) {
    return std::erase_if(m_taps, [&](const auto& tap) { return tap.first == handle; }) > 0;
}

HSYNC Channel::AddSync(HSYNC handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    Sync s;
    s.handle = handle;
    s.type = type & ~(SYNC_MIXTIME | SYNC_ONETIME);
    s.mixtime = (type & SYNC_MIXTIME) != 0;
    s.oneTime = (type & SYNC_ONETIME) != 0;
    s.frame = (param + FrameBytes() - 1) / FrameBytes();
    s.proc = proc;
    s.user = user;
    m_syncs.push_back(s);
    return handle;
}

bool Channel::RemoveSync(HSYNC handle) {
    if (m_dueSync == handle) m_dueSync = 0;
    return std::erase_if(m_syncs, [&](const Sync& s) { return s.handle == handle; }) > 0;
}

void Channel::CatchUpSync(HSYNC handle, std::uint64_t heardPosition) {
    auto it = std::find_if(m_syncs.begin(), m_syncs.end(),
                           [&](const Sync& s) { return s.handle == handle; });
    if (it == m_syncs.end() || it->type != SYNC_POS || !it->mixtime) return;
    // A frame in the audio read ahead but not yet mixed: that audio is read again, and the sync
    // is met there at its exact frame.
    std::uint64_t unmixed = 0;
    if (m_pVoice && m_state == ACTIVE_PLAYING && m_pVoice->FirstUnmixed(unmixed) &&
        it->frame >= unmixed && it->frame < SourceReadPosition()) {
        WithdrawReadAhead();
        it = std::find_if(m_syncs.begin(), m_syncs.end(),
                          [&](const Sync& s) { return s.handle == handle; });
        if (it == m_syncs.end()) return;
    }
    // Heard well before now: its turn comes on the next pass. Not read yet: it fires when
    // reached. A frame just heard counts as now: the position was read a moment ago.
    const std::uint64_t justHeard = static_cast<std::uint64_t>(m_nSampleRate) / 20;
    if (it->frame + justHeard < heardPosition || it->frame >= SourceReadPosition()) return;
    CatchUp(handle, it->frame);
}

std::vector<DWORD> Channel::ItemHandles() const {
    std::vector<DWORD> handles = m_chain.Handles();
    for (const Sync& s : m_syncs) handles.push_back(s.handle);
    for (const auto& tap : m_taps) handles.push_back(tap.first);
    return handles;
}

std::uint64_t Channel::NextSyncFrameAfter(std::uint64_t frame) const {
    std::uint64_t next = UINT64_MAX;
    for (const Sync& s : m_syncs)
        if (s.type == SYNC_POS && s.frame > frame) next = std::min(next, s.frame);
    return next;
}

bool Channel::FireSyncs(DWORD type, std::uint64_t frame, int producedSoFar,
                        const RenderContext& ctx) {
    std::vector<Sync> due;
    for (const Sync& s : m_syncs)
        if (s.type == type && (type != SYNC_POS || s.frame == frame)) due.push_back(s);
    return Fire(due, producedSoFar, ctx);
}

bool Channel::Fire(const std::vector<Sync>& due, int producedSoFar, const RenderContext& ctx) {
    if (due.empty()) return false;
    const std::uint64_t seeksBefore = m_seekCount;
    for (const Sync& s : due) {
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

namespace {
// Reads until `frames` frames came or the source has no more.
int ReadFully(FrameSource& src, std::int16_t* dst, int frames, int channels) {
    int got = 0;
    while (got < frames) {
        const int n =
            src.Read(dst + static_cast<std::size_t>(got) * channels, frames - got, RenderContext{});
        if (n <= 0) break;
        got += n;
    }
    return got;
}
}  // namespace

void Channel::ReadJoinTail() {
    m_pJoin->Begin(LoopCrossfadeMs());
    m_nJoinTailGot =
        ReadFully(*m_pHeardSource, m_pJoin->Tail(), m_pJoin->TailFrames(), m_nChannels);
}

bool Channel::MakeJoin(std::uint64_t leaving, int leadIn) {
    if (ReadFully(*m_pHeardSource, m_pJoin->LeadIn(), leadIn, m_nChannels) != leadIn) return false;
    const auto frames = static_cast<std::uint64_t>(m_pJoin->Make(m_nJoinTailGot, leadIn));
    // What plays before the start counts as the last moments before the end: reported
    // positions stay inside the region.
    m_joinPosition = leaving - std::min(leaving, frames);
    return true;
}

int Channel::ReadThroughSyncs(std::int16_t* dst, int frames, FrameSource& src,
                              const RenderContext& ctx) {
    // Loop joins are blended only into what is heard: saves and rips read the exact samples.
    FrameSource* const heardBefore = m_pHeardSource;
    m_pHeardSource = ctx.outputFramesPerFrame > 0 && m_pJoin ? &src : nullptr;
    const int done = ReadThroughSyncsHeard(dst, frames, src, ctx);
    m_pHeardSource = heardBefore;
    return done;
}

int Channel::ReadThroughSyncsHeard(std::int16_t* dst, int frames, FrameSource& src,
                                   const RenderContext& ctx) {
    int done = 0;
    int rounds = 0;
    for (;;) {
        // A join made by a jump plays before anything read after it.
        if (m_pJoin && m_pJoin->Pending() > 0) {
            if (done >= frames) break;
            std::int16_t* const at = dst + static_cast<std::size_t>(done) * m_nChannels;
            int offset = 0;
            const int got = m_pJoin->Emit(at, frames - done, offset);
            src.Take(m_joinPosition + static_cast<std::uint64_t>(offset), at, got);
            done += got;
            continue;
        }
        if (m_dueSync) {
            std::vector<Sync> due;
            for (const Sync& s : m_syncs)
                if (s.handle == m_dueSync) due.push_back(s);
            m_dueSync = 0;
            if (Fire(due, done, ctx) && rounds++ < kMaxSyncRoundsPerRead) continue;
        }
        const std::uint64_t pos = src.Position();
        if (pos != m_syncsFiredAt && rounds < kMaxSyncRoundsPerRead) {
            m_syncsFiredAt = pos;
            if (FireSyncs(SYNC_POS, pos, done, ctx)) {
                ++rounds;
                continue;
            }
        }
        if (src.AtEnd()) {
            if (!m_bEndFired) {
                m_bEndFired = true;
                if (FireSyncs(SYNC_END, 0, done, ctx) && rounds++ < kMaxSyncRoundsPerRead) continue;
            }
            break;
        }
        if (done >= frames) break;
        const std::uint64_t next = NextSyncFrameAfter(pos);
        const int want = static_cast<int>(std::min<std::uint64_t>(frames - done, next - pos));
        std::int16_t* const at = dst + static_cast<std::size_t>(done) * m_nChannels;
        const int got = src.Read(at, want, ctx);
        if (got <= 0) break;
        src.Take(pos, at, got);
        done += got;
        m_syncsFiredAt = UINT64_MAX;
    }
    return done;
}

}  // namespace audio::detail
