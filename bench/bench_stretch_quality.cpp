// How good each time-stretch engine sounds, beside soundstretch and rubberband: a score is
// rendered at normal tempo (the input) and natively at 50 % and 75 % (the references), the input
// is stretched by every engine through the tempo stream (as a save renders it) and by the peer
// tools, and each output is measured against the reference. Every file is left in WORKDIR to be
// listened to. Usage: bench_stretch_quality WORKDIR [--score PERCENT FILE...]
//   stretch-quality-check: the figure of the input itself and of two poor stretches, at 50 %
//   stretch-quality-50, -75: log-spectral distance from the reference, dB (lower is closer)
//   transient-50: sharpness of the drum hits beside the reference's (1.0: as sharp)
//   held-tone-50, -100: the quietest 10 ms of held pure tones beside their level (1.0: steady),
//   which a phase vocoder may waver on or lose level on where music hides it
// With --score, only the given stretches of WORKDIR/input.wav to PERCENT (50 or 75) are measured
// (another tool's or setting's, say), a line each.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "StretchMetrics.h"
#include "StretchScore.h"
#include "audio/Audio.h"
#include "audio/StretchEngine.h"
#include "support/TestAudio.h"

extern char** environ;

namespace {

using bench::kScoreRate;

// Engines and tools start after delays of their own, which the alignment takes out.
constexpr long kMaxLag = kScoreRate / 5;

struct Output {
    std::string name;
    bool peer;
    std::vector<float> mono;
};

// Everything a decoding channel gives, 16-bit interleaved stereo at the score's rate.
std::vector<std::int16_t> ReadAll(audio::DWORD channel, const std::string& what) {
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(channel, &info);
    if (info.freq != audio::DWORD(kScoreRate) || info.chans != 2) bench::Fail(what + " format");
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> block(32 * 1024);
    for (;;) {
        const audio::DWORD got = audio::ChannelGetData(channel, block.data(), block.size() * 2);
        if (got == audio::DWORD(-1) || got == 0) break;
        samples.insert(samples.end(), block.begin(), block.begin() + got / 2);
    }
    return samples;
}

std::vector<std::int16_t> Decode(const std::string& path) {
    const audio::HSTREAM stream =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!stream) bench::Fail("StreamCreateFile " + path);
    std::vector<std::int16_t> samples = ReadAll(stream, path);
    audio::StreamFree(stream);
    return samples;
}

// The input through a tempo stream of engine `kind`, `percent` of normal tempo.
std::vector<std::int16_t> StretchWithEngine(audio::DWORD kind, const std::string& input,
                                            int percent) {
    if (!audio::SetConfig(audio::CONFIG_STRETCHER, kind)) bench::Fail("SetConfig");
    const audio::HSTREAM source =
        audio::StreamCreateFile(false, input.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!source) bench::Fail("StreamCreateFile");
    const audio::HSTREAM tempo =
        audio::FX_TempoCreate(source, audio::FX_FREESOURCE | audio::STREAM_DECODE);
    if (!tempo) bench::Fail("FX_TempoCreate");
    if (!audio::FX_TempoSet(tempo, float(percent - 100), 0, 0)) bench::Fail("FX_TempoSet");
    std::vector<std::int16_t> samples = ReadAll(tempo, "tempo stream");
    audio::StreamFree(tempo);
    return samples;
}

// Runs a peer tool to its end, its chatter silenced.
void RunTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    const bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(pid, &status, 0) == pid;
    posix_spawn_file_actions_destroy(&actions);
    if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
}

// A poor stretch: the input read slower by linear interpolation, so its pitch falls too.
std::vector<float> Resampled(std::span<const float> input, std::size_t frames) {
    std::vector<float> out(frames);
    const double step = double(input.size() - 1) / double(frames - 1);
    for (std::size_t i = 0; i < frames; ++i) {
        const double at = double(i) * step;
        const std::size_t j = std::min(std::size_t(at), input.size() - 2);
        out[i] = float(input[j] + (at - double(j)) * (input[j + 1] - input[j]));
    }
    return out;
}

// Another: Hann grains of 2048 frames laid out at a quarter grain (where they sum to 2) and read
// at `tempo` times that, with no search for where the waveforms match.
std::vector<float> NaiveOverlapAdd(std::span<const float> input, double tempo) {
    constexpr std::size_t kGrain = 2048, kOutHop = kGrain / 4;
    const std::size_t frames = std::size_t(double(input.size()) / tempo);
    std::vector<float> out(frames + kGrain);
    for (std::size_t j = 0; j * kOutHop < frames; ++j) {
        const std::size_t in = std::size_t(std::lround(double(j * kOutHop) * tempo));
        for (std::size_t i = 0; i < kGrain && in + i < input.size(); ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / kGrain);
            out[j * kOutHop + i] += float(w * input[in + i] / 2);
        }
    }
    out.resize(frames);
    return out;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The outputs of every engine and peer at `percent` of normal tempo, in the order printed.
// Each is left in `dir` as PREFIX + its name + "-PERCENT.wav".
std::vector<Output> Stretch(const std::string& dir, const std::string& input, int percent,
                            const std::string& prefix = "") {
    std::vector<Output> outputs;
    const std::string suffix = "-" + std::to_string(percent) + ".wav";
    for (const audio::detail::StretchEngineKind& kind : audio::detail::StretchEngineKinds()) {
        const std::string name = Lower(kind.name);
        const std::vector<std::int16_t> samples = StretchWithEngine(kind.kind, input, percent);
        test_audio::WriteWav(dir + "/" + prefix + name + suffix, kScoreRate, 2, samples);
        outputs.push_back({name, false, bench::MonoMix(samples)});
    }

    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.6f", 100.0 / percent);
    const std::string tempo = "-tempo=" + std::to_string(percent - 100);
    const struct {
        const char* name;
        const char* file;
        std::vector<std::string> args;
    } peers[] = {
        {"soundstretch", "soundstretch", {"soundstretch", "IN", "OUT", tempo}},
        {"rubberband", "rubberband", {"rubberband", "-t", ratio, "IN", "OUT"}},
        {"rubberband --fine",
         "rubberband-fine",
         {"rubberband", "--fine", "-t", ratio, "IN", "OUT"}},
    };
    for (const auto& peer : peers) {
        const std::string out = dir + "/" + prefix + peer.file + suffix;
        std::vector<std::string> args = peer.args;
        std::replace(args.begin(), args.end(), std::string("IN"), input);
        std::replace(args.begin(), args.end(), std::string("OUT"), out);
        RunTool(args);
        outputs.push_back({peer.name, true, bench::MonoMix(Decode(out))});
    }
    return outputs;
}

// "name figure unit, ..." with a semicolon between our engines and the peers.
std::string Figures(const std::vector<Output>& outputs, const std::vector<double>& figures,
                    const char* format) {
    std::string line;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        char figure[32];
        std::snprintf(figure, sizeof figure, format, figures[i]);
        if (i > 0) line += outputs[i].peer && !outputs[i - 1].peer ? "; " : ", ";
        line += outputs[i].name + " " + figure;
    }
    return line;
}

std::vector<float> Mono(const bench::Score& score, double tempo, bench::ScoreParts parts) {
    return bench::MonoMix(bench::ToPcm16(bench::RenderScore(score, tempo, parts)));
}

// The drum hits of the score played at `tempo` that the notes leave exposed.
std::vector<long> ExposedHitsAt(const bench::Score& score, double tempo) {
    return bench::ExposedHits(bench::DrumHitFrames(score, tempo),
                              Mono(score, tempo, bench::ScoreParts::Drums),
                              Mono(score, tempo, bench::ScoreParts::Notes));
}

double Distance(std::span<const float> output, std::span<const float> reference) {
    const long lag = bench::AlignmentLag(output, reference, kMaxLag);
    return bench::LogSpectralDistanceDb(output, reference, lag);
}

// The score played natively at `percent` of its tempo, written to the work folder.
std::vector<float> Reference(const bench::Score& score, const std::string& dir, int percent) {
    const std::vector<std::int16_t> pcm =
        bench::ToPcm16(bench::RenderScore(score, percent / 100.0));
    test_audio::WriteWav(dir + "/reference-" + std::to_string(percent) + ".wav", kScoreRate, 2,
                         pcm);
    return bench::MonoMix(pcm);
}

struct Measured {
    std::string distances, sharpness;
};

// Every engine and peer at `percent` of normal tempo against `reference`.
Measured MeasureAt(const bench::Score& score, const std::string& dir, const std::string& input,
                   int percent, std::span<const float> reference) {
    const double tempo = percent / 100.0;
    const std::vector<Output> outputs = Stretch(dir, input, percent);
    const std::vector<long> hits = ExposedHitsAt(score, tempo);
    std::vector<double> distances, sharpness;
    for (const Output& out : outputs) {
        const long lag = bench::AlignmentLag(out.mono, reference, kMaxLag);
        distances.push_back(bench::LogSpectralDistanceDb(out.mono, reference, lag));
        sharpness.push_back(bench::TransientSharpness(out.mono, reference, lag, hits));
    }
    return {Figures(outputs, distances, "%.1f dB"), Figures(outputs, sharpness, "%.2f")};
}

// The figures of stretches made elsewhere, against the reference at `tempo`.
void ScoreFiles(const bench::Score& score, double tempo, std::span<const float> reference,
                std::span<char*> files) {
    const std::vector<long> hits = ExposedHitsAt(score, tempo);
    for (const char* file : files) {
        const std::vector<float> mono = bench::MonoMix(Decode(file));
        const long lag = bench::AlignmentLag(mono, reference, kMaxLag);
        std::printf("%s: %.2f dB, transient %.2f\n", file,
                    bench::LogSpectralDistanceDb(mono, reference, lag),
                    bench::TransientSharpness(mono, reference, lag, hits));
    }
}

// Held pure tones as played at `tempo`: each of kHeldHz for kHeldSeconds with 20 ms attacks and
// releases, half a second apart, and the spans of frames where each holds its level (its first
// and last quarter second left out, where engines may still be starting or ending it).
constexpr double kHeldHz[] = {220, 490, 880};
constexpr double kHeldSeconds = 2.0, kHeldGapSeconds = 0.5, kHeldAmplitude = 0.25;

std::vector<float> HeldTones(double tempo, std::vector<std::pair<long, long>>& spans) {
    const long edge = kScoreRate / 50, held = std::lround(kScoreRate * kHeldSeconds / tempo),
               gap = std::lround(kScoreRate * kHeldGapSeconds / tempo), quarter = kScoreRate / 4;
    std::vector<float> stereo;
    spans.clear();
    for (const double hz : kHeldHz) {
        stereo.resize(stereo.size() + 2 * std::size_t(gap), 0.0f);
        const long start = long(stereo.size() / 2);
        for (long i = 0; i < held; ++i) {
            const double rise = std::min({1.0, double(i) / edge, double(held - i) / edge});
            const float v = float(kHeldAmplitude * rise *
                                  std::sin(2 * std::numbers::pi * hz * double(i) / kScoreRate));
            stereo.push_back(v);
            stereo.push_back(v);
        }
        spans.emplace_back(start + quarter, start + held - quarter);
    }
    stereo.resize(stereo.size() + 2 * std::size_t(gap), 0.0f);
    return stereo;
}

// The held-tone line at `percent` of normal tempo, for every engine and peer.
std::string HeldToneFigures(const std::string& dir, int percent) {
    std::vector<std::pair<long, long>> spans;
    const std::string input = dir + "/held.wav";
    test_audio::WriteWav(input, kScoreRate, 2, bench::ToPcm16(HeldTones(1.0, spans)));
    const std::vector<float> reference =
        bench::MonoMix(bench::ToPcm16(HeldTones(percent / 100.0, spans)));
    const std::vector<Output> outputs = Stretch(dir, input, percent, "held-");
    std::vector<double> steadiness;
    for (const Output& out : outputs) {
        const long lag = bench::AlignmentLag(out.mono, reference, kMaxLag);
        steadiness.push_back(
            bench::HeldToneSteadiness(out.mono, lag, spans, kHeldAmplitude / std::numbers::sqrt2));
    }
    return Figures(outputs, steadiness, "%.2f");
}

}  // namespace

int main(int argc, char** argv) {
    const bool scoring = argc > 4 && std::string(argv[2]) == "--score";
    if (argc != 2 && !scoring) {
        std::fprintf(stderr, "usage: %s WORKDIR [--score PERCENT FILE...]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    const bench::Score score = bench::MakeScore();
    const std::string input = dir + "/input.wav";
    const std::vector<std::int16_t> inputPcm = bench::ToPcm16(bench::RenderScore(score, 1.0));
    test_audio::WriteWav(input, kScoreRate, 2, inputPcm);
    const std::vector<float> inputMono = bench::MonoMix(inputPcm);

    if (scoring) {
        const int percent = std::atoi(argv[3]);
        ScoreFiles(score, percent / 100.0, Reference(score, dir, percent),
                   std::span(argv + 4, argc - 4));
        return 0;
    }
    const std::vector<float> reference50 = Reference(score, dir, 50);
    const std::vector<float> reference75 = Reference(score, dir, 75);

    // The metric itself: nothing for the input against itself, and clearly more for a plain
    // resampling and for grains laid out without regard to their waveforms.
    const std::vector<float> resampled = Resampled(inputMono, reference50.size());
    const std::vector<float> naive = NaiveOverlapAdd(inputMono, 0.5);
    test_audio::WriteWav(dir + "/resampled-50.wav", kScoreRate, 1, bench::ToPcm16(resampled));
    test_audio::WriteWav(dir + "/naive-ola-50.wav", kScoreRate, 1, bench::ToPcm16(naive));
    std::printf(
        "stretch-quality-check: self %.2f dB, resampled %.1f dB, naive-ola %.1f dB (50 %%)\n",
        Distance(inputMono, inputMono), Distance(resampled, reference50),
        Distance(naive, reference50));

    const Measured half = MeasureAt(score, dir, input, 50, reference50);
    const Measured threeQuarters = MeasureAt(score, dir, input, 75, reference75);
    std::printf("stretch-quality-50: %s\n", half.distances.c_str());
    std::printf("stretch-quality-75: %s\n", threeQuarters.distances.c_str());
    std::printf("transient-50: %s\n", half.sharpness.c_str());
    std::printf("held-tone-50: %s\n", HeldToneFigures(dir, 50).c_str());
    std::printf("held-tone-100: %s\n", HeldToneFigures(dir, 100).c_str());
    return 0;
}
