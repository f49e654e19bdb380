#pragma once

// Test audio made on the spot: WAV files written sample by sample (headers may lie on purpose)
// and compressed files made by the ffmpeg program.

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/TestEnvironment.h"

namespace testmedia {

inline void PutLE(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct WavSpec {
    int rate = 44100;
    int channels = 2;
    double seconds = 1.0;
    double frequency = 440.0;
    // When set, the data chunk claims this many bytes whatever follows it.
    std::int64_t claimedDataBytes = -1;
};

// A 16-bit PCM WAV file of a sine tone.
inline std::string WavBytes(const WavSpec& spec) {
    const auto frames = static_cast<std::uint32_t>(std::llround(spec.seconds * spec.rate));
    std::string data;
    data.reserve(static_cast<std::size_t>(frames) * spec.channels * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / spec.rate;
        const auto sample =
            static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * M_PI * spec.frequency * t)));
        for (int c = 0; c < spec.channels; ++c) PutLE(data, static_cast<std::uint16_t>(sample), 2);
    }
    const std::uint32_t dataBytes = spec.claimedDataBytes >= 0
                                        ? static_cast<std::uint32_t>(spec.claimedDataBytes)
                                        : static_cast<std::uint32_t>(data.size());
    std::string out = "RIFF";
    PutLE(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);  // PCM
    PutLE(out, static_cast<std::uint32_t>(spec.channels), 2);
    PutLE(out, static_cast<std::uint32_t>(spec.rate), 4);
    PutLE(out, static_cast<std::uint32_t>(spec.rate * spec.channels * 2), 4);
    PutLE(out, static_cast<std::uint32_t>(spec.channels * 2), 2);
    PutLE(out, 16, 2);
    out += "data";
    PutLE(out, dataBytes, 4);
    return out + data;
}

inline std::string WriteWav(const std::string& path, const WavSpec& spec) {
    testenv::WriteFile(path, WavBytes(spec));
    return path;
}

// A 16-bit PCM WAV file of the given interleaved samples.
inline std::string WriteWavSamples(const std::string& path, int rate, int channels,
                                   const std::vector<std::int16_t>& samples) {
    std::string out = "RIFF";
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    PutLE(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);
    PutLE(out, static_cast<std::uint32_t>(channels), 2);
    PutLE(out, static_cast<std::uint32_t>(rate), 4);
    PutLE(out, static_cast<std::uint32_t>(rate * channels * 2), 4);
    PutLE(out, static_cast<std::uint32_t>(channels * 2), 2);
    PutLE(out, 16, 2);
    out += "data";
    PutLE(out, dataBytes, 4);
    for (std::int16_t sample : samples) PutLE(out, static_cast<std::uint16_t>(sample), 2);
    testenv::WriteFile(path, out);
    return path;
}

// Strength of `frequency` in every `step`-th sample from `first` (one channel of an interleaved
// buffer), as the amplitude of a sine of that frequency.
inline double ToneAmplitude(const std::vector<std::int16_t>& samples, std::size_t first,
                            std::size_t step, std::size_t count, double frequency, int rate) {
    const double w = 2 * M_PI * frequency / rate;
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double s0 = samples[first + i * step] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2)) /
           static_cast<double>(count);
}

// Encodes `seconds` of a stereo 44.1 kHz sine tone with ffmpeg into `path` (format chosen by
// the extension); false when ffmpeg is missing or fails.
inline bool EncodeTone(const std::string& path, double seconds) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds), "-ac",
                  "2", QString::fromStdString(path)});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

}  // namespace testmedia
