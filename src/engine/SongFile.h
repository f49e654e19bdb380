#pragma once

#include <string>
#include <string_view>

// A path holding ".mp4" anywhere (case-sensitive, folders included) is opened with the MP4
// container decoder; every other path with the general one.
bool UsesMp4Decoder(std::string_view path);

// The song title shown for a path: the part after its last '/', or the whole path.
std::string SongTitleOf(std::string_view path);
