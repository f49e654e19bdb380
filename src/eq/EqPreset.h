// A named equaliser setting: the gain of each of the nine bands, lowest band first.
#pragma once

#include <array>
#include <string>

#include "engine/SoundSettings.h"  // kEqBandCount

constexpr int kMaxEqPresets = 100;
constexpr int kEqGainLimit = 15;  // dB either way

struct EqPreset {
    std::string name;
    std::array<int, kEqBandCount> gains{};
};
