#include "BenchSupport.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "audio/Audio.h"
#include "audio/StretchEngine.h"

namespace bench {

double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "%s failed (audio error %d)\n", what.c_str(), audio::ErrorGetCode());
    std::exit(1);
}

audio::DWORD StretcherFromEnvironment() {
    const char* name = std::getenv("QUORVEL_STRETCHER");
    if (!name || !*name) return audio::STRETCHER_SOUNDTOUCH;
    for (const audio::detail::StretchEngineKind& kind : audio::detail::StretchEngineKinds())
        if (std::string(kind.name) == name) return kind.kind;
    Fail(std::string("no stretch engine named ") + name);
}

}  // namespace bench
