// Renders a file through a decoding tempo stream (tempo and pitch changed) into a WAV file and
// prints the seconds it took. Usage: bench_stretch IN OUT.wav TEMPO_PERCENT PITCH_SEMITONES
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "audio/Audio.h"
#include "support/TestAudio.h"

namespace {

// The 44-byte header of 16-bit PCM: written with a length of 0 first, then again over it once
// the length of the data is known.
void WriteWavHeader(std::FILE* f, int rate, int channels, std::uint32_t dataBytes) {
    const std::string header = test_audio::WavBytes(rate, channels, {}, dataBytes);
    std::fwrite(header.data(), 1, header.size(), f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s IN OUT.wav TEMPO_PERCENT PITCH_SEMITONES\n", argv[0]);
        return 2;
    }
    const double start = bench::WallSeconds();
    const audio::HSTREAM source =
        audio::StreamCreateFile(false, argv[1], 0, 0, audio::STREAM_DECODE);
    if (!source) bench::Fail("StreamCreateFile");
    const audio::HSTREAM tempo =
        audio::FX_TempoCreate(source, audio::FX_FREESOURCE | audio::STREAM_DECODE);
    if (!tempo) bench::Fail("FX_TempoCreate");
    if (!audio::FX_TempoSet(tempo, std::strtof(argv[3], nullptr), 0, std::strtof(argv[4], nullptr)))
        bench::Fail("FX_TempoSet");
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(tempo, &info);

    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) bench::Fail("opening the output");
    WriteWavHeader(out, int(info.freq), int(info.chans), 0);
    std::vector<char> block(64 * 1024);
    std::uint32_t total = 0;
    for (;;) {
        const audio::DWORD got =
            audio::ChannelGetData(tempo, block.data(), audio::DWORD(block.size()));
        if (got == audio::DWORD(-1) || got == 0) break;
        std::fwrite(block.data(), 1, got, out);
        total += got;
    }
    std::fseek(out, 0, SEEK_SET);
    WriteWavHeader(out, int(info.freq), int(info.chans), total);
    std::fclose(out);
    audio::StreamFree(tempo);
    std::printf("%.4f %u\n", bench::WallSeconds() - start, total);
    return 0;
}
