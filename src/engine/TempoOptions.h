#pragma once

#include <string>
#include <vector>

#include "audio/Audio.h"

// The time-stretching options of the tempo options file "FX.ini" in the data folder: section
// "FX", one key per option, named after the option. The file is only read, never written.

struct TempoOption {
    audio::DWORD option;  // audio::FX_TEMPO_OPTION_...
    int value;

    bool operator==(const TempoOption&) const = default;
};

// The options the file at `path` sets, in the order of the option numbers. Nothing when the path
// is not a regular file; a key that is missing or holds "<none>" sets nothing.
std::vector<TempoOption> ReadTempoOptions(const std::string& path);

// Sets the options of `path` on the tempo stream; the stream keeps the layer's defaults for the
// others. Refusals of the layer are ignored.
void ApplyTempoOptions(audio::HSTREAM stream, const std::string& path);

// "FX.ini" in the data folder.
std::string TempoOptionsPath();
