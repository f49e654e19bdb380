#include "audio/SongTags.h"

#include "audio/FfmpegHandles.h"

namespace audio {

namespace {

std::string TagOf(const AVFormatContext& format, const char* key) {
    // av_dict_get compares keys without regard to case: "TITLE" of a Vorbis comment is found.
    if (const AVDictionaryEntry* entry = av_dict_get(format.metadata, key, nullptr, 0))
        return entry->value;
    for (unsigned i = 0; i < format.nb_streams; ++i)
        if (const AVDictionaryEntry* entry =
                av_dict_get(format.streams[i]->metadata, key, nullptr, 0))
            return entry->value;
    return {};
}

}  // namespace

SongTags ReadSongTags(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return {};
    const detail::FormatContextPtr format(raw);
    return {TagOf(*format, "title"), TagOf(*format, "artist"), TagOf(*format, "album")};
}

}  // namespace audio
