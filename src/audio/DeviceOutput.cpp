#include "audio/DeviceOutput.h"

#include <algorithm>
#include <cstring>

#include "audio/Audio.h"
#include "audio/Futex.h"

namespace audio::detail {

namespace {
std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

DeviceOutput::DeviceOutput() : m_ring(kRingFrames * kChannels, 0) {}

DeviceOutput::~DeviceOutput() {
    Close();
}

int DeviceOutput::Open(int device) {
    // SDL would otherwise turn SIGINT and SIGTERM into quit events that nobody reads, and the
    // player could no longer be ended by a signal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return ERROR_DRIVER;
    m_bSubsystem = true;
    const char* name = nullptr;
    if (device > 1) {
        const int count = SDL_GetNumAudioDevices(0);
        if (device - 1 > count) return ERROR_DEVICE;
        name = SDL_GetAudioDeviceName(device - 2, 0);
        if (!name) return ERROR_DEVICE;
    }
    std::lock_guard lock(m_deviceMutex);
    int bufferFrames = 0;
    const SDL_AudioDeviceID opened = OpenPaused(name, bufferFrames);
    if (opened == 0) return ERROR_DEVICE;
    Start(opened, name ? name : "", bufferFrames);
    return ERROR_OK;
}

void DeviceOutput::Start(SDL_AudioDeviceID device, const std::string& name, int bufferFrames) {
    m_device = device;
    m_strName = name;
    m_nBufferFrames.store(bufferFrames);
    // At once: a device left paused plays silence that the frame count would not know of.
    m_takenAtNs.store(NowNs());
    SDL_PauseAudioDevice(m_device, 0);
}

SDL_AudioDeviceID DeviceOutput::OpenPaused(const char* name, int& bufferFrames) {
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = kChannels;
    want.samples = kDeviceBufferFrames;
    want.callback = &DeviceOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the hardware wants something else.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    bufferFrames = have.samples > 0 ? have.samples : kDeviceBufferFrames;
    return device;
}

int DeviceOutput::SwitchTo(const std::string& name) {
    std::lock_guard lock(m_deviceMutex);
    if (!m_device) return ERROR_INIT;
    int bufferFrames = 0;
    // Paused until the old device is closed: one callback at a time reads the ring.
    const SDL_AudioDeviceID next = OpenPaused(name.empty() ? nullptr : name.c_str(), bufferFrames);
    if (next == 0) return ERROR_DEVICE;
    SDL_CloseAudioDevice(m_device);  // waits for a running callback to finish
    Start(next, name, bufferFrames);
    return ERROR_OK;
}

std::string DeviceOutput::Name() const {
    std::lock_guard lock(m_deviceMutex);
    return m_strName;
}

bool DeviceOutput::Lost() const {
    std::lock_guard lock(m_deviceMutex);
    // SDL stops a device the system took away.
    return m_device && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

std::vector<std::string> DeviceOutput::DeviceNames() {
    std::vector<std::string> names;
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, 0)) names.emplace_back(name);
    return names;
}

void DeviceOutput::Close() {
    {
        std::lock_guard lock(m_deviceMutex);
        if (m_device) {
            SDL_CloseAudioDevice(m_device);  // waits for a running callback to finish
            m_device = 0;
        }
    }
    if (m_bSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_bSubsystem = false;
    }
}

void DeviceOutput::Write(const std::int16_t* frames, int count) {
    std::uint64_t w = m_written.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i, ++w) {
        const std::size_t at = (w % kRingFrames) * kChannels;
        m_ring[at] = frames[2 * i];
        m_ring[at + 1] = frames[2 * i + 1];
    }
    m_written.store(w, std::memory_order_release);
}

void DeviceOutput::Fill(std::int16_t* out, int frames) {
    const std::uint64_t taken = m_taken.load(std::memory_order_relaxed);
    const std::uint64_t available = m_written.load(std::memory_order_acquire) - taken;
    const int n = static_cast<int>(std::min<std::uint64_t>(available, frames));
    for (int i = 0; i < n; ++i) {
        const std::size_t at = ((taken + i) % kRingFrames) * kChannels;
        out[2 * i] = m_ring[at];
        out[2 * i + 1] = m_ring[at + 1];
    }
    // The mixer fell behind: silence rather than stale audio.
    if (n < frames) {
        std::memset(out + 2 * n, 0, sizeof(std::int16_t) * 2 * (frames - n));
        m_silence.fetch_add(frames - n, std::memory_order_release);
        if (m_bLeadFilled.load(std::memory_order_acquire))
            m_late.fetch_add(frames - n, std::memory_order_release);
    }
    m_takenAtNs.store(NowNs(), std::memory_order_relaxed);
    m_taken.store(taken + n, std::memory_order_release);
    m_takings.fetch_add(1);
    // Either the waiter sees the new count before it sleeps, or it is seen waiting here. One
    // that asked to sleep until more has been taken is left asleep.
    if (m_bWaiting.load() && taken + n >= m_wakeAtTaken.load()) WakeWaiter();
}

void DeviceOutput::Wake() {
    m_takings.fetch_add(1);
    if (m_bWaiting.load()) WakeWaiter();
}

void DeviceOutput::WakeWaiter() {
    FutexWakeOne(m_takings);
}

void DeviceOutput::WaitForTaking(std::uint32_t takings, std::chrono::milliseconds timeout,
                                 std::uint64_t untilTaken) {
    m_wakeAtTaken.store(untilTaken);
    m_bWaiting.store(true);
    if (m_takings.load() == takings && (untilTaken == 0 || m_taken.load() < untilTaken))
        FutexWait(m_takings, takings, timeout);
    m_bWaiting.store(false);
}

void SDLCALL DeviceOutput::Callback(void* self, Uint8* stream, int len) {
    static_cast<DeviceOutput*>(self)->Fill(reinterpret_cast<std::int16_t*>(stream),
                                           len / (kChannels * 2));
}

std::uint64_t DeviceOutput::HeardFrame() const {
    // The buffer taken last is heard over the following buffer period.
    const std::uint64_t taken = m_taken.load(std::memory_order_acquire);
    const std::int64_t elapsedNs = NowNs() - m_takenAtNs.load(std::memory_order_relaxed);
    const int bufferFrames = BufferFrames();
    const auto elapsed = static_cast<std::uint64_t>(
        std::clamp<std::int64_t>(elapsedNs * kRate / 1000000000, 0, bufferFrames));
    const std::uint64_t start =
        taken > static_cast<std::uint64_t>(bufferFrames) ? taken - bufferFrames : 0;
    return std::min(start + elapsed, taken);
}

}  // namespace audio::detail
