// The settings file Quorvel.ini in the data folder, which keeps the equaliser presets from one
// run to the next: section [EQPresets], keys Preset0 ... Preset99, each a quoted name and nine
// gains. A missing, unusable or nearly empty file is replaced by the default presets.
#pragma once

#include <string>
#include <vector>

#include "eq/EqPreset.h"

std::string PresetFilePath();

// Writes the default file when the one at `path` is missing, not a regular file, or too small to
// hold a preset. False when it had to be written and could not be.
bool EnsurePresetFile(const std::string& path);

// The presets of the file in the order of their key numbers. Values that are not a name and nine
// numbers are skipped; gains are clamped to the equaliser's range.
std::vector<EqPreset> ReadPresets(const std::string& path);

// Rewrites the file whole with the presets, numbered from 0 (other sections are dropped). The old
// file stays as it was if the new one cannot be written completely. False on failure.
bool WritePresets(const std::string& path, const std::vector<EqPreset>& presets);
