// What would be heard, captured through SDL's disk driver: while a DiskCapture lives, the audio
// device the layer opens writes its output to a file instead of a sound card. The file is
// complete once the device is closed (audio::Free, or the main window going away).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "audio/Audio.h"

namespace test_audio {

class DiskCapture {
public:
    // Output to `path`; the mixer renders `leadMs` ahead (a generous lead keeps the capture
    // whole on a busy machine). Both are put back when the capture ends.
    DiskCapture(std::string path, audio::DWORD leadMs) : m_path(std::move(path)) {
        if (const char* old = std::getenv("SDL_AUDIODRIVER")) m_oldDriver = old;
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_path.c_str(), 1);
        m_oldLead = audio::GetConfig(audio::CONFIG_BUFFER);
        audio::SetConfig(audio::CONFIG_BUFFER, leadMs);
    }
    ~DiskCapture() {
        setenv("SDL_AUDIODRIVER", m_oldDriver ? m_oldDriver->c_str() : "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        audio::SetConfig(audio::CONFIG_BUFFER, m_oldLead);
    }
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
    std::vector<std::int16_t> Samples() const {
        std::ifstream in(m_path, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }

    // The left channel of them.
    std::vector<std::int16_t> Left() const {
        const std::vector<std::int16_t> all = Samples();
        std::vector<std::int16_t> left(all.size() / 2);
        for (std::size_t i = 0; i < left.size(); ++i) left[i] = all[2 * i];
        return left;
    }

private:
    std::string m_path;
    std::optional<std::string> m_oldDriver;
    audio::DWORD m_oldLead = 25;
};

}  // namespace test_audio
