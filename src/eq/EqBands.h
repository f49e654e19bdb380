// The equaliser's nine peaking bands on a stream, from 80 Hz to 16 kHz, an octave wide each.
#pragma once

#include <array>

#include "audio/Audio.h"
#include "eq/EqPreset.h"

constexpr float kEqBandwidth = 12;  // semitones

// Centre of each band in Hz, lowest band first: octaves down from 16 kHz, the lowest raised to
// 80 Hz.
std::array<float, kEqBandCount> EqBandCentres();

// Puts the nine bands on `stream`, created from the highest band down, each with its gain in dB
// (lowest band first). The handle of each band, lowest first; 0 for a band that could not be made.
std::array<audio::HFX, kEqBandCount> SetEqBands(audio::HSTREAM stream,
                                                const std::array<int, kEqBandCount>& gains);
