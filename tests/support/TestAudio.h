// Test audio made on the spot and measured: 16-bit PCM WAV files (their headers may lie on
// purpose), raw captures read back, sine tones, and the strength of one frequency in a signal
// (Goertzel's filter). Plain C++ with no test framework: the benchmarks use it too.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace test_audio {

inline void PutLE(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The little-endian number of `bytes` bytes (up to 4) at `at` of a file's bytes.
inline std::uint32_t GetLE(const std::string& data, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
    return v;
}
inline std::uint32_t U32(const std::string& data, std::size_t at) {
    return GetLE(data, at, 4);
}
inline std::uint16_t U16(const std::string& data, std::size_t at) {
    return static_cast<std::uint16_t>(GetLE(data, at, 2));
}

// A 16-bit PCM WAV file with a 44-byte header around interleaved `samples`. When
// `claimedDataBytes` is set, the data chunk claims that many bytes whatever follows it.
inline std::string WavBytes(int rate, int channels, const std::vector<std::int16_t>& samples,
                            std::int64_t claimedDataBytes = -1) {
    const auto realBytes = static_cast<std::uint32_t>(samples.size() * 2);
    const std::uint32_t dataBytes =
        claimedDataBytes >= 0 ? static_cast<std::uint32_t>(claimedDataBytes) : realBytes;
    std::string out = "RIFF";
    PutLE(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLE(out, 16, 4);
    PutLE(out, 1, 2);  // PCM
    PutLE(out, static_cast<std::uint32_t>(channels), 2);
    PutLE(out, static_cast<std::uint32_t>(rate), 4);
    PutLE(out, static_cast<std::uint32_t>(rate * channels * 2), 4);
    PutLE(out, static_cast<std::uint32_t>(channels * 2), 2);
    PutLE(out, 16, 2);
    out += "data";
    PutLE(out, dataBytes, 4);
    out.reserve(out.size() + realBytes);
    for (std::int16_t sample : samples) PutLE(out, static_cast<std::uint16_t>(sample), 2);
    return out;
}

inline void WriteWav(const std::string& path, int rate, int channels,
                     const std::vector<std::int16_t>& samples) {
    const std::string bytes = WavBytes(rate, channels, samples);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every 16-bit sample of a headerless file, such as what SDL's disk driver writes (stereo
// interleaved); empty when the file cannot be read.
inline std::vector<std::int16_t> ReadRawSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// The left channel of interleaved stereo samples.
inline std::vector<std::int16_t> LeftChannel(const std::vector<std::int16_t>& stereo) {
    std::vector<std::int16_t> left(stereo.size() / 2);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
    return left;
}

// Stereo material like music in that it never repeats: a rising sweep (from 100 Hz, rising by
// `sweepRise` Hz a second) on the left, noise from `seed` on the right. A block lost, repeated or
// out of place shows.
inline std::vector<std::int16_t> SweepAndNoise(std::size_t frames, int rate, double sweepRise,
                                               std::uint32_t seed) {
    std::vector<std::int16_t> s(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        s[2 * i] = static_cast<std::int16_t>(
            9000 * std::sin(2 * std::numbers::pi * (100 + sweepRise * t) * t));
        seed = seed * 1664525u + 1013904223u;
        s[2 * i + 1] =
            static_cast<std::int16_t>((static_cast<std::int32_t>(seed >> 16) - 32768) / 4);
    }
    return s;
}

// Interleaved sine tone starting at phase 0, the same in every channel, of peak `peak` (in
// sample units).
inline std::vector<std::int16_t> SineOfPeak(double frequency, int rate, int channels,
                                            std::size_t frames, double peak) {
    std::vector<std::int16_t> s(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(std::lround(
            peak * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / rate)));
        for (int c = 0; c < channels; ++c) s[i * channels + c] = v;
    }
    return s;
}

// The same with the peak as a fraction of full scale.
inline std::vector<std::int16_t> Sine(double frequency, int rate, int channels, std::size_t frames,
                                      double amplitude = 0.5) {
    return SineOfPeak(frequency, rate, channels, frames, amplitude * 32767);
}

// RMS of `frames` samples of one channel of interleaved `channels`.
inline double Rms(const std::int16_t* s, std::size_t frames, int channels) {
    double sum = 0;
    for (std::size_t i = 0; i < frames; ++i) sum += double(s[i * channels]) * s[i * channels];
    return frames ? std::sqrt(sum / frames) : 0;
}

// Goertzel's filter over `count` samples taken every `step` from `s`: the magnitude of
// `frequency`, divided by the count (half the amplitude of a sine of that frequency).
inline double Goertzel(const std::int16_t* s, std::size_t count, std::size_t step, double frequency,
                       int rate) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double s0 = s[i * step] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2)) /
           static_cast<double>(count);
}

// Strength of `frequency` in every `step`-th sample from `first`, as the amplitude of a sine of
// that frequency.
inline double ToneAmplitude(const std::vector<std::int16_t>& samples, std::size_t first,
                            std::size_t step, std::size_t count, double frequency, int rate) {
    return 2 * Goertzel(samples.data() + first, count, step, frequency, rate);
}

}  // namespace test_audio
