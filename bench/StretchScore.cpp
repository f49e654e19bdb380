#include "StretchScore.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

namespace bench {

namespace {

constexpr std::uint32_t kSeed = 20240611;  // noise of the drums and phases of the partials

// How a tone sounds: harmonic partials falling off as 1/k^rolloff, a linear attack, a flat
// sustain and a linear release.
struct Tone {
    int partials;
    double rolloff;
    double attack;   // seconds
    double release;  // seconds
    double level;    // peak amplitude of the sum of the partials
    double pan;      // -1 left .. +1 right (the pad spreads its notes by pitch instead)
};

Tone ToneOf(Instrument instrument) {
    switch (instrument) {
        case Instrument::Pad:
            return {6, 1.5, 0.060, 0.300, 0.07, 0.0};
        case Instrument::Lead:
            return {8, 1.0, 0.015, 0.120, 0.11, 0.2};
        default:
            return {5, 1.3, 0.008, 0.060, 0.20, 0.0};  // Bass
    }
}

bool IsDrum(Instrument instrument) {
    return instrument == Instrument::Kick || instrument == Instrument::Snare ||
           instrument == Instrument::Hat;
}

// Seconds a drum hit rings; the same at every tempo.
double DrumSeconds(Instrument instrument) {
    switch (instrument) {
        case Instrument::Kick:
            return 0.60;
        case Instrument::Snare:
            return 0.35;
        default:
            return 0.15;  // Hat
    }
}

double DrumPan(Instrument instrument) {
    return instrument == Instrument::Snare ? -0.1 : instrument == Instrument::Hat ? 0.35 : 0.0;
}

// A fixed sequence of numbers in [-1, 1) for each event: its noise and its phases.
struct Random {
    std::uint32_t state;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 23) - 1.0;
    }
};

// A one-pole low-pass filter at `hz`; High() gives what it takes away.
struct OnePole {
    double a;
    double y = 0;
    explicit OnePole(double hz) : a(1 - std::exp(-2 * std::numbers::pi * hz / kScoreRate)) {}
    double Low(double x) { return y += a * (x - y); }
    double High(double x) { return x - Low(x); }
};

// One drum hit, mono, from its start.
std::vector<float> DrumHit(Instrument instrument, Random random) {
    std::vector<float> out(std::size_t(DrumSeconds(instrument) * kScoreRate));
    OnePole lowA(1500), lowB(7000), highA(7000), highB(7000);
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kScoreRate;
        double v = 0;
        if (instrument == Instrument::Kick) {
            // A sine swept down from 160 Hz to 45 Hz, dying away.
            phase += 2 * std::numbers::pi * (45 + 115 * std::exp(-t / 0.04)) / kScoreRate;
            v = 0.55 * std::exp(-t / 0.14) * std::sin(phase);
        } else if (instrument == Instrument::Snare) {
            // Noise from 1.5 to 7 kHz over a short 185 Hz body.
            const double noise = lowB.Low(lowA.High(random.Next()));
            v = 0.55 * std::exp(-t / 0.07) * noise +
                0.12 * std::exp(-t / 0.05) * std::sin(2 * std::numbers::pi * 185 * t);
        } else {
            // Noise above 7 kHz, very short.
            v = 0.25 * std::exp(-t / 0.025) * highB.High(highA.High(random.Next()));
        }
        out[i] = float(v);
    }
    return out;
}

double NoteHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// One tone held for `held` seconds (then released), mono, from its start.
std::vector<float> ToneNote(const Tone& tone, int note, double held, Random random) {
    std::vector<float> out(std::size_t((held + tone.release) * kScoreRate));
    const double f0 = NoteHz(note);
    std::vector<double> phases, amplitudes;
    double sum = 0;
    for (int k = 1; k <= tone.partials && k * f0 < 0.45 * kScoreRate; ++k) {
        phases.push_back(std::numbers::pi * random.Next());
        amplitudes.push_back(std::pow(k, -tone.rolloff));
        sum += amplitudes.back();
    }
    // A note shorter than its attack is released from where the attack got to.
    const double heldLevel = std::min(1.0, held / tone.attack);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / kScoreRate;
        const double envelope = t < held ? std::min(1.0, t / tone.attack)
                                         : heldLevel * std::max(0.0, 1 - (t - held) / tone.release);
        double v = 0;
        for (std::size_t k = 0; k < phases.size(); ++k)
            v +=
                amplitudes[k] * std::sin(2 * std::numbers::pi * f0 * double(k + 1) * t + phases[k]);
        out[i] = float(tone.level * envelope * v / sum);
    }
    return out;
}

}  // namespace

Score MakeScore() {
    Score score{120, {}};
    // A beat of silence comes first, so that the first hit has room before it to be aligned.
    auto add = [&](int bar, double beat, double beats, Instrument instrument, int note = 0) {
        score.events.push_back({1 + bar * 4 + beat, beats, instrument, note});
    };
    // A bar of drums: kick on 1 and 3 (and the "and" of 3), snare on 2 and 4, hats on eighths.
    auto drums = [&](int bar, bool kickOnAndOfThree) {
        for (double beat : {0.0, 2.0}) add(bar, beat, 0, Instrument::Kick);
        if (kickOnAndOfThree) add(bar, 2.5, 0, Instrument::Kick);
        for (double beat : {1.0, 3.0}) add(bar, beat, 0, Instrument::Snare);
        for (int eighth = 0; eighth < 8; ++eighth) add(bar, eighth * 0.5, 0, Instrument::Hat);
    };
    // A chord held for most of the bar, and the bass on its root: 1, the "and" of 2, 3 (fifth)
    // and 4 (octave).
    auto harmony = [&](int bar, std::initializer_list<int> chord, int root) {
        for (int note : chord) add(bar, 0, 3.5, Instrument::Pad, note);
        add(bar, 0.0, 1.25, Instrument::Bass, root);
        add(bar, 1.5, 0.4, Instrument::Bass, root);
        add(bar, 2.0, 0.9, Instrument::Bass, root + 7);
        add(bar, 3.0, 0.75, Instrument::Bass, root + 12);
    };
    auto lead = [&](int bar, double beat, double beats, int note) {
        add(bar, beat, beats, Instrument::Lead, note);
    };

    drums(0, false);  // drums alone

    harmony(1, {57, 60, 64}, 45);  // A minor
    drums(1, false);
    lead(1, 0, 1.5, 76);
    lead(1, 1.5, 0.5, 74);
    lead(1, 2, 2, 72);

    harmony(2, {53, 57, 60}, 41);  // F major
    drums(2, true);
    lead(2, 0, 1, 69);
    lead(2, 1, 1, 72);
    lead(2, 2, 1.5, 77);
    lead(2, 3.5, 0.5, 76);

    harmony(3, {55, 60, 64}, 48);  // C major
    drums(3, false);
    lead(3, 0, 3, 76);
    lead(3, 3, 1, 79);

    // The break: drums alone, with a snare fill at its end.
    drums(4, true);
    for (double beat : {3.25, 3.5, 3.75}) add(4, beat, 0, Instrument::Snare);

    harmony(5, {55, 59, 62}, 43);  // G major
    drums(5, false);
    lead(5, 0, 1, 74);
    lead(5, 1, 1, 71);
    lead(5, 2, 2, 67);

    harmony(6, {57, 60, 64}, 45);  // A minor
    drums(6, true);
    lead(6, 0, 0.5, 72);
    lead(6, 0.5, 0.5, 71);
    lead(6, 1, 3, 69);

    // The last chord, held through the bar over one kick.
    for (int note : {57, 60, 64, 69}) add(7, 0, 4, Instrument::Pad, note);
    add(7, 0, 4, Instrument::Bass, 33);
    add(7, 0, 0, Instrument::Kick);
    return score;
}

std::vector<float> RenderScore(const Score& score, double tempo, ScoreParts parts) {
    const double secondsPerBeat = 60.0 / score.beatsPerMinute / tempo;
    struct Placed {
        long frame;
        std::vector<float> mono;
        double pan;
    };
    std::vector<Placed> placed;
    for (std::size_t i = 0; i < score.events.size(); ++i) {
        const ScoreEvent& e = score.events[i];
        const bool drum = IsDrum(e.instrument);
        if ((parts == ScoreParts::Notes && drum) || (parts == ScoreParts::Drums && !drum)) continue;
        // Seeded by the event's place in the score, so that it sounds the same in every render.
        const Random random{kSeed + std::uint32_t(i) * 7919u};
        const long frame = std::lround(e.beat * secondsPerBeat * kScoreRate);
        if (drum) {
            placed.push_back({frame, DrumHit(e.instrument, random), DrumPan(e.instrument)});
        } else {
            const Tone tone = ToneOf(e.instrument);
            const double pan = e.instrument == Instrument::Pad ? (e.note - 60) / 12.0 : tone.pan;
            placed.push_back(
                {frame, ToneNote(tone, e.note, e.beats * secondsPerBeat, random), pan});
        }
    }
    std::size_t frames = 0;
    for (const Placed& p : placed) frames = std::max(frames, p.frame + p.mono.size());
    frames += kScoreRate / 4;

    std::vector<float> out(frames * 2);
    for (const Placed& p : placed) {
        const double angle = (std::clamp(p.pan, -1.0, 1.0) + 1) * std::numbers::pi / 4;
        const float left = float(std::cos(angle) * std::numbers::sqrt2);
        const float right = float(std::sin(angle) * std::numbers::sqrt2);
        for (std::size_t i = 0; i < p.mono.size(); ++i) {
            out[2 * (p.frame + i)] += left * p.mono[i];
            out[2 * (p.frame + i) + 1] += right * p.mono[i];
        }
    }
    return out;
}

std::vector<long> DrumHitFrames(const Score& score, double tempo) {
    const double secondsPerBeat = 60.0 / score.beatsPerMinute / tempo;
    std::set<long> frames;
    for (const ScoreEvent& e : score.events)
        if (IsDrum(e.instrument)) frames.insert(std::lround(e.beat * secondsPerBeat * kScoreRate));
    return {frames.begin(), frames.end()};
}

std::vector<std::int16_t> ToPcm16(const std::vector<float>& samples) {
    std::vector<std::int16_t> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        out[i] = std::int16_t(std::clamp(std::lround(samples[i] * 32767.0), -32768L, 32767L));
    return out;
}

}  // namespace bench
