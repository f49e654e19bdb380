// Keeps drum hits as sharp as they were when the tempo changes. A phase vocoder stretches a hit
// with everything else: its attack is smeared over the analysis window, ahead of its time too,
// and its ring lasts as much longer as the song does, while a musician playing slower strikes the
// same hit. So the input's hits are found as they go in (the energy of a block's slope, which
// high frequencies dominate, jumping well above the blocks before it), and each comes out
// unstretched where the stretch puts its onset: the engine's output fades to the input 15 ms
// before it (where the engines smear it to), the input plays through the attack and the first
// part of the ring (the hold, as long as the engine smears it), and a fade of 10 ms returns to
// the engine's output.
//
// Only while the pitch is unchanged (the input's own audio would be heard at the wrong pitch),
// and only for hits that die away and stand out of what is under them: the fades mix the input
// with the engine's output, which holds the same notes at other phases. A hit is decided once
// all of its hold has gone in, and the engine holds back the output it changes until then, so
// that the output is the same however far ahead the engine is fed. Owned by an engine, which
// tells it where each input block lands in its output; nothing here allocates after
// construction.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace audio::detail {

class HitKeeper {
public:
    HitKeeper(int sampleRate, int channels, double holdSeconds = kDefaultHoldSeconds);
    static constexpr double kDefaultHoldSeconds = 0.080;

    // Input and output both start again at frame 0, after `lead` (the audio before them, oldest
    // first), which only tells the detector how loud things were.
    void Restart(const float* lead, int frames);
    // Whether hits are let through from now on (hits already begun end as they would).
    void SetActive(bool active) { m_active = active; }
    // The next `frames` input frames, the first of them standing for output frame `outputAt` and
    // each for `outputPerInput` output frames.
    void Feed(const float* samples, int frames, double outputAt, double outputPerInput);
    // The input has ended: hits still waiting for the rest of their hold are decided with what
    // went in.
    void Finish();
    // Output frames before this one may be taken: a hit is decided once all of its hold has gone
    // in, and the output it changes waits for that, so that what comes out does not depend on
    // how far ahead the engine was fed.
    long ReleasableBefore() const;
    // Lets the hits through in output frames [outputAt, outputAt + frames) of `output`.
    void Apply(float* output, int frames, std::size_t outputAt);

    // Hits found since the last restart, for tests.
    int HitsFound() const { return m_hitsFound; }

private:
    struct Hit {
        long input;   // input frame of the hit's onset
        long output;  // output frame that stands for it
        long begin;   // output frame the fade to the input begins at
        long end;     // output frame the fade back to the engine's output ends at (begin: none)
        bool decided;
    };

    void EndBlock();
    // Fixes how long `hit` holds the input, or that it is not let through.
    void Decide(Hit& hit, long hold) const;
    // Output frames [from, to) of the block from `outputAt` faded to the input and back.
    void ApplyHit(const Hit& hit, float* output, long from, long to, long outputAt) const;
    // The input frame where the hit found in the block from `blockStart` begins.
    long OnsetIn(long blockStart, double slopeBefore) const;
    // Mean power of input frames [from, from + frames), all channels together.
    double InputPower(long from, long frames) const;
    // Whether the input under both of the fades of `hit`, held `hold` frames, is quiet enough
    // beside its attack for the fades to go unheard.
    bool StandsOut(const Hit& hit, long hold) const;
    // An input frame still held (the lead's end included), or nullptr.
    const float* InputFrame(long input) const;

    const int m_nChannels;
    const int m_blockFrames;
    const int m_fadeInFrames;
    const int m_preFrames;
    const int m_holdFrames;
    const int m_fadeOutFrames;
    bool m_active = true;

    // The input's last m_ringFrames frames, the lead's end included: input frame i (negative in
    // the lead) is at ring frame m_leadFrames + i.
    std::vector<float> m_ring;
    long m_ringFrames;
    long m_leadFrames = 0;
    long m_fedFrames = 0;

    // The detector: the block being summed, and the levels of the blocks before it.
    static constexpr int kHistoryBlocks = 8;
    double m_blockEnergy = 0;
    double m_blockSlope = 0;
    int m_blockFill = 0;
    float m_lastSample = 0;
    std::array<double, kHistoryBlocks> m_energyHistory{};
    std::array<double, kHistoryBlocks> m_slopeHistory{};
    int m_historyAt = 0;
    long m_quietUntil = 0;       // input frame before which no new hit starts
    double m_blockOutputAt = 0;  // output frame of the current block's first input frame
    double m_outputPerInput = 1;
    bool m_recording = false;  // false while the lead goes through the detector

    static constexpr int kMaxHits = 16;
    std::array<Hit, kMaxHits> m_hits{};
    int m_firstHit = 0;
    int m_hitCount = 0;
    int m_hitsFound = 0;
    bool m_started = false;  // the first hit has had output from its begin
};

}  // namespace audio::detail
