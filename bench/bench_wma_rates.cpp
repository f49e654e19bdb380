// The measurement behind the WMA bitrate list: encodes the first 60 s of FILE, at the file's own
// rate and channel count, at each usual bitrate, and prints per bitrate the file's bitrate and the
// bitrate the coded audio carries (the file less the 'N' bytes the encoder fills frames with once
// it has nothing left to code), each with its difference from the request. A bitrate belongs in
// the list when both differences stay within 10 %.
// Usage: bench_wma_rates FILE [WORK_FOLDER]
// Other rates and channel counts: convert first, e.g.
//   ffmpeg -i song.ogg -t 60 -ar 32000 -ac 1 song-32k-mono.wav
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "audio/Audio.h"
#include "audio/WmaFileEncoder.h"

namespace {

// Bytes of runs of four or more 'N' (the encoder's fill; coded data hardly ever holds such runs).
std::size_t FillBytes(const std::string& file) {
    std::size_t fill = 0, run = 0;
    for (char c : file) {
        if (c == 'N') {
            ++run;
            continue;
        }
        if (run >= 4) fill += run;
        run = 0;
    }
    return run >= 4 ? fill + run : fill;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [WORK_FOLDER]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path work =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    const audio::HSTREAM stream =
        audio::StreamCreateFile(false, argv[1], 0, 0, audio::STREAM_DECODE);
    if (!stream) bench::Fail("StreamCreateFile");
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(stream, &info);
    std::vector<char> pcm(std::size_t(info.freq) * info.chans * 2 * 60);
    std::size_t got = 0;
    while (got < pcm.size()) {
        const audio::DWORD n =
            audio::ChannelGetData(stream, pcm.data() + got, audio::DWORD(pcm.size() - got));
        if (n == audio::DWORD(-1) || n == 0) break;
        got += n;
    }
    audio::StreamFree(stream);
    pcm.resize(got);
    const double seconds = double(got) / (info.freq * info.chans * 2);

    std::printf("%u Hz, %u channel(s), %.1f s\n", info.freq, info.chans, seconds);
    std::printf("request  file kbps        coded kbps       list\n");
    const std::string out = (work / "bench-wma-rates.wma").string();
    for (int kbps : {24, 32, 40, 48, 64, 80, 96, 112, 128, 160, 192, 256, 320}) {
        int error = 0;
        auto encoder = audio::detail::WmaFileEncoder::Open(int(info.freq), int(info.chans),
                                                           kbps * 1000, out, error);
        if (!encoder) {
            std::printf("%4d     refused (error %d)\n", kbps, error);
            continue;
        }
        if (!encoder->Write(pcm.data(), pcm.size()) || !encoder->Close()) bench::Fail("write");
        std::ifstream in(out, std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), {});
        const double fileKbps = file.size() * 8 / seconds / 1000;
        const double codedKbps = (file.size() - FillBytes(file)) * 8 / seconds / 1000;
        const double fileOff = 100 * (fileKbps / kbps - 1), codedOff = 100 * (codedKbps / kbps - 1);
        const bool fits = fileOff > -10 && fileOff < 10 && codedOff > -10 && codedOff < 10;
        std::printf("%4d     %6.1f (%+5.1f%%)  %6.1f (%+5.1f%%)  %s\n", kbps, fileKbps, fileOff,
                    codedKbps, codedOff, fits ? "yes" : "no");
    }
    std::filesystem::remove(out);
    return 0;
}
