// How loud loop joins are heard, over loop lengths that meet a held sound at every phase: a held
// sound (a tone or a chord) is looped through the audio layer as the loop editor loops it, each
// pass a little longer than the one before, and the output is captured through SDL's disk
// driver. The deepest 1 ms peak of the looped output, relative to the deepest 1 ms peak of the
// same sound played straight through at the same tempo, is the figure: 1.0 and above means no
// join is heard as a dip, 0.2 a near-silent notch.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "audio/Audio.h"
#include "audio/AudioSystem.h"
#include "support/DiskCapture.h"
#include "support/TestAudio.h"

namespace test_audio {

struct HeldSound {
    struct Note {
        double hertz;
        double amplitude;  // share of full scale
    };
    std::vector<Note> notes;
    double LowestHertz() const {
        double lowest = notes.front().hertz;
        for (const Note& n : notes) lowest = std::min(lowest, n.hertz);
        return lowest;
    }
};

inline HeldSound HeldTone() { return {{{440.0, 0.6}}}; }
// C major with the root voiced loudest, as a played chord usually is: its notes never all cancel,
// so its 1 ms peaks stay well above silence, and a join that loses the root shows.
inline HeldSound HeldChord() { return {{{261.63, 0.35}, {329.63, 0.15}, {392.0, 0.1}}}; }

// `seconds` of the held sound, stereo at 44.1 kHz.
inline std::vector<std::int16_t> MakeHeldSound(const HeldSound& sound, double seconds) {
    constexpr int kRate = 44100;
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<std::int16_t> out(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        double v = 0;
        for (const HeldSound::Note& n : sound.notes)
            v += n.amplitude * std::sin(2 * std::numbers::pi * n.hertz * double(i) / kRate);
        out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(std::lround(32767 * v));
    }
    return out;
}

// The deepest of the 1 ms peaks (either channel) over frames [from, to).
inline int DeepestMillisecondPeak(const std::vector<std::int16_t>& s, std::size_t from,
                                  std::size_t to) {
    constexpr std::size_t kWindow = 44, kHop = 11;
    int deepest = 32768;
    for (std::size_t w = from; w + kWindow <= to && 2 * (w + kWindow) <= s.size(); w += kHop) {
        int peak = 0;
        for (std::size_t i = w; i < w + kWindow; ++i)
            peak = std::max({peak, std::abs(int(s[2 * i])), std::abs(int(s[2 * i + 1]))});
        deepest = std::min(deepest, peak);
    }
    return deepest;
}

namespace loop_sweep_detail {

struct Passes {
    std::vector<audio::QWORD> starts;  // byte position each pass starts at
    std::size_t next = 1;
};

inline void JumpBack(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    auto& passes = *static_cast<Passes*>(user);
    const std::size_t pass = std::min(passes.next, passes.starts.size() - 1);
    audio::ChannelSetPosition(channel, passes.starts[pass]);
    passes.next = pass + 1;
    // The next pass's start is named ahead, as the loop editor names a loop's start.
    audio::ChannelSetJumpTarget(channel, passes.starts[std::min(pass + 1, passes.starts.size() - 1)]);
}

// Plays `wav` through a tempo stream at `tempoChange` % into `capture`: straight from `from`
// for `seconds` when `passes` is null, else looped by `passes` up to the fixed end `end`.
// Returns the captured samples, empty on a failure of the layer.
inline std::vector<std::int16_t> Play(const std::string& wav, const std::string& capture,
                                      float tempoChange, audio::QWORD from, double seconds,
                                      Passes* passes, audio::QWORD end, std::uint64_t& late) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    if (!audio::Init(-1, 44100, 0, nullptr, nullptr)) return {};
    const std::uint64_t lateBefore = audio::detail::AudioSystem::Get().LateFrames();
    const audio::HSTREAM source =
        audio::StreamCreateFile(false, wav.c_str(), 0, 0, audio::STREAM_DECODE);
    const audio::HSTREAM stream = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
    bool ok = stream && audio::FX_TempoSet(stream, tempoChange, 0, 0) &&
              audio::ChannelSetPosition(stream, from);
    if (ok && passes) {
        ok = audio::ChannelSetSync(stream, audio::SYNC_POS | audio::SYNC_MIXTIME, end, &JumpBack,
                                   passes) != 0;
        audio::ChannelSetJumpTarget(stream, passes->starts[1]);
    }
    if (ok) ok = audio::ChannelPlay(stream, false);
    if (ok) PlayOutput(seconds + 0.3);
    late += audio::detail::AudioSystem::Get().LateFrames() - lateBefore;
    audio::Free();
    return ok ? ReadRawSamples(capture) : std::vector<std::int16_t>{};
}

inline std::size_t FirstSound(const std::vector<std::int16_t>& s) {
    std::size_t first = 0;
    while (2 * first < s.size() && std::abs(int(s[2 * first])) < 500) ++first;
    return first;
}

}  // namespace loop_sweep_detail

// The figure for `sound` at `tempoChange` % over `lengths` loop lengths, each a 1/lengths step
// of the sound's longest period longer than the last. Files go into `folder`; `late` counts the
// output frames the device played as silence because the mixer was late. Negative when the layer
// failed.
inline double LoopJoinDepth(const HeldSound& sound, float tempoChange, int lengths,
                            const std::string& folder, std::uint64_t& late) {
    using namespace loop_sweep_detail;
    constexpr int kRate = 44100, kFrameBytes = 4;
    const std::string wav = folder + "/held.wav", capture = folder + "/held.raw";
    WriteWav(wav, kRate, 2, MakeHeldSound(sound, 12.0));
    const double speed = 1.0 + tempoChange / 100.0;

    // Every pass ends at 10 s and starts a little earlier than the one before.
    const audio::QWORD endFrame = 10 * kRate;
    Passes passes;
    double sourceSeconds = 0;
    for (int k = 0; k <= lengths; ++k) {
        const double length = 0.25 + double(k) / lengths / sound.LowestHertz();
        passes.starts.push_back((endFrame - audio::QWORD(length * kRate)) * kFrameBytes);
        sourceSeconds += length;
    }
    // The sound played straight through, for its own depth: the deepest of its 1 ms peaks over
    // a second, which holds every way its notes meet.
    const std::vector<std::int16_t> straight =
        Play(wav, capture, tempoChange, passes.starts.back(), 1.2, nullptr, 0, late);
    if (straight.empty()) return -1;
    const std::size_t s0 = FirstSound(straight) + kRate / 50;
    const int own = DeepestMillisecondPeak(straight, s0, s0 + kRate);

    // Looped.
    const double heardSeconds = sourceSeconds / speed;
    const std::vector<std::int16_t> looped = Play(wav, capture, tempoChange, passes.starts[0],
                                                  heardSeconds, &passes, endFrame * kFrameBytes,
                                                  late);
    if (looped.empty() || passes.next < passes.starts.size()) return -1;
    const std::size_t l0 = FirstSound(looped) + kRate / 50;
    const auto l1 = l0 + static_cast<std::size_t>((heardSeconds - 0.2) * kRate);
    return double(DeepestMillisecondPeak(looped, l0, l1)) / std::max(own, 1);
}

}  // namespace test_audio
