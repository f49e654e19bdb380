// The song's beat as the player finds it, on its own thread: prints the seconds from the start
// of the search to its end, and the beat found (0 for none).
//   bench_beat SONG
#include <chrono>
#include <cstdio>
#include <thread>

#include "BenchSupport.h"
#include "practice/SongBeatReader.h"

int main(int argc, char** argv) {
    if (argc != 2) bench::Fail("usage: bench_beat SONG");
    CSongBeatReader reader;
    const double started = bench::WallSeconds();
    reader.Start(argv[1]);
    while (!reader.IsDone()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::printf("%.3f %.1f\n", bench::WallSeconds() - started, reader.Bpm().value_or(0));
    return 0;
}
