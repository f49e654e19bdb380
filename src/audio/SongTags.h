// What a song file says about itself: the title, artist and album of its tags.
#pragma once

#include <string>

namespace audio {

struct SongTags {
    std::string title;
    std::string artist;
    std::string album;
};

// The tags of the file at `path` (UTF-8), from the container's own tags or, where it has none
// (Ogg and Opus keep them per stream), the first stream's. Empty where the file has no such tag
// or is no media file at all (a CD track file, a file gone). Reads only the file's header.
SongTags ReadSongTags(const std::string& path);

}  // namespace audio
