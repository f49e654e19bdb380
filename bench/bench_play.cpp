// Plays a file through a tempo stream on the output device and reports one figure:
//   bench_play cpu FILE SECONDS      process CPU time / wall time while playing, in percent
//   bench_play rss FILE SECONDS      peak resident memory while playing, in MiB
//   bench_play latency FILE          milliseconds from ChannelPlay until the channel's
//                                    position (the audio heard now) first moves
// Tempo -20 % and pitch +2 semitones, as a musician practising would use them.
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "audio/Audio.h"

namespace {

audio::HSTREAM OpenTempoStream(const char* path) {
    const audio::HSTREAM source = audio::StreamCreateFile(false, path, 0, 0, audio::STREAM_DECODE);
    if (!source) bench::Fail("StreamCreateFile");
    const audio::HSTREAM tempo = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
    if (!tempo) bench::Fail("FX_TempoCreate");
    audio::FX_TempoSet(tempo, -20, 0, 2);
    return tempo;
}

void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s cpu|rss FILE SECONDS | latency FILE\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const double seconds = argc > 3 ? std::atof(argv[3]) : 1.0;
    if (!audio::Init(-1, 44100, 0, nullptr, nullptr)) bench::Fail("Init");
    const audio::HSTREAM stream = OpenTempoStream(argv[2]);

    if (mode == "latency") {
        SleepSeconds(0.3);  // let the device settle into its rhythm first
        const double start = bench::WallSeconds();
        if (!audio::ChannelPlay(stream, false)) bench::Fail("ChannelPlay");
        double moved = -1;
        while (bench::WallSeconds() - start < 2.0) {
            if (audio::ChannelGetPosition(stream) > 0) {
                moved = bench::WallSeconds() - start;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (moved < 0) bench::Fail("waiting for the first sound");
        std::printf("%.1f\n", moved * 1000.0);
    } else if (mode == "cpu" || mode == "rss") {
        if (!audio::ChannelPlay(stream, false)) bench::Fail("ChannelPlay");
        SleepSeconds(1.0);  // warm-up: first decode, buffers filled
        const double wall0 = bench::WallSeconds();
        const double cpu0 = bench::ProcessCpuSeconds();
        SleepSeconds(seconds);
        const double cpu = bench::ProcessCpuSeconds() - cpu0;
        const double wall = bench::WallSeconds() - wall0;
        if (audio::ChannelIsActive(stream) != audio::ACTIVE_PLAYING) bench::Fail("playing throughout");
        if (mode == "cpu")
            std::printf("%.2f\n", 100.0 * cpu / wall);
        else
            std::printf("%.1f\n", double(bench::PeakResidentKiB()) / 1024.0);
    } else {
        std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
        return 2;
    }
    audio::Free();
    return 0;
}
