// The small text file that stands for one CD track ("Track01.cda"): two lines, "device=" with a
// drive of the list and "track=" with the track's number counted from 1. Such files come from
// anywhere (a folder the user browses, a download), so the reader trusts nothing in them.
#pragma once

#include <string>

namespace audio::detail {

// Track files are a few dozen bytes; anything larger is not one.
constexpr std::size_t kCdTrackFileMaxBytes = 4096;
constexpr int kCdMaxTrackNumber = 99;

struct CdTrackRef {
    std::string device;
    int track = 0;  // 1..99
};

// Reads and parses the track file at `path`. Returns ERROR_OK, ERROR_FILEOPEN (missing,
// unreadable, not a regular file) or ERROR_FILEFORM (too large, or not exactly the two lines
// with a non-empty device and a decimal track number 1..99; a line break may be CR LF).
int ReadCdTrackFile(const std::string& path, CdTrackRef& ref);

// Parses a track file's content (the same rules).
bool ParseCdTrackFile(const std::string& text, CdTrackRef& ref);

}  // namespace audio::detail
