// Playback captured through SDL's disk driver, which writes what would be heard to a file, with
// both cores kept busy by other processes: the scenarios and measures the playback tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/AudioSystem.h"
#include "support/BusyLoad.h"
#include "support/DiskCapture.h"

namespace audio_test {

using namespace std::chrono_literals;

constexpr int kCaptureRate = 44100;

// Opens the device on the disk driver at the layer's default lead, with both cores of the
// machine kept busy by other processes; Finish() closes it and returns what was written.
class Capture {
public:
    explicit Capture(const TempDir& dir) : m_disk(dir.File("heard.raw")) {
        m_bOpen = audio::Init(-1, 44100, 0, nullptr, nullptr) != 0;
    }
    ~Capture() {
        if (m_bOpen) audio::Free();
    }
    bool Open() const { return m_bOpen; }
    std::vector<std::int16_t> Finish() {
        if (m_bOpen) audio::Free();
        m_bOpen = false;
        return m_disk.Samples();
    }

private:
    testenv::BusyLoad m_load;
    test_audio::DiskCapture m_disk;
    bool m_bOpen = false;
};

// Runs `scenario` (it starts playback and returns when enough has played) with the output
// captured under load, and returns what was heard. A block the mixer delivered too late (the
// device played silence of its own instead) fails the test.
template <typename Scenario>
inline std::vector<std::int16_t> CaptureWhole(const TempDir& dir, Scenario scenario) {
    audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_BUFFER), 25u);
    Capture capture(dir);
    if (!capture.Open()) {
        ADD_FAILURE() << "no capture device: error " << audio::ErrorGetCode();
        return {};
    }
    const std::uint64_t lateBefore = system.LateFrames();
    scenario();
    EXPECT_EQ(system.LateFrames(), lateBefore) << "output frames played late";
    return capture.Finish();
}

inline void Play(std::chrono::milliseconds duration) {
    test_audio::PlayOutput(duration.count() / 1000.0);
}

// First and last stereo frame whose left sample exceeds `threshold`.
inline std::pair<std::size_t, std::size_t> Active(const std::vector<std::int16_t>& s,
                                                  int threshold) {
    std::size_t first = 0, last = 0;
    bool found = false;
    for (std::size_t i = 0; i < s.size() / 2; ++i) {
        if (std::abs(s[2 * i]) > threshold) {
            if (!found) first = i;
            last = i;
            found = true;
        }
    }
    return {first, last};
}

inline std::string WriteTone(const TempDir& dir, const char* name, double freq, double seconds,
                             double amp = 0.5, int rate = kCaptureRate, int channels = 2) {
    const std::string path = dir.File(name);
    WriteWav(path, rate, channels,
             Sine(freq, rate, channels, static_cast<std::size_t>(seconds * rate), amp));
    return path;
}

inline void LoopSync(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    audio::ChannelSetPosition(channel, *static_cast<audio::QWORD*>(user));
}

// Plays `stream` (made by `open` from a decoding source of `wav`) looped over [start, end) by a
// mix-time position sync for `passes` passes of the region, and returns what was heard.
template <typename Open>
inline std::vector<std::int16_t> CaptureLoop(const TempDir& dir, const std::string& wav,
                                             float tempo, std::uint64_t startFrame,
                                             std::uint64_t endFrame, int passes, Open open) {
    audio::QWORD loopStart = startFrame * 4;
    return CaptureWhole(dir, [&] {
        const audio::HSTREAM stream = open(wav);
        ASSERT_NE(stream, 0u);
        ASSERT_TRUE(audio::FX_TempoSet(stream, tempo, 0, -100));
        ASSERT_NE(audio::ChannelSetSync(stream, audio::SYNC_POS | audio::SYNC_MIXTIME, endFrame * 4,
                                        &LoopSync, &loopStart),
                  0u);
        ASSERT_TRUE(audio::ChannelPlay(stream, 0));
        const double passMs =
            double(endFrame - startFrame) * 1000 / kCaptureRate / (1 + tempo / 100);
        Play(std::chrono::milliseconds(static_cast<int>(
            double(startFrame) * 1000 / kCaptureRate / (1 + tempo / 100) + passes * passMs)));
        // The position stays exact: inside the region, whatever is blended at the joins.
        const audio::QWORD position = audio::ChannelGetPosition(stream);
        EXPECT_GE(position, startFrame * 4);
        EXPECT_LE(position, endFrame * 4);
    });
}

inline audio::HSTREAM OpenTempoStream(const std::string& wav) {
    const audio::HSTREAM source =
        audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
    return audio::FX_TempoCreate(source, audio::FX_FREESOURCE);
}

// The largest step between neighbouring left samples of frames [from, to).
inline int LargestStep(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
    int largest = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        largest = std::max(largest, std::abs(int(s[2 * i]) - int(s[2 * i - 2])));
    return largest;
}

}  // namespace audio_test
