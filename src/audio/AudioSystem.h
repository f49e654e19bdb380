// The layer's process-wide state: the handle registry, the output device with its mixer, the sync
// notifier and the packet indexes kept between openings of a file. Every public operation goes
// through here.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "audio/Channel.h"
#include "audio/InheritingMutex.h"
#include "audio/PacketIndexCache.h"

namespace audio::detail {

class DeviceOutput;
class DeviceWatch;
class Mixer;
class SyncNotifier;

class AudioSystem {
public:
    static AudioSystem& Get();

    // ---- Handles ----
    // Registers a new channel and gives it its handle.
    DWORD AddChannel(const ChannelPtr& channel);
    ChannelPtr FindChannel(DWORD handle);
    // A handle for a sync, DSP or effect of `owner`.
    DWORD NewItemHandle(const ChannelPtr& owner);
    ChannelPtr FindItemOwner(DWORD item);
    // A handle for something the system does not keep (a WMA file encoder).
    DWORD NewHandle();
    void ForgetItem(DWORD item);
    bool ItemAlive(DWORD item);
    // Unregisters the channel with its items, takes it out of the mix and drops pending notices.
    // The channel itself goes when the last reference does.
    void RemoveChannel(const ChannelPtr& channel);
    // The stretch engine (STRETCHER_...) of the tempo streams created from now on.
    void SetStretcher(DWORD kind) { m_dwStretcher = kind; }
    DWORD Stretcher() const { return m_dwStretcher; }

    // ---- Device ----
    int Init(int device);  // returns an ERROR_ code
    bool Free();
    bool Initialized();
    // The output device chosen by name ("" = the system's default), kept through devices coming
    // and going (DeviceWatch); ERROR_ codes.
    int ChooseOutputDevice(const std::string& name);
    // The system's output devices by name, and the one playing now ("" = the default); empty
    // before Init.
    std::vector<std::string> OutputDeviceNames();
    std::string OutputDeviceName();
    std::uint64_t HeardFrame();
    // Output frames the device has played so far, silence for late blocks included (what a
    // capturing driver has written).
    std::uint64_t FramesTaken();
    // Output frames played as silence because the mixer missed its deadline.
    std::uint64_t LateFrames();
    bool StartPlaying(const ChannelPtr& channel);
    void StopPlaying(const Channel* channel);
    void SetAheadMs(DWORD ms);
    DWORD AheadMs() const { return m_dwAheadMs; }
    // Length of the crossfade at a loop join, in ms, for every channel (0: a hard cut).
    void SetLoopCrossfadeMs(int ms);
    int LoopCrossfadeMs() const { return m_nLoopCrossfadeMs.load(); }
    // Makes the producer look at its channels now (a channel's read-ahead was taken back).
    void WakeProducer();
    // The device's mixer while it is open (shared: it may outlive a Free meanwhile).
    std::shared_ptr<Mixer> CurrentMixer();

    SyncNotifier* Notifier();

    // ---- Files ----
    // The packet indexes of files opened lately, for their next openings.
    PacketIndexCache& PacketIndexes() { return m_packetIndexes; }

private:
    AudioSystem() = default;
    // `read` applied to the output, or 0 without one; safe against a concurrent Free.
    template <typename Read>
    std::uint64_t ReadClock(Read read);

    // Guards the maps and the device pointers; never held while a channel's own lock is taken.
    // Inheriting: the producer reaches it through the API calls of mix-time syncs, and a
    // background thread (a beat being found) may hold it.
    InheritingMutex m_mutex;
    std::unordered_map<DWORD, ChannelPtr> m_channels;
    std::unordered_map<DWORD, std::weak_ptr<Channel>> m_items;
    DWORD m_nextHandle = 0x10000;
    std::atomic<DWORD> m_dwStretcher{STRETCHER_SOUNDTOUCH};

    std::unique_ptr<DeviceOutput> m_pOutput;
    std::unique_ptr<DeviceWatch> m_pDeviceWatch;   // watches m_pOutput while it is open
    std::atomic<DeviceOutput*> m_pClock{nullptr};  // m_pOutput, readable without the lock
    std::atomic<int> m_nClockReaders{0};           // threads reading through m_pClock now
    // Shared, so that a start or stop can reach the mixer outside m_mutex while the mixer
    // publishes its list (which may wait for the mixing thread).
    std::shared_ptr<Mixer> m_pMixer;
    std::unique_ptr<SyncNotifier> m_pNotifier;
    DWORD m_dwAheadMs = 25;
    // Long enough to hide the step between two unrelated waveforms, short enough not to smear
    // the attack of a note at the loop's start.
    std::atomic<int> m_nLoopCrossfadeMs{5};
    PacketIndexCache m_packetIndexes;
};

}  // namespace audio::detail
