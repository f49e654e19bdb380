#include "audio/TempoStream.h"

#include <algorithm>
#include <cmath>

#include "audio/SampleConversion.h"

namespace audio::detail {

namespace {
constexpr int kFeedFrames = 1024;
// Feeds read at most in one pass for a spare engine that needs more of the source: each goes
// through both engines.
constexpr int kHandoverReads = 1;
// Silence pushes a count-in's tail out of the stretcher a little at a time (the engine's own
// flush allocates), at most for this many frames of the source.
constexpr int kSilenceFrames = 128;
constexpr int kMaxTailSilence = 4 * 48000;
}  // namespace

TempoStream::TempoStream(ChannelPtr source, DWORD flags, std::unique_ptr<StretchEngine> engine)
    : Channel(flags, source->SampleRate(), source->Channels()),
      m_pSource(std::move(source)),
      m_feed(*this),
      m_pEngine(std::move(engine)),
      m_input(*m_pEngine, Channels()),
      m_handover(SampleRate(), Channels()),
      m_countIn(SampleRate(), Channels()) {
    m_pSource->SetHasReader(true);
    // Sized here, on the caller's thread: the producer then never grows them.
    const auto chans = static_cast<std::size_t>(Channels());
    m_in.reserve(kFeedFrames * chans);
    m_outFloat.reserve(4 * kFeedFrames * chans);
    m_silence.assign(kSilenceFrames * chans, 0.0f);
}

TempoStream::~TempoStream() {
    std::lock_guard lock(m_pSource->Mutex());
    m_pSource->SetHasReader(false);
}

std::uint64_t TempoStream::LengthFrames() {
    std::lock_guard lock(m_pSource->Mutex());
    return m_pSource->LengthFrames();
}

std::uint64_t TempoStream::ReadPosition() {
    if (m_input.Empty() || (m_bFlushed && m_input.Available() == 0)) {
        std::lock_guard lock(m_pSource->Mutex());
        return m_pSource->ReadPosition();
    }
    return m_input.Position();
}

void TempoStream::Set(float tempo, float rate, float pitch) {
    const float before[] = {m_fTempo, m_fRate, m_fPitch};
    if (tempo != -100.0f) m_fTempo = std::clamp(tempo, kMinTempo, kMaxTempo);
    if (rate != 0.0f) m_fRate = std::clamp(rate, SampleRate() / 20.0f, SampleRate() * 20.0f);
    if (pitch != -100.0f) m_fPitch = std::clamp(pitch, -kMaxPitch, kMaxPitch);
    const bool changed = before[0] != m_fTempo || before[1] != m_fRate || before[2] != m_fPitch;
    ApplySettings(*m_pEngine);
    // Inside a mix-time sync (a loop's jump) the engine goes on with what it holds, as through
    // the jump itself: the change starts with what it has not yet worked on, within its window
    // of the jump, instead of making again what it had made from before it.
    if (changed && !InMixtimeSync()) {
        m_countIn.Cancel();  // a tempo set by hand is heard at once
        m_bRefill = !m_input.Empty() && RestartsOnChange();
        // An engine that has taken nothing since it was cleared starts again at the new
        // settings: its start-up was made at the old ones (a Rubber Band engine drops as much of
        // its output as the start-up delay of its ratios).
        if (m_input.Empty()) m_pEngine->Clear();
    }
    // A handover under way goes to the new settings too (taken in flight).
    if (StretchEngine* spare = m_handover.Spare()) ApplySettings(*spare);
}

void TempoStream::ApplySettings(StretchEngine& engine) {
    // An engine may clamp: a Get reports what it applied.
    const double tempoRatio = 1.0 + m_fTempo / 100.0;
    if (const double applied = engine.SetTempo(tempoRatio); applied != tempoRatio)
        m_fTempo = static_cast<float>((applied - 1.0) * 100.0);
    const double rateRatio = m_fRate > 0 ? m_fRate / SampleRate() : 1.0;
    if (const double applied = engine.SetRate(rateRatio); applied != rateRatio)
        m_fRate = static_cast<float>(applied * SampleRate());
    if (const double applied = engine.SetPitchSemitones(m_fPitch); applied != m_fPitch)
        m_fPitch = static_cast<float>(applied);
}

void TempoStream::Get(float& tempo, float& rate, float& pitch) const {
    tempo = m_fTempo;
    rate = m_fRate > 0 ? m_fRate : static_cast<float>(SampleRate());
    pitch = m_fPitch;
}

bool TempoStream::SetOption(DWORD option, DWORD value) {
    return m_pEngine->SetOption(option, value);
}

TempoStream::Handover TempoStream::StartHandover(DWORD kind) {
    Handover handover;
    handover.kind = kind;
    handover.engine = m_handover.TakeSpare(kind, m_input);
    return handover;
}

void TempoStream::Snapshot(Handover& handover) const {
    handover.record = m_input.TakeSnapshot();
    handover.tempoRatio = 1.0 + m_fTempo / 100.0;
    handover.rateRatio = m_fRate > 0 ? m_fRate / SampleRate() : 1.0;
    handover.semitones = m_fPitch;
}

void TempoStream::Prepare(Handover& handover, int channels) {
    StretchEngine& engine = *handover.engine;
    engine.SetTempo(handover.tempoRatio);
    engine.SetRate(handover.rateRatio);
    engine.SetPitchSemitones(handover.semitones);
    EngineHandover::Prepare(engine, handover.record, channels);
}

int TempoStream::ExtendSnapshot(Handover& handover) const {
    return m_input.ExtendSnapshot(handover.record, EngineHandover::kFeedFrames);
}

void TempoStream::CatchUp(Handover& handover, int frames, int channels) {
    const std::vector<float>& samples = handover.record.samples;
    handover.engine->Process(
        samples.data() + samples.size() - static_cast<std::size_t>(frames) * channels, frames);
}

std::unique_ptr<StretchEngine> TempoStream::FinishHandover(Handover handover) {
    // Settings set since the snapshot are taken in flight.
    ApplySettings(*handover.engine);
    if (!m_input.Empty() && handover.record.generation == m_input.Generation())
        return m_handover.Begin(std::move(handover.engine), handover.record, m_input);
    // The record it was prepared from is gone (a seek): it starts on what there is now, before
    // anything more is read.
    std::swap(m_pEngine, handover.engine);
    m_input.UseEngine(*m_pEngine);
    m_bRefill = !m_input.Empty();
    m_bFlushed = false;
    return std::move(handover.engine);
}

void TempoStream::PrepareJump(std::uint64_t frame) {
    // The engine goes on through a jump: only the source moves.
    std::lock_guard lock(m_pSource->Mutex());
    m_pSource->PrepareJump(frame);
}

void TempoStream::WillBeHeard() {
    std::lock_guard lock(m_pSource->Mutex());
    m_pSource->WillBeHeard();
}

double TempoStream::HeldFrames() {
    return m_input.HeldOutputFrames();
}

std::uint64_t TempoStream::SourceReadPosition() {
    std::lock_guard lock(m_pSource->Mutex());
    return m_pSource->ReadPosition();
}

void TempoStream::CatchUp(HSYNC handle, std::uint64_t frame) {
    // Take back what the engine got from beyond the sync's frame and read on from there, so
    // that the sync's frame is reached next; when it has already come out of the engine,
    // the sync fires at once instead.
    if (m_input.Empty()) {  // nothing held: the output goes on from the source's position
        MarkSyncDue(handle);
        return;
    }
    // What a join had ready after the source's position goes with the rest.
    DropPendingJoin();
    m_handover.Settle(m_input, m_pEngine);
    bool found = false;
    const std::uint64_t cut = m_input.KeepUntil(frame, found);
    {
        std::lock_guard lock(m_pSource->Mutex());
        if (!m_pSource->SetPosition(cut)) return;
    }
    m_bSourceDone = false;
    Refill();
    if (!found) MarkSyncDue(handle);
}

bool TempoStream::CountIn(int beats, double beatSeconds) {
    if (IsDecoder() || !InMixtimeSync()) return false;
    // The pass before ends where the jump left it: no join, and what the stretcher holds of it
    // comes out at the tempo it was made at.
    DropPendingJoin();
    m_countIn.Start(beats, beatSeconds * Playback().PlaybackRate(),
                    static_cast<int>(std::lround(m_input.HeldOutputFrames())));
    m_nTailSilence = 0;
    return true;
}

int TempoStream::ProduceCountIn(std::int16_t* dst, int frames, int offset) {
    if (m_countIn.InTail()) {
        while (m_input.Available() == 0 && m_countIn.TailLeft() > 0 &&
               m_nTailSilence < kMaxTailSilence) {
            m_pEngine->Process(m_silence.data(), kSilenceFrames);
            m_nTailSilence += kSilenceFrames;
        }
        const int want = std::min({m_input.Available(), m_countIn.TailLeft(), frames});
        if (want > 0) {
            m_outFloat.resize(static_cast<std::size_t>(want) * Channels());
            const int got = m_input.Retrieve(m_outFloat.data(), want);
            FloatToInt16(m_outFloat.data(), dst, static_cast<std::size_t>(got) * Channels());
            m_countIn.PlayedTail(dst, got);
            return got;
        }
        // The pass after starts afresh from the jump's landing, at the tempo armed for it.
        ClearInput();
        m_bRefill = false;
        m_countIn.EndTail();
    }
    return m_countIn.Hold(dst, frames, offset);
}

void TempoStream::ClearInput() {
    m_handover.Settle(m_input, m_pEngine);
    m_input.Clear();
}

void TempoStream::ResetStretcher() {
    m_countIn.Cancel();
    ClearInput();
    m_bSourceDone = false;
    m_bFlushed = false;
    m_bRefill = false;
}

void TempoStream::Refill() {
    m_countIn.Cancel();
    m_bRefill = false;
    m_input.Restart();
    // A source already exhausted is flushed again once the stretcher runs dry.
    m_bFlushed = false;
}

bool TempoStream::Seek(std::uint64_t frame, bool seamless) {
    bool ok;
    {
        std::lock_guard lock(m_pSource->Mutex());
        ok = m_pSource->SetPosition(frame);
    }
    if (!ok) return false;
    if (seamless) {
        // Inside a mix-time sync: the engine keeps what it holds, and the source continues
        // from the new place right after it.
        m_bSourceDone = false;
        m_bFlushed = false;
    } else {
        ResetStretcher();
    }
    return true;
}

int TempoStream::Produce(std::int16_t* dst, int frames, const RenderContext& ctx) {
    const int chans = Channels();
    m_countIn.BeginBlock();
    if (m_bRefill) Refill();
    // A spare engine catching up is fed a little; once it has, it takes over from here (an
    // exhausted source is then flushed again, out of the new engine). One that needs more of the
    // source than the old engine has taken gets it read now.
    for (int read = 0; read <= kHandoverReads && !m_countIn.Active(); ++read) {
        if (m_handover.Advance(m_input, m_pEngine)) {
            m_bFlushed = false;
            break;
        }
        if (!m_handover.NeedsInput() || m_bSourceDone || ReadFeed(ctx, 0) == 0) break;
    }
    int done = 0;
    while (done < frames) {
        if (m_countIn.Active()) {
            const int n =
                ProduceCountIn(dst + static_cast<std::size_t>(done) * chans, frames - done, done);
            if (n == 0 && m_countIn.Active()) break;
            done += n;
            continue;
        }
        const int ready = m_input.Available();
        if (ready > 0) {
            const int want = std::min(ready, frames - done);
            m_outFloat.resize(static_cast<std::size_t>(want) * chans);
            const int got = m_input.Retrieve(m_outFloat.data(), want);
            FloatToInt16(m_outFloat.data(), dst + static_cast<std::size_t>(done) * chans,
                         static_cast<std::size_t>(got) * chans);
            m_countIn.FadeIn(dst + static_cast<std::size_t>(done) * chans, got);
            done += got;
            continue;
        }
        if (m_bFlushed) break;
        if (!m_bSourceDone) {
            const int got = ReadFeed(ctx, done);
            if (!m_bSourceDone && got == 0 && !m_countIn.Active())
                break;  // a sync keeps moving the position without audio: try again next time
            continue;
        }
        // The source is exhausted: push the engine's tail out.
        m_pEngine->Flush();
        m_bFlushed = true;
    }
    MarkEnded(m_bFlushed && m_input.Available() == 0);
    return done;
}

int TempoStream::ReadFeed(const RenderContext& ctx, int done) {
    m_in.resize(static_cast<std::size_t>(kFeedFrames) * Channels());
    RenderContext feedCtx = ctx;
    if (feedCtx.outputFramesPerFrame > 0)
        feedCtx.outputFrame += static_cast<std::uint64_t>(done * feedCtx.outputFramesPerFrame);
    const int got = ReadThroughSyncs(m_in.data(), kFeedFrames, m_feed, feedCtx);
    if (m_feed.AtEnd()) m_bSourceDone = true;
    return got;
}

int TempoStream::SourceFeed::Read(std::int16_t* dst, int frames, const RenderContext&) {
    // A count-in begun by a sync: nothing more goes into the stretcher until it is over.
    if (m_owner.m_countIn.Active()) return 0;
    Channel& source = *m_owner.m_pSource;
    std::lock_guard lock(source.Mutex());
    // The source is a decoder: its own syncs are delivered as for any read by the caller.
    return source.Read(dst, frames, RenderContext{});
}

void TempoStream::SourceFeed::Take(std::uint64_t start, const std::int16_t* samples, int frames) {
    m_owner.m_input.Put(start, samples, frames);
}

std::uint64_t TempoStream::SourceFeed::Position() {
    Channel& source = *m_owner.m_pSource;
    std::lock_guard lock(source.Mutex());
    return source.ReadPosition();
}

bool TempoStream::SourceFeed::AtEnd() {
    Channel& source = *m_owner.m_pSource;
    std::lock_guard lock(source.Mutex());
    return source.Ended() || source.ReadPosition() >= source.LengthFrames();
}

}  // namespace audio::detail
