// Decodes a whole file to 16-bit PCM through a decoding stream and prints the seconds it took.
// Usage: bench_decode FILE
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "audio/Audio.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const double start = bench::WallSeconds();
    const audio::HSTREAM stream = audio::StreamCreateFile(false, argv[1], 0, 0, audio::STREAM_DECODE);
    if (!stream) bench::Fail("StreamCreateFile");
    std::vector<char> block(64 * 1024);
    unsigned long long total = 0;
    for (;;) {
        const audio::DWORD got = audio::ChannelGetData(stream, block.data(), audio::DWORD(block.size()));
        if (got == audio::DWORD(-1) || got == 0) break;
        total += got;
    }
    audio::StreamFree(stream);
    const double elapsed = bench::WallSeconds() - start;
    std::printf("%.4f %llu\n", elapsed, total);
    return 0;
}
