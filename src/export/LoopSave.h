// Saving the loop region: the render chain's blocks into the sink of the destination's format.
#pragma once

#include <string>

#include "export/RenderSettings.h"

class CPlaybackEngine;

// The output formats of a save, as the destination's name picks them (WriterFor).
enum class OutputWriter { Wav, Mp3, Aac, Mp4, M4a, Wma };

// Renders the loop region of the loaded song with `settings` into `destination` in the format
// `writer`: WAV carries every setting, AAC, MP4, M4A and WMA all but the equaliser, MP3 tempo,
// pitch and volume only. The choosers of the format are asked (the bitrate chooser before the
// song is decoded, the MP3 format chooser after); a cancelled one ends the save silently.
// Failures are shown to the user and end the save. True when the file was written whole.
bool SaveLoop(CPlaybackEngine& engine, const std::string& destination, OutputWriter writer,
              const RenderSettings& settings);
