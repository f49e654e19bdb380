// The output device (SDL2, 44100 Hz stereo 16-bit) and the ring buffer the mixer fills ahead of
// it. The device callback only copies from the ring: no allocation, no lock, no file access.
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace audio::detail {

class DeviceOutput {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr int kDeviceBufferFrames = 512;  // about 12 ms
    static constexpr std::uint64_t kRingFrames = 1 << 16;

    DeviceOutput();
    ~DeviceOutput();
    DeviceOutput(const DeviceOutput&) = delete;
    DeviceOutput& operator=(const DeviceOutput&) = delete;

    // Opens the device (-1 or 1: the default, n > 1: the (n-1)th) and starts it. Returns
    // audio::ERROR_OK or the error code.
    int Open(int device);
    void Close();

    // Plays through the device named `name` ("" = the system's default) from now on. The new
    // device is opened before the old one closes and takes up the ring where the old one left
    // it, so what the mixer wrote ahead plays there and positions go on. Where it cannot be
    // opened, the old device plays on. Returns audio::ERROR_OK or the error code. Any thread
    // but the mixing thread and the device's.
    int SwitchTo(const std::string& name);
    // The device open now ("" = the system's default).
    std::string Name() const;
    // The open device has gone from the system (unplugged) and plays no more.
    bool Lost() const;
    // The system's output devices by name, in its order (after Open).
    static std::vector<std::string> DeviceNames();

    // Mixer side: frames written so far, frames the device has taken, and writing.
    std::uint64_t Written() const { return m_written.load(std::memory_order_relaxed); }
    std::uint64_t Taken() const { return m_taken.load(std::memory_order_acquire); }
    void Write(const std::int16_t* frames, int count);
    // Counts the device's takings; read it before deciding to wait for the next one.
    std::uint32_t Takings() const { return m_takings.load(); }
    // Sleeps until the device takes frames after `takings`, the timeout passes or Wake is called.
    // With `untilTaken`, a taking wakes the caller only once Taken() has reached it, so that a
    // mixer can sleep through takings it has no work for.
    void WaitForTaking(std::uint32_t takings, std::chrono::milliseconds timeout,
                       std::uint64_t untilTaken = 0);
    void Wake();

    // Frames the device has played, silence for late blocks included (what a capturing driver
    // has written).
    std::uint64_t DeviceFrames() const {
        return m_taken.load(std::memory_order_acquire) + m_silence.load(std::memory_order_acquire);
    }

    // Frames the device takes at a time.
    int BufferFrames() const { return m_nBufferFrames.load(std::memory_order_relaxed); }

    // Frames played as silence because the mixer was late. Until the mixer first has its lead
    // the device plays silence of its own, which is not late: nothing was ready to fall behind.
    std::uint64_t LateFrames() const { return m_late.load(std::memory_order_acquire); }
    // Mixer side: the lead has been written once; from now on a short ring is late.
    void LeadFilled() { m_bLeadFilled.store(true, std::memory_order_release); }

    // The ring frame being heard now.
    std::uint64_t HeardFrame() const;

private:
    // Opens `name` (null: the default) paused; 0 when it cannot be opened.
    SDL_AudioDeviceID OpenPaused(const char* name, int& bufferFrames);
    // Makes `device` (opened paused) the output and starts it; under m_deviceMutex.
    void Start(SDL_AudioDeviceID device, const std::string& name, int bufferFrames);
    static void SDLCALL Callback(void* self, Uint8* stream, int len);
    void Fill(std::int16_t* out, int frames);
    void WakeWaiter();

    // Guards the device and its name against a switch from another thread.
    mutable std::mutex m_deviceMutex;
    SDL_AudioDeviceID m_device = 0;
    std::string m_strName;
    bool m_bSubsystem = false;
    std::atomic<int> m_nBufferFrames{kDeviceBufferFrames};
    std::vector<std::int16_t> m_ring;
    std::atomic<std::uint64_t> m_written{0};
    std::atomic<std::uint64_t> m_taken{0};
    std::atomic<std::uint64_t> m_silence{0};   // frames played as silence, the ring being short
    std::atomic<std::uint64_t> m_late{0};      // of them, those after the lead was first filled
    std::atomic<bool> m_bLeadFilled{false};
    std::atomic<std::int64_t> m_takenAtNs{0};  // when the device last took a buffer
    // A futex word (Futex.h), not a semaphore or condition variable: the callback must not lock.
    std::atomic<std::uint32_t> m_takings{0};
    std::atomic<bool> m_bWaiting{false};
    std::atomic<std::uint64_t> m_wakeAtTaken{0};
};

}  // namespace audio::detail
