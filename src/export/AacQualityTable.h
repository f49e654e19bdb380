#pragma once

// The AAC qualities offered when saving or ripping to AAC, MP4 or M4A: the bitrate the chooser
// shows, and the encoder options that make files of about that bitrate.
struct AacQualityRow {
    int nShownKbps;
    const char* szOptions;
};

inline constexpr AacQualityRow AacQualityTable[] = {
    {218, "-q 130 -c 22000 --mpeg-vers 4"}, {194, "-q 120 -c 20000 --mpeg-vers 4"},
    {158, "-q 110 -c 18000 --mpeg-vers 4"}, {129, "-q 100 -c 16000 --mpeg-vers 4"},
    {103, "-q 90 -c 14000 --mpeg-vers 4"},  {79, "-q 80 -c 12000 --mpeg-vers 4"},
    {62, "-q 70 -c 10000 --mpeg-vers 4"},
};
inline constexpr int kAacQualityRows = sizeof AacQualityTable / sizeof AacQualityTable[0];
