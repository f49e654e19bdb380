// Small helpers shared by the benchmark programs: clocks, resource usage, failing loudly.
#pragma once

#include <cstdint>
#include <string>

#include "audio/Audio.h"

namespace bench {

double WallSeconds();          // monotonic clock
double ProcessCpuSeconds();    // user + system time of this process
long PeakResidentKiB();        // peak resident set size of this process
[[noreturn]] void Fail(const std::string& what);  // prints what and the audio error, exits 1
// The stretch engine named by QUORVEL_STRETCHER (classic, finer, faster; classic when unset):
// the benchmarks measure each engine with the same program.
audio::DWORD StretcherFromEnvironment();

}  // namespace bench
