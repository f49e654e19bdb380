// Helpers of the audio layer's tests: a temporary folder, test media made with the ffmpeg
// command-line tool, and reading a decoding channel whole (WAV files and tones: support/).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "support/TestAudio.h"

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

using test_audio::Rms;
using test_audio::Sine;
using test_audio::WriteWav;

// Dates the file's last change `secondsAgo` back, as a song kept for a while is; false when the
// file's times cannot be set.
inline bool Age(const std::string& path, int secondsAgo) {
    timespec times[2]{};
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= secondsAgo;
    times[1] = times[0];
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
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
