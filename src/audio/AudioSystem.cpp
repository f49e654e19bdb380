#include "audio/AudioSystem.h"

#include <algorithm>
#include <thread>

#include "audio/DeviceOutput.h"
#include "audio/DeviceWatch.h"
#include "audio/EncoderRegistry.h"
#include "audio/LibraryLog.h"
#include "audio/Mixer.h"
#include "audio/SyncNotifier.h"
#include "audio/WmaEncoders.h"

namespace audio::detail {

AudioSystem& AudioSystem::Get() {
    static AudioSystem system;
    return system;
}

DWORD AudioSystem::AddChannel(const ChannelPtr& channel) {
    SyncNotifier* notifier = Notifier();
    std::lock_guard lock(m_mutex);
    const DWORD handle = m_nextHandle++;
    channel->SetHandle(handle);
    channel->SetNotifier(notifier);
    m_channels[handle] = channel;
    return handle;
}

ChannelPtr AudioSystem::FindChannel(DWORD handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_channels.find(handle);
    return it == m_channels.end() ? nullptr : it->second;
}

DWORD AudioSystem::NewItemHandle(const ChannelPtr& owner) {
    std::lock_guard lock(m_mutex);
    const DWORD handle = m_nextHandle++;
    m_items[handle] = owner;
    return handle;
}

DWORD AudioSystem::NewHandle() {
    std::lock_guard lock(m_mutex);
    return m_nextHandle++;
}

ChannelPtr AudioSystem::FindItemOwner(DWORD item) {
    std::lock_guard lock(m_mutex);
    auto it = m_items.find(item);
    return it == m_items.end() ? nullptr : it->second.lock();
}

void AudioSystem::ForgetItem(DWORD item) {
    std::lock_guard lock(m_mutex);
    m_items.erase(item);
}

bool AudioSystem::ItemAlive(DWORD item) {
    std::lock_guard lock(m_mutex);
    auto it = m_items.find(item);
    return it != m_items.end() && !it->second.expired();
}

void AudioSystem::RemoveChannel(const ChannelPtr& channel) {
    StopPlaying(channel.get());
    // The producer may still be reading it: its reference must go before ours.
    if (const std::shared_ptr<Mixer> mixer = CurrentMixer()) mixer->WaitUntilUnused();
    std::vector<DWORD> items;
    {
        std::lock_guard channelLock(channel->Mutex());
        items = channel->ItemHandles();
        channel->Playback().SetState(ACTIVE_STOPPED);
    }
    {
        std::lock_guard lock(m_mutex);
        m_channels.erase(channel->Handle());
        for (DWORD item : items) m_items.erase(item);
        // Items the channel no longer lists (one-time syncs that fired) go too.
        std::erase_if(m_items, [&](const auto& entry) {
            ChannelPtr owner = entry.second.lock();
            return !owner || owner == channel;
        });
        if (m_pNotifier) m_pNotifier->DropChannel(channel->Handle());
    }
    // After the channel has left the map: an encoder being started on it either is in the
    // registry already or finds the channel gone.
    EncoderRegistry::Get().ChannelRemoved(channel);
}

SyncNotifier* AudioSystem::Notifier() {
    std::lock_guard lock(m_mutex);
    if (!m_pNotifier) {
        m_pNotifier = std::make_unique<SyncNotifier>([this] { return HeardFrame(); },
                                                     [this](HSYNC s) { return ItemAlive(s); },
                                                     [this](HSYNC s) { ForgetItem(s); });
    }
    return m_pNotifier.get();
}

int AudioSystem::Init(int device) {
    std::lock_guard lock(m_mutex);
    if (m_pOutput) return ERROR_ALREADY;
    InstallLibraryLogging();  // before SDL and the encoders speak
    auto output = std::make_unique<DeviceOutput>();
    if (int error = output->Open(device)) return error;
    m_pOutput = std::move(output);
    m_pDeviceWatch = std::make_unique<DeviceWatch>(*m_pOutput);
    m_pClock = m_pOutput.get();
    m_pMixer = std::make_shared<Mixer>(*m_pOutput);
    m_pMixer->SetAhead(static_cast<int>(DeviceOutput::kRate * m_dwAheadMs / 1000));
    m_pMixer->Start();
    return ERROR_OK;
}

bool AudioSystem::Initialized() {
    std::lock_guard lock(m_mutex);
    return m_pOutput != nullptr;
}

int AudioSystem::ChooseOutputDevice(const std::string& name) {
    // Under the lock, so that Free waits for the switch; a switch takes the output away from
    // the mixer only for as long as the new device takes to open.
    std::lock_guard lock(m_mutex);
    if (!m_pDeviceWatch) return ERROR_INIT;
    return m_pDeviceWatch->Choose(name);
}

std::vector<std::string> AudioSystem::OutputDeviceNames() {
    std::lock_guard lock(m_mutex);
    if (!m_pOutput) return {};
    return DeviceOutput::DeviceNames();
}

std::string AudioSystem::OutputDeviceName() {
    std::lock_guard lock(m_mutex);
    return m_pOutput ? m_pOutput->Name() : std::string();
}

bool AudioSystem::Free() {
    // Declared in this order so that the mixer, which holds a reference to the output, goes
    // first.
    std::unique_ptr<DeviceOutput> output;
    std::unique_ptr<DeviceWatch> watch;
    std::shared_ptr<Mixer> mixer;
    std::unique_ptr<SyncNotifier> notifier;
    std::vector<ChannelPtr> channels;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pOutput) return false;
        m_pClock = nullptr;
        mixer = std::move(m_pMixer);
        watch = std::move(m_pDeviceWatch);
        output = std::move(m_pOutput);
        notifier = std::move(m_pNotifier);
        for (auto& entry : m_channels) channels.push_back(entry.second);
        m_channels.clear();
        m_items.clear();
    }
    // Another thread may be reading the clock (a position asked for while the device closes).
    while (m_nClockReaders.load() > 0) std::this_thread::yield();
    mixer->Stop();
    watch.reset();  // no switch once the device closes
    output->Close();
    notifier.reset();  // joins its thread; pending notices are dropped
    for (const ChannelPtr& channel : channels) {
        std::lock_guard channelLock(channel->Mutex());
        channel->Playback().SetState(ACTIVE_STOPPED);
        channel->SetNotifier(nullptr);
    }
    // Encoders complete their files rather than being cut off.
    EncoderRegistry::Get().StopAll();
    CloseAllWmaEncoders();
    return true;
}

template <typename Read>
std::uint64_t AudioSystem::ReadClock(Read read) {
    // Counted in before the pointer is read: Free waits for readers once it has cleared it.
    m_nClockReaders.fetch_add(1);
    DeviceOutput* output = m_pClock.load();
    const std::uint64_t value = output ? read(*output) : 0;
    m_nClockReaders.fetch_sub(1);
    return value;
}

std::uint64_t AudioSystem::HeardFrame() {
    return ReadClock([](const DeviceOutput& o) { return o.HeardFrame(); });
}

std::uint64_t AudioSystem::FramesTaken() {
    return ReadClock([](const DeviceOutput& o) { return o.DeviceFrames(); });
}

std::uint64_t AudioSystem::LateFrames() {
    return ReadClock([](const DeviceOutput& o) { return o.LateFrames(); });
}

std::shared_ptr<Mixer> AudioSystem::CurrentMixer() {
    std::lock_guard lock(m_mutex);
    return m_pMixer;
}

// Both reach the mixer outside m_mutex: its publishing may wait for the mixing thread, and every
// API call takes m_mutex. A mixer that Free takes away meanwhile is stopped, and takes no more
// notice of its list.
bool AudioSystem::StartPlaying(const ChannelPtr& channel) {
    const std::shared_ptr<Mixer> mixer = CurrentMixer();
    if (!mixer) return false;
    mixer->Add(channel);
    return true;
}

void AudioSystem::StopPlaying(const Channel* channel) {
    if (const std::shared_ptr<Mixer> mixer = CurrentMixer()) mixer->Remove(channel);
}

void AudioSystem::WakeProducer() {
    if (const std::shared_ptr<Mixer> mixer = CurrentMixer()) mixer->WakeProducer();
}

void AudioSystem::SetLoopCrossfadeMs(int ms) {
    m_nLoopCrossfadeMs = std::clamp(ms, 0, LoopJoin::kMaxFadeMs);
}

void AudioSystem::SetAheadMs(DWORD ms) {
    std::lock_guard lock(m_mutex);
    m_dwAheadMs = ms;
    if (m_pMixer) m_pMixer->SetAhead(static_cast<int>(DeviceOutput::kRate * ms / 1000));
}

}  // namespace audio::detail
