// Helpers shared by the audio layer's tests: a temporary folder, a WAV writer, test media made
// with the ffmpeg command-line tool, and reading a decoding channel whole.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/Audio.h"

namespace audio_test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-audio-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// 16-bit PCM WAV with a 44-byte header.
inline void WriteWav(const std::string& path, int rate, int channels,
                     const std::vector<std::int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<std::uint16_t>(channels));
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * channels * 2));
    u16(static_cast<std::uint16_t>(channels * 2));
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

// Interleaved sine tone, the same in every channel.
inline std::vector<std::int16_t> Sine(double freq, int rate, int channels, std::size_t frames,
                                      double amplitude = 0.5) {
    std::vector<std::int16_t> s(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * freq * i / rate)));
        for (int c = 0; c < channels; ++c) s[i * channels + c] = v;
    }
    return s;
}

// Runs the ffmpeg tool to make `out` from `args` (inputs and options); true on success.
inline bool Ffmpeg(const std::string& args, const std::string& out) {
    const std::string cmd = "ffmpeg -hide_banner -loglevel error -nostdin -y " + args + " '" + out +
                            "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Every remaining sample of a decoding channel.
inline std::vector<std::int16_t> ReadAll(audio::DWORD handle) {
    std::vector<std::int16_t> all;
    std::vector<std::int16_t> block(8192);
    for (;;) {
        const audio::DWORD n = audio::ChannelGetData(handle, block.data(), 8192 * 2);
        if (n == audio::DWORD(-1) || n == 0) break;
        all.insert(all.end(), block.begin(), block.begin() + n / 2);
    }
    return all;
}

// Up to `frames` frames from a decoding channel.
inline std::vector<std::int16_t> ReadFrames(audio::DWORD handle, int channels, std::size_t frames) {
    std::vector<std::int16_t> out(frames * channels);
    std::size_t got = 0;
    while (got < out.size()) {
        const auto want = static_cast<audio::DWORD>((out.size() - got) * 2);
        const audio::DWORD n = audio::ChannelGetData(handle, out.data() + got, want);
        if (n == audio::DWORD(-1) || n == 0) break;
        got += n / 2;
    }
    out.resize(got);
    return out;
}

// RMS of a span of samples of one channel.
inline double Rms(const std::int16_t* s, std::size_t frames, int channels) {
    double sum = 0;
    for (std::size_t i = 0; i < frames; ++i) sum += double(s[i * channels]) * s[i * channels];
    return frames ? std::sqrt(sum / frames) : 0;
}

// Frequency from upward zero crossings of channel 0.
inline double ZeroCrossingFrequency(const std::vector<std::int16_t>& s, int channels, int rate) {
    std::size_t first = 0, last = 0, count = 0;
    for (std::size_t i = 1; i < s.size() / channels; ++i) {
        if (s[(i - 1) * channels] < 0 && s[i * channels] >= 0) {
            if (count == 0) first = i;
            last = i;
            ++count;
        }
    }
    return count > 1 ? double(count - 1) * rate / double(last - first) : 0;
}

}  // namespace audio_test
