// What would be heard, captured through SDL's disk driver: while a DiskCapture lives, the audio
// device the layer opens writes its output to a file instead of a sound card. The file is
// complete once the device is closed (audio::Free, or the main window going away). One capture
// runs at a time among the test processes (support/CaptureTurn.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/AudioSystem.h"

#include "support/CaptureTurn.h"
#include "support/ScopedEnv.h"
#include "support/TestAudio.h"

namespace test_audio {

// Lets the open device play `seconds` more of output. A busy machine plays slower than the
// clock, so a capture is timed by what the device took, not by sleeping; gives up after 30 s.
inline void PlayOutput(double seconds) {
    audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
    const std::uint64_t until = system.FramesTaken() + static_cast<std::uint64_t>(seconds * 44100);
    for (int waited = 0; waited < 30000 && system.FramesTaken() < until; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class DiskCapture {
public:
    // Output to `path`; the environment is put back when the capture ends.
    explicit DiskCapture(std::string path)
        : m_path(std::move(path)),
          m_driver("SDL_AUDIODRIVER", "disk"),
          m_file("SDL_DISKAUDIOFILE", m_path.c_str()) {}
    DiskCapture(const DiskCapture&) = delete;
    DiskCapture& operator=(const DiskCapture&) = delete;

    const std::string& Path() const { return m_path; }

    // Bytes written so far (0 before the device opens).
    std::uintmax_t Bytes() const {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(m_path, ec);
        return ec ? 0 : size;
    }

    // Every sample written: 16-bit stereo interleaved at the device's rate.
    std::vector<std::int16_t> Samples() const { return ReadRawSamples(m_path); }

    // The left channel of them.
    std::vector<std::int16_t> Left() const { return LeftChannel(Samples()); }

private:
    testenv::CaptureTurn m_turn;
    std::string m_path;
    testenv::ScopedEnv m_driver;
    testenv::ScopedEnv m_file;
};

}  // namespace test_audio
