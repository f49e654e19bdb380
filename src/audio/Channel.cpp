#include "audio/Channel.h"

#include <algorithm>

#include "audio/SyncNotifier.h"
#include "audio/Voice.h"

namespace audio::detail {

namespace {
// A sync that keeps moving the position back onto itself must not stall the reading.
constexpr int kMaxSyncRoundsPerRead = 8;
}  // namespace

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
            // The segment holds a jump back (a loop): count back from its end.
            const auto back = static_cast<std::uint64_t>((s.outFrames - into) * s.srcPerOut);
            position = s.srcEnd > back ? s.srcEnd - back : 0;
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
    : m_flags(flags), m_nSampleRate(sampleRate), m_nChannels(channels) {}

Channel::~Channel() = default;

std::uint64_t Channel::Position(std::uint64_t heardFrame) {
    if (IsDecoder()) return ReadPosition();
    std::uint64_t position;
    if (m_history.PositionAt(heardFrame, position)) return position;
    return m_historyBase;
}

void Channel::ResetHistory() {
    m_history.Clear();
    m_historyBase = ReadPosition();
}

bool Channel::SetPosition(std::uint64_t frame) {
    if (frame > LengthFrames()) return false;
    const bool seamless = InMixtimeSync();
    if (!Seek(frame, seamless)) return false;
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
    const int n = Produce(dst, frames, ctx);
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
    const auto it = std::find_if(m_syncs.begin(), m_syncs.end(),
                                 [&](const Sync& s) { return s.handle == handle; });
    if (it == m_syncs.end() || it->type != SYNC_POS || !it->mixtime) return;
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

int Channel::ReadThroughSyncs(std::int16_t* dst, int frames, FrameSource& src,
                              const RenderContext& ctx) {
    int done = 0;
    int rounds = 0;
    for (;;) {
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
        const int got = src.Read(dst + static_cast<std::size_t>(done) * m_nChannels, want, ctx);
        if (got <= 0) break;
        done += got;
        m_syncsFiredAt = UINT64_MAX;
    }
    return done;
}

}  // namespace audio::detail
