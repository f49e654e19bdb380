// What the player remembers of one song between runs: the settings a musician made on it, where
// it was left, and its named loops. Positions are byte positions of the song's playback stream,
// as the loop region holds them, so they do not depend on the tempo.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace memory {

constexpr int kRememberedEqBands = 9;

struct NamedLoop {
    std::string name;  // exactly as typed
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    bool operator==(const NamedLoop&) const = default;
};

// The speed trainer's values for the song: from `start` to `target` percent of its tempo, `step`
// percent at a time, each step held for `passes` passes of its loop; `countIn` beats counted in
// before every pass, or before the first only (0: none).
struct TrainerValues {
    int start = 70;
    int step = 5;
    int passes = 2;
    int target = 100;
    int countIn = 0;
    bool countInFirstOnly = false;
    bool operator==(const TrainerValues&) const = default;
};

// Everything but the play position, which changes all the time while the song plays and is
// remembered on a rhythm of its own.
struct SongSettings {
    int tempo = 100;  // percent
    int pitch = 0;    // hundredths of a semitone
    int vocal = 0;    // vocal reduction weight
    std::array<int, kRememberedEqBands> eqGains{};
    std::string eqPreset;  // the chosen preset's name; empty when none is chosen
    std::uint64_t loopStart = 0;
    std::uint64_t loopEnd = 0;  // 0 = no end marker
    std::vector<NamedLoop> namedLoops;
    double beat = 0;  // beats per minute at the song's own tempo; 0 = not known
    TrainerValues trainer;
    bool operator==(const SongSettings&) const = default;
};

struct SongMemory {
    SongSettings settings;
    std::uint64_t position = 0;
    std::string lastPath;
};

}  // namespace memory
