#pragma once

#include <string>

class CPlaybackEngine;

// The writers of the compressed formats. Each renders the loop region like the WAV writer and
// hands the blocks to its encoder; failures are shown to the user and end the save. Each returns
// true when the file was written whole (not after a cancelled choice or a failure).

// MP3 through LAME, in the format the user picks in the MP3 format chooser: tempo, pitch and
// volume only (no vocal reduction, no equaliser); MPEG frames with nothing before them.
bool SaveMp3(CPlaybackEngine& engine, const std::string& destination);

// AAC (ADTS) or, with `extraOption` "-w", an MP4 file, through the faac program at the quality
// the user picks in the bitrate chooser: every setting but the equaliser.
bool SaveAac(CPlaybackEngine& engine, const std::string& destination,
             const std::string& extraOption);

// WMA at the bitrate the user picks: every setting but the equaliser. The encoder takes
// 44 100 Hz stereo, so the blocks are converted to it.
bool SaveWma(CPlaybackEngine& engine, const std::string& destination);

// The faac command line for a quality row's options, the extra option and the destination; the
// destination is quoted, with '"' and '\' inside it escaped.
std::string FaacCommandLine(const char* options, const std::string& extraOption,
                            const std::string& destination);
