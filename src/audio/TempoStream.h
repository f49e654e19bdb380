// A tempo stream: changes the tempo and the pitch of a decoding source independently, with a
// stretch engine. Its positions, length and POS syncs count in the source's frames: the position is
// the source frame of the audio coming out now, accounting for what the stretcher still holds.
// Syncs are watched on the source side, so that a position set from a mix-time sync (a loop)
// only redirects the source and the stretched audio continues without a seam.
#pragma once

#include <memory>
#include <vector>

#include "audio/Channel.h"
#include "audio/CountInHold.h"
#include "audio/EngineHandover.h"
#include "audio/StretchEngine.h"
#include "audio/StretcherInput.h"

namespace audio::detail {

class TempoStream final : public Channel {
public:
    TempoStream(ChannelPtr source, DWORD flags, std::unique_ptr<StretchEngine> engine);
    ~TempoStream() override;

    DWORD ChannelType() const override { return CTYPE_STREAM_TEMPO; }
    DWORD OriginalResolution() const override { return m_pSource->OriginalResolution(); }
    const char* FileName() const override { return m_pSource->FileName(); }
    std::uint64_t LengthFrames() override;
    std::uint64_t ReadPosition() override;

    const ChannelPtr& Source() const { return m_pSource; }
    bool FreesSource() const { return (Flags() & FX_FREESOURCE) != 0; }

    // The ranges FX_TempoSet accepts (Audio.h); Set keeps values inside them.
    static constexpr float kMinTempo = -95.0f, kMaxTempo = 5000.0f;  // percent change
    static constexpr float kMaxPitch = 60.0f;                        // semitones either way
    // Tempo in percent change, rate in Hz of the source audio, pitch in semitones; -100 (tempo,
    // pitch) and 0 (rate) leave a value as it is. Set inside a mix-time sync (a loop's jump),
    // the change goes on seamlessly from the jump instead of remaking what is held.
    void Set(float tempo, float rate, float pitch);
    void Get(float& tempo, float& rate, float& pitch) const;
    // Whether a change of settings starts the engine again from what is heard. A playing stream
    // whose engine takes changes in flight keeps it going (and the audio read ahead): starting
    // it again would cost its whole start-up on the producer's thread. A decoding stream always
    // starts again, so that what is read next has the new settings.
    bool RestartsOnChange() const { return IsDecoder() || !m_pEngine->TakesChangesInFlight(); }
    bool SetOption(DWORD option, DWORD value);

    // A handover to a spare engine (EngineHandover.h): a change of settings heard without the
    // engine's delay, or another engine. Made in steps, so that what costs time is done with
    // the stream let go: Start and Snapshot under the stream's lock, Prepare off it (making the
    // engine when none was kept), Finish under it again.
    struct Handover {
        DWORD kind = 0;
        std::unique_ptr<StretchEngine> engine;
        StretcherInput::Snapshot record;
        double tempoRatio = 1.0, rateRatio = 1.0, semitones = 0.0;
    };
    // Whether a change of settings is handed over: the engine takes it in flight, but is heard
    // with it only after everything it holds. (Inside a mix-time sync the change goes on from
    // the jump instead; an engine that holds nothing has nothing to hand over.)
    bool HandsOverOnChange() const {
        return !RestartsOnChange() && !InMixtimeSync() && !m_input.Empty();
    }
    // The kind of engine playing once a pending handover is done.
    DWORD EngineKind() const { return m_handover.KindAfter(*m_pEngine); }
    Handover StartHandover(DWORD kind);
    void Snapshot(Handover& handover) const;
    static void Prepare(Handover& handover, int channels);
    // Under the lock, after Prepare: what the stream took in meanwhile joins the handover's
    // record when it is more than the producer feeds a spare at a time (a slow Prepare).
    // Returns the frames added, which CatchUp feeds the engine off the lock.
    int ExtendSnapshot(Handover& handover) const;
    static void CatchUp(Handover& handover, int frames, int channels);
    // Returns an engine for the caller to free (the stream's lock let go).
    std::unique_ptr<StretchEngine> FinishHandover(Handover handover);

    double TimelineFramesPerFrame() override { return m_pEngine->InputPerOutput(); }
    void PrepareJump(std::uint64_t frame) override;
    void WillBeHeard() override;
    // From inside the mix-time sync of a jump: the pass before ends where it left and the
    // stream holds for a count-in before the new position sounds (CountInHold.h). False for a
    // decoding stream or outside a sync.
    bool CountIn(int beats, double beatSeconds);

protected:
    int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) override;
    bool Seek(std::uint64_t frame, bool seamless) override;
    double HeldFrames() override;
    std::uint64_t SourceReadPosition() override;
    void CatchUp(HSYNC handle, std::uint64_t frame) override;
    void MixAfterChain(std::int16_t* dst, int frames) override { m_countIn.MixClicks(dst, frames); }

private:
    // Reads the source; what is taken goes into the engine, remembering which source frames.
    class SourceFeed final : public FrameSource {
    public:
        explicit SourceFeed(TempoStream& owner) : m_owner(owner) {}
        int Read(std::int16_t* dst, int frames, const RenderContext& ctx) override;
        void Take(std::uint64_t start, const std::int16_t* samples, int frames) override;
        std::uint64_t Position() override;
        bool AtEnd() override;

    private:
        TempoStream& m_owner;
    };
    void ResetStretcher();
    // Empties the record (and the engine), a pending handover's engine taking over first.
    void ClearInput();
    // Hands `engine` the tempo, rate and pitch, keeping what it applied.
    void ApplySettings(StretchEngine& engine);
    // Starts the engine again on the source audio it still held, with the new settings: what
    // it had made with the old ones is never heard.
    void Refill();
    // Reads a feed of the source into the engine, `done` frames into the block being produced;
    // returns the frames read.
    int ReadFeed(const RenderContext& ctx, int done);
    // Produces up to `frames` of the count-in's tail or hold, `offset` frames into the block.
    int ProduceCountIn(std::int16_t* dst, int frames, int offset);

    ChannelPtr m_pSource;
    SourceFeed m_feed;
    std::unique_ptr<StretchEngine> m_pEngine;
    float m_fTempo = 0.0f;  // percent change
    float m_fRate = 0.0f;   // Hz, 0: the source's own
    float m_fPitch = 0.0f;  // semitones

    StretcherInput m_input;  // every frame into and out of m_pEngine goes through here
    EngineHandover m_handover;
    bool m_bSourceDone = false;
    bool m_bFlushed = false;
    bool m_bRefill = false;  // the settings changed since the engine took its input
    CountInHold m_countIn;

    std::vector<std::int16_t> m_in;
    std::vector<float> m_outFloat;
    std::vector<float> m_silence;  // pushes a count-in's tail out of the engine
    int m_nTailSilence = 0;        // source frames of it pushed so far
};

}  // namespace audio::detail
