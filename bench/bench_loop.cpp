// Figures of what loop joins and the equaliser do to the sound:
//   bench_loop click SONG CAPTURE CROSSFADE_MS
//       loops a 0.5 s region of SONG (from 60 s on) twenty times at the normal tempo, as the
//       loop editor does (a mix-time position sync that sets the position back to the region's
//       start), with the output going to SDL's disk driver writing CAPTURE; prints the largest
//       sample step heard within 10 ms of a join divided by the largest step of the region's
//       own music (above 1: the joins are the loudest clicks)
//   bench_loop dip FOLDER
//       loops a held 440 Hz tone and a held three-note chord over 20 loop lengths that meet the
//       held sound at every phase, at the normal tempo and at 75 %, through SDL's disk driver;
//       prints the deepest 1 ms peak heard, relative to the sound's own played straight (1.0:
//       no join dips), for each, and the lowest of them
//   bench_loop join-time SONG PREPARE
//       loops a 0.5 s region of SONG (from 30 minutes on) twenty times at 75 % tempo and prints
//       the longest time a loop join took on the thread that produces the audio, in ms; with
//       PREPARE 0 the loop's start is not named ahead (the jump seeks the decoder)
//   bench_loop eq-noise WAV
//       writes a -40 dBFS 1 kHz tone to WAV, plays it through the nine equaliser bands at +1 dB
//       and prints the noise the bands add, in dBFS (the RMS of what is left around the tone,
//       less the tone's own quantisation noise)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "audio/Audio.h"
#include "support/LoopSweep.h"
#include "support/TestAudio.h"

namespace {

constexpr int kRate = 44100;

// The largest step between neighbouring samples of one channel, over interleaved stereo.
int LargestStep(const std::vector<std::int16_t>& s, std::size_t fromFrame, std::size_t toFrame) {
    int largest = 0;
    for (std::size_t i = fromFrame + 1; i < toFrame; ++i)
        for (std::size_t c = 0; c < 2; ++c)
            largest = std::max(largest, std::abs(int(s[2 * i + c]) - int(s[2 * i - 2 + c])));
    return largest;
}

// Reads `samples` whole from a decoding channel; false when it ends first.
bool ReadWhole(audio::DWORD h, std::vector<std::int16_t>& samples) {
    std::size_t done = 0;
    while (done < samples.size()) {
        const audio::DWORD got = audio::ChannelGetData(h, samples.data() + done,
                                                       audio::DWORD((samples.size() - done) * 2));
        if (got == audio::DWORD(-1) || got == 0) return false;
        done += got / 2;
    }
    return true;
}

void LoopSync(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    audio::ChannelSetPosition(channel, *static_cast<audio::QWORD*>(user));
}

double LoopClick(const char* song, const char* capture, int crossfadeMs) {
    constexpr audio::QWORD kStartFrame = 60 * kRate;
    constexpr audio::QWORD kEndFrame = kStartFrame + kRate / 2;
    constexpr int kPasses = 20;
    // The region's own music, decoded exactly.
    const audio::HSTREAM decoder = audio::StreamCreateFile(false, song, 0, 0, audio::STREAM_DECODE);
    if (!decoder) bench::Fail("StreamCreateFile");
    if (!audio::ChannelSetPosition(decoder, kStartFrame * 4)) bench::Fail("ChannelSetPosition");
    std::vector<std::int16_t> region((kEndFrame - kStartFrame) * 2);
    if (!ReadWhole(decoder, region)) bench::Fail("reading the region");
    audio::StreamFree(decoder);
    const int musicStep = LargestStep(region, 0, region.size() / 2);

    audio::SetConfig(audio::CONFIG_LOOP_CROSSFADE, audio::DWORD(crossfadeMs));
    if (!audio::Init(-1, kRate, 0, nullptr, nullptr)) bench::Fail("Init");
    const audio::HSTREAM source = audio::StreamCreateFile(false, song, 0, 0, audio::STREAM_DECODE);
    const audio::HSTREAM stream = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
    if (!stream) bench::Fail("FX_TempoCreate");
    audio::QWORD start = kStartFrame * 4;
    if (!audio::ChannelSetSync(stream, audio::SYNC_POS | audio::SYNC_MIXTIME, kEndFrame * 4,
                               &LoopSync, &start))
        bench::Fail("ChannelSetSync");
    audio::ChannelSetPosition(stream, start);
    if (!audio::ChannelPlay(stream, false)) bench::Fail("ChannelPlay");
    std::this_thread::sleep_for(std::chrono::milliseconds(500 * kPasses + 300));
    audio::Free();

    const std::vector<std::int16_t> heard = test_audio::ReadRawSamples(capture);
    // The first sound is the region's start; each pass after it begins one region later, give or
    // take what the stretcher shifts: the largest step within 10 ms of each join.
    std::size_t first = 0;
    while (first < heard.size() / 2 && heard[2 * first] == 0 && heard[2 * first + 1] == 0) ++first;
    const std::size_t pass = kEndFrame - kStartFrame;
    constexpr std::size_t kAround = kRate / 100;
    int joinStep = 0;
    for (int k = 1; k < kPasses; ++k) {
        const std::size_t join = first + k * pass;
        if (join + kAround > heard.size() / 2) bench::Fail("capturing the loop");
        joinStep = std::max(joinStep, LargestStep(heard, join - kAround, join + kAround));
    }
    return double(joinStep) / musicStep;
}

void LoopDip(const char* folder) {
    double lowest = 1e9;
    for (const auto& [name, sound] :
         {std::pair{"tone", test_audio::HeldTone()}, std::pair{"chord", test_audio::HeldChord()}}) {
        for (const float tempo : {0.0f, -25.0f}) {
            std::uint64_t late = 0;
            const double depth = test_audio::LoopJoinDepth(sound, tempo, 20, folder, late);
            if (depth < 0) bench::Fail("playing the loops");
            std::printf("%s %d %%: %.2f", name, int(100 + tempo), depth);
            if (late) std::printf(" (%llu frames late)", static_cast<unsigned long long>(late));
            std::printf(", ");
            lowest = std::min(lowest, depth);
        }
    }
    std::printf("lowest %.2f\n", lowest);
}

struct TimedLoop {
    audio::QWORD start = 0;
    double longestMs = 0;  // read once the layer is freed
    std::atomic<int> joins{0};
};

void TimedLoopSync(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    auto& loop = *static_cast<TimedLoop*>(user);
    const auto before = std::chrono::steady_clock::now();
    audio::ChannelSetPosition(channel, loop.start);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - before;
    loop.longestMs = std::max(loop.longestMs, took.count());
    ++loop.joins;
}

double LoopJoinTime(const char* song, bool prepare) {
    constexpr audio::QWORD kStartFrame = 30 * 60 * kRate;
    constexpr audio::QWORD kEndFrame = kStartFrame + kRate / 2;
    constexpr int kPasses = 20;
    if (!audio::Init(-1, kRate, 0, nullptr, nullptr)) bench::Fail("Init");
    const audio::HSTREAM source = audio::StreamCreateFile(false, song, 0, 0, audio::STREAM_DECODE);
    const audio::HSTREAM stream = audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
    if (!stream || !audio::FX_TempoSet(stream, -25, 0, 0)) bench::Fail("FX_TempoCreate");
    TimedLoop loop;
    loop.start = kStartFrame * 4;
    if (!audio::ChannelSetSync(stream, audio::SYNC_POS | audio::SYNC_MIXTIME, kEndFrame * 4,
                               &TimedLoopSync, &loop))
        bench::Fail("ChannelSetSync");
    if (prepare && !audio::ChannelSetJumpTarget(stream, loop.start))
        bench::Fail("ChannelSetJumpTarget");
    audio::ChannelSetPosition(stream, loop.start);
    if (!audio::ChannelPlay(stream, false)) bench::Fail("ChannelPlay");
    while (audio::ChannelIsActive(stream) == audio::ACTIVE_PLAYING) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (loop.joins.load() >= kPasses) break;
    }
    audio::Free();
    if (loop.joins < kPasses) bench::Fail("looping");
    return loop.longestMs;
}

// RMS of the left channel around the best-fitting 1 kHz sine (with an offset), in steps.
double ResidualAroundTone(const std::vector<std::int16_t>& s, std::size_t from) {
    const std::size_t n = s.size() / 2 - from;
    double m[3][3] = {}, r[3] = {};
    auto basis = [&](std::size_t i, double b[3]) {
        const double w = 2 * std::numbers::pi * 1000 * double(i) / kRate;
        b[0] = std::sin(w), b[1] = std::cos(w), b[2] = 1;
    };
    for (std::size_t i = from; i < from + n; ++i) {
        double b[3];
        basis(i, b);
        for (int j = 0; j < 3; ++j) {
            r[j] += b[j] * s[2 * i];
            for (int k = 0; k < 3; ++k) m[j][k] += b[j] * b[k];
        }
    }
    // Gaussian elimination of the 3x3 normal equations.
    for (int p = 0; p < 3; ++p)
        for (int q = p + 1; q < 3; ++q) {
            const double f = m[q][p] / m[p][p];
            for (int k = p; k < 3; ++k) m[q][k] -= f * m[p][k];
            r[q] -= f * r[p];
        }
    double c[3];
    for (int p = 2; p >= 0; --p) {
        double v = r[p];
        for (int k = p + 1; k < 3; ++k) v -= m[p][k] * c[k];
        c[p] = v / m[p][p];
    }
    double sum = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        double b[3];
        basis(i, b);
        const double e = s[2 * i] - (c[0] * b[0] + c[1] * b[1] + c[2] * b[2]);
        sum += e * e;
    }
    return std::sqrt(sum / double(n));
}

double EqNoiseDbfs(const char* wav) {
    test_audio::WriteWav(wav, kRate, 2,
                         test_audio::Sine(1000, kRate, 2, std::size_t(4 * kRate), 0.01));
    const audio::HSTREAM h = audio::StreamCreateFile(false, wav, 0, 0, audio::STREAM_DECODE);
    if (!h) bench::Fail("StreamCreateFile");
    std::vector<std::int16_t> in(std::size_t(4 * kRate) * 2);
    if (!ReadWhole(h, in)) bench::Fail("reading the tone");
    audio::ChannelSetPosition(h, 0);
    for (const float centre :
         {16000.f, 8000.f, 4000.f, 2000.f, 1000.f, 500.f, 250.f, 125.f, 80.f}) {
        const audio::HFX fx = audio::ChannelSetFX(h, audio::FX_PARAMEQ, 0);
        const audio::FXPARAMEQ p{centre, 12, 1};
        if (!fx || !audio::FXSetParameters(fx, &p)) bench::Fail("ChannelSetFX");
    }
    std::vector<std::int16_t> out(in.size());
    if (!ReadWhole(h, out)) bench::Fail("reading the equalised tone");
    audio::StreamFree(h);
    const double inNoise = ResidualAroundTone(in, kRate);
    const double outNoise = ResidualAroundTone(out, kRate);
    const double added = std::sqrt(std::max(1e-12, outNoise * outNoise - inNoise * inNoise));
    return 20 * std::log10(added / 32768);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "click" && argc == 5) {
        std::printf("%.2f\n", LoopClick(argv[2], argv[3], std::atoi(argv[4])));
    } else if (mode == "dip" && argc == 3) {
        LoopDip(argv[2]);
    } else if (mode == "join-time" && argc == 4) {
        std::printf("%.2f\n", LoopJoinTime(argv[2], std::atoi(argv[3]) != 0));
    } else if (mode == "eq-noise" && argc == 3) {
        std::printf("%.1f\n", EqNoiseDbfs(argv[2]));
    } else {
        std::fprintf(stderr,
                     "usage: %s click SONG CAPTURE CROSSFADE_MS | dip FOLDER | join-time SONG "
                     "PREPARE | eq-noise WAV\n",
                     argv[0]);
        return 2;
    }
    return 0;
}
