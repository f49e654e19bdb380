#pragma once

#include <string>

class CPlaybackEngine;
class QWidget;

// The Rip CD button (405): stops playback, then runs the Rip CD Track dialog over the main
// window until the user closes it.
void OnRipCD(CPlaybackEngine& engine);

// True when the open command converts `path` before loading it: its file name ends in ".cda",
// spelled so (a ".cda" elsewhere in the path, a folder's name, does not count).
bool IsCdTrackPath(const std::string& path);

// The open command's step for a CD track file (a chosen path containing ".cda", spelled so):
// converts the track to WAV in the folder $APPDATA (or the data folder's base when unset) under
// the track file's name with its last three characters made "wav", and returns that path, which
// is loaded as the song whatever the conversion's outcome.
std::string ConvertCdTrackForOpening(const std::string& chosen, QWidget* owner,
                                     CPlaybackEngine* engine);
