#include "engine/SongFile.h"

bool UsesMp4Decoder(std::string_view path) {
    return path.find(".mp4") != std::string_view::npos;
}

std::string SongTitleOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}
