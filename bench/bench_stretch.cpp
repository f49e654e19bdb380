// Renders a file through a decoding tempo stream (tempo and pitch changed) into a WAV file and
// prints the seconds it took. Usage: bench_stretch IN OUT.wav TEMPO_PERCENT PITCH_SEMITONES
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "audio/Audio.h"

namespace {

void PutLe(std::FILE* f, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(int((value >> (8 * i)) & 0xff), f);
}

void WriteWavHeader(std::FILE* f, std::uint32_t rate, std::uint32_t chans, std::uint32_t data) {
    std::fwrite("RIFF", 1, 4, f);
    PutLe(f, 36 + data, 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutLe(f, 16, 4);
    PutLe(f, 1, 2);
    PutLe(f, chans, 2);
    PutLe(f, rate, 4);
    PutLe(f, rate * chans * 2, 4);
    PutLe(f, chans * 2, 2);
    PutLe(f, 16, 2);
    std::fwrite("data", 1, 4, f);
    PutLe(f, data, 4);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s IN OUT.wav TEMPO_PERCENT PITCH_SEMITONES\n", argv[0]);
        return 2;
    }
    const double start = bench::WallSeconds();
    const audio::HSTREAM source = audio::StreamCreateFile(false, argv[1], 0, 0, audio::STREAM_DECODE);
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
    WriteWavHeader(out, info.freq, info.chans, 0);
    std::vector<char> block(64 * 1024);
    std::uint32_t total = 0;
    for (;;) {
        const audio::DWORD got = audio::ChannelGetData(tempo, block.data(), audio::DWORD(block.size()));
        if (got == audio::DWORD(-1) || got == 0) break;
        std::fwrite(block.data(), 1, got, out);
        total += got;
    }
    std::fseek(out, 0, SEEK_SET);
    WriteWavHeader(out, info.freq, info.chans, total);
    std::fclose(out);
    audio::StreamFree(tempo);
    std::printf("%.4f %u\n", bench::WallSeconds() - start, total);
    return 0;
}
