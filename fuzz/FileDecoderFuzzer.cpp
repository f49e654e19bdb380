// The file decoder over arbitrary bytes: any container and codec the decoding library probes.
// The first byte picks the file's extension (some raw formats are probed by it) and the opening
// call; the rest is the file. A stream that opens is read, levelled, sought and read again, and
// its positions must stay inside its length.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "audio/Audio.h"

namespace {

constexpr const char* kExtensions[] = {".wav", ".mp3",  ".ogg",  ".flac", ".m4a", ".wma",
                                       ".aac", ".aiff", ".opus", ".mod",  ".s3m", ".xm",
                                       ".it",  ".mp2",  ".bin",  ""};
constexpr audio::DWORD kEnded = static_cast<audio::DWORD>(-1);

audio::DWORD OpenAs(int how, const std::string& path) {
    switch (how) {
        case 1:
            return audio::MP4_StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        case 2:
            return audio::WMA_StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        case 3:
            return audio::MusicLoad(false, path.c_str(), 0, 0, audio::MUSIC_DECODE, 44100);
        default:
            return audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    }
}

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Reads at most `limit` bytes; true at the end of the stream.
bool ReadSome(audio::DWORD stream, std::size_t limit) {
    std::vector<char> buffer(8192);
    std::size_t total = 0;
    while (total < limit) {
        const audio::DWORD got = audio::ChannelGetData(stream, buffer.data(), buffer.size());
        if (got == kEnded) return true;
        Check(got <= buffer.size(), "read more than asked");
        total += got;
        if (got == 0) break;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t choice = data[0];
    const std::string path =
        FuzzFolder::Write(std::string("input") + kExtensions[choice & 15], data + 1, size - 1);
    const int how = (choice >> 4) & 3;
    const audio::DWORD stream = OpenAs(how, path);
    if (!stream) {
        Check(audio::ErrorGetCode() != audio::ERROR_OK, "failed without an error code");
        return 0;
    }
    audio::CHANNELINFO info{};
    Check(audio::ChannelGetInfo(stream, &info) != 0, "no channel info");
    Check(info.chans >= 1 && info.freq > 0, "channel info without channels or rate");
    const audio::QWORD length = audio::ChannelGetLength(stream);
    Check(length != static_cast<audio::QWORD>(-1), "no length");
    Check(length % (2 * info.chans) == 0, "length not in whole frames");

    ReadSome(stream, 64 * 1024);
    (void)audio::ChannelGetLevel(stream);
    Check(audio::ChannelGetPosition(stream) <= length, "position beyond the length");

    // Back to a place inside the file chosen by its own bytes, then to the start.
    const audio::QWORD frame = 2 * info.chans;
    const audio::QWORD target =
        length ? (static_cast<audio::QWORD>(data[size / 2]) * length / 255) / frame * frame : 0;
    Check(audio::ChannelSetPosition(stream, target) != 0, "seek inside the length refused");
    Check(audio::ChannelGetPosition(stream) == target, "seek landed elsewhere");
    ReadSome(stream, 16 * 1024);
    (void)audio::ChannelGetLevel(stream);
    Check(audio::ChannelSetPosition(stream, 0) != 0, "seek to the start refused");
    ReadSome(stream, 16 * 1024);
    Check(audio::ChannelSetPosition(stream, length + frame) == 0, "seek beyond the end accepted");

    Check((how == 3 ? audio::MusicFree(stream) : audio::StreamFree(stream)) != 0, "free failed");
    return 0;
}
