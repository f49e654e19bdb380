// The mixing thread: renders the playing channels a few milliseconds ahead of the device, in
// short blocks, into the device's ring buffer. Each channel is resampled to the device rate,
// given its volume and pan, and added; the sum is clipped to 16 bits.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Channel.h"
#include "audio/DeviceOutput.h"

namespace audio::detail {

class Mixer {
public:
    static constexpr int kBlockFrames = 256;  // about 6 ms
    static constexpr std::size_t kExpectedChannels = 64;

    explicit Mixer(DeviceOutput& output);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    void Start();
    void Stop();

    // How far ahead of the device to render, in output frames.
    void SetAhead(int frames) { m_ahead.store(frames); }

    void Add(const ChannelPtr& channel);
    void Remove(const Channel* channel);
    // Returns once a block being rendered when it was called is done, so that the mixing thread
    // no longer holds a reference to a channel just removed: the caller's reference is then the
    // last, and the channel's destructor (closing files, freeing codecs) never runs on the
    // mixing thread. Returns at once on the mixing thread itself; gives up after a second.
    // Static, with the state it reads: a caller needs no lock that keeps the mixer alive.
    static void WaitForBlockEnd();

private:
    void Run();
    void RenderBlock(std::uint64_t outStart);
    // Mixes one channel into m_mix; false when it stopped (ended or no longer playing).
    bool MixChannel(Channel& channel, std::uint64_t outStart);
    int ReadResampled(Channel& channel, Voice& voice, std::uint64_t outStart);

    DeviceOutput& m_output;
    std::atomic<int> m_ahead;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;

    std::mutex m_listMutex;  // guards m_playing only, never held while rendering
    std::vector<ChannelPtr> m_playing;
    std::vector<ChannelPtr> m_snapshot;

    std::vector<float> m_mix;
    std::vector<std::int16_t> m_block;
};

}  // namespace audio::detail
