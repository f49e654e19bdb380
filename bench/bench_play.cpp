// Plays a file through a tempo stream on the output device and reports one figure:
//   bench_play cpu FILE SECONDS [T]  process CPU time / wall time while playing, in percent
//                                    (at tempo change T %, -20 when not given)
//   bench_play rss FILE SECONDS      peak resident memory while playing, in MiB
//   bench_play latency FILE          milliseconds from ChannelPlay until the channel's
//                                    position (the audio heard now) first moves
//   bench_play change TONE CAPTURE   the longest of several pitch changes, in milliseconds,
//                                    from the call until the new pitch is heard; TONE is a
//                                    440 Hz tone, CAPTURE the file SDL's disk driver writes
// Tempo -20 % and pitch +2 semitones, as a musician practising would use them (the change
// figure plays at the normal tempo, so that a captured frame maps to a source frame), with the
// stretch engine QUORVEL_STRETCHER names (BenchSupport.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "audio/Audio.h"
#include "support/TestAudio.h"

namespace {

audio::HSTREAM OpenTempoStream(const char* path, float tempoPercent) {
    const audio::HSTREAM source = audio::StreamCreateFile(false, path, 0, 0, audio::STREAM_DECODE);
    if (!source) bench::Fail("StreamCreateFile");
    const audio::HSTREAM tempo = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
    if (!tempo) bench::Fail("FX_TempoCreate");
    audio::FX_TempoSet(tempo, tempoPercent, 0, 2);
    return tempo;
}

void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Toggles the pitch of a playing 440 Hz tone between 0 and +12 semitones and finds each change
// in the capture: the first period after the call that has the new length.
double LongestChangeMs(audio::HSTREAM stream, const char* capturePath) {
    constexpr int kRate = 44100;
    constexpr int kChanges = 6;
    audio::FX_TempoSet(stream, 0, 0, 0);
    if (!audio::ChannelPlay(stream, false)) bench::Fail("ChannelPlay");
    std::vector<audio::QWORD> heardAt;  // source frame heard when each change was made
    for (int k = 0; k < kChanges; ++k) {
        SleepSeconds(0.4);
        heardAt.push_back(audio::ChannelGetPosition(stream) / 4);
        audio::FX_TempoSet(stream, -100, 0, k % 2 == 0 ? 12.0f : 0.0f);
    }
    SleepSeconds(0.4);
    audio::Free();
    const std::vector<std::int16_t> heard =
        test_audio::LeftChannel(test_audio::ReadRawSamples(capturePath));
    // The capture starts with the device's silence before the tone.
    const auto start = static_cast<std::size_t>(
        std::find_if(heard.begin(), heard.end(), [](std::int16_t v) { return v != 0; }) -
        heard.begin());
    double longest = 0;
    for (int k = 0; k < kChanges; ++k) {
        const bool higher = k % 2 == 0;  // 880 Hz: 50 frames a period; 440 Hz: 100
        const std::size_t from = start + heardAt[k];
        std::size_t previous = 0, found = 0;
        for (std::size_t i = from; i + 1 < heard.size() && !found; ++i) {
            if (!(heard[i] < 0 && heard[i + 1] >= 0)) continue;
            if (previous && ((i - previous < 75) == higher)) found = i;
            previous = i;
        }
        if (!found) bench::Fail("finding a pitch change in the capture");
        longest = std::max(longest, 1000.0 * double(found - from) / kRate);
    }
    return longest;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s cpu FILE SECONDS [TEMPO%%] | rss FILE SECONDS | latency FILE | "
                     "change TONE CAPTURE\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const double seconds = argc > 3 && mode != "change" ? std::atof(argv[3]) : 1.0;
    const float tempo = argc > 4 && mode == "cpu" ? std::strtof(argv[4], nullptr) : -20.0f;
    if (!audio::SetConfig(audio::CONFIG_STRETCHER, bench::StretcherFromEnvironment()))
        bench::Fail("SetConfig");
    if (!audio::Init(-1, 44100, 0, nullptr, nullptr)) bench::Fail("Init");
    const audio::HSTREAM stream = OpenTempoStream(argv[2], tempo);

    if (mode == "change") {
        if (argc < 4) bench::Fail("change needs the capture file's path");
        std::printf("%.1f\n", LongestChangeMs(stream, argv[3]));
        return 0;
    }
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
        if (audio::ChannelIsActive(stream) != audio::ACTIVE_PLAYING)
            bench::Fail("playing throughout");
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
