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

#include "support/TestAudio.h"
#include "ui/TestEnvironment.h"

namespace testmedia {

struct WavSpec {
    int rate = 44100;
    int channels = 2;
    double seconds = 1.0;
    double frequency = 440.0;
    // When set, the data chunk claims this many bytes whatever follows it.
    std::int64_t claimedDataBytes = -1;
};

// A 16-bit PCM WAV file of a sine tone of peak 8000.
inline std::string WavBytes(const WavSpec& spec) {
    const auto frames = static_cast<std::size_t>(std::llround(spec.seconds * spec.rate));
    return test_audio::WavBytes(
        spec.rate, spec.channels,
        test_audio::SineOfPeak(spec.frequency, spec.rate, spec.channels, frames, 8000),
        spec.claimedDataBytes);
}

inline std::string WriteWav(const std::string& path, const WavSpec& spec) {
    testenv::WriteFile(path, WavBytes(spec));
    return path;
}

// A 16-bit PCM WAV file of the given interleaved samples.
inline std::string WriteWavSamples(const std::string& path, int rate, int channels,
                                   const std::vector<std::int16_t>& samples) {
    test_audio::WriteWav(path, rate, channels, samples);
    return path;
}

using test_audio::ToneAmplitude;

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
