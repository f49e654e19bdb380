// The mixing thread: takes the blocks that the producer thread prepared for each playing channel
// (already at the device rate, DSPs, effects and syncs done), applies volume and pan, adds them
// and writes the sum a few milliseconds ahead of the device into its ring buffer.
//
// Real-time rules of the mixing thread: it takes no lock, allocates nothing, touches no file and
// never drops the last reference to anything. The list of playing channels reaches it as an
// immutable list (PlayingList.h); an old list (and a channel taken out of it) is let go on the
// API side once the mixer has moved past it. A channel whose producer falls behind is
// silent for that block (counted), never waited for once the device's deadline is near.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Channel.h"
#include "audio/DeviceOutput.h"
#include "audio/InheritingMutex.h"
#include "audio/PlayingList.h"
#include "audio/Producer.h"
#include "audio/Voice.h"

namespace audio::detail {

class Mixer {
public:
    static constexpr int kBlockFrames = kVoiceBlockFrames;  // about 6 ms
    static constexpr std::size_t kExpectedChannels = 64;

    explicit Mixer(DeviceOutput& output);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    void Start();
    void Stop();

    // How far ahead of the device to render, in output frames.
    void SetAhead(int frames) { m_ahead.store(frames); }

    // The channel must have its voice (ChannelPlay makes it). Returns once the mixer can see it.
    void Add(const ChannelPtr& channel);
    // Returns once the mixer no longer uses the channel's voice.
    void Remove(const Channel* channel);
    // Takes the channel out unless it has been started again since its voice counted `starts`
    // (the producer found it stopped, or its end heard). Takes no channel lock: API calls hold
    // one while they reach the list.
    void RemoveUnlessRestarted(const ChannelPtr& channel, std::uint64_t starts);
    // The channels the producer fills, in `out` (cleared first).
    void Playing(std::vector<ChannelPtr>& out);

    // Returns once neither thread uses a channel just taken out of the mix: a block being
    // rendered and a pass of the producer under way at the call are done. Each thread's part
    // returns at once on that thread itself, and gives up after a second.
    void WaitUntilUnused();
    // Makes the producer look at its channels now.
    void WakeProducer() { m_producer.Wake(); }
    // Blocks a playing channel had none ready when the mixer needed one (the producer was late).
    std::uint64_t StarvedCount() const { return m_starvedBlocks.load(std::memory_order_relaxed); }
    // The output frames at which the starved blocks numbered from `count` on began (the latest
    // few dozen only): tells a gap the device played from one the sound itself has.
    std::vector<std::uint64_t> StarvedFrom(std::uint64_t count) const;
    // True while the mixer holds off a block for a producer that is behind.
    bool WaitingForVoices() const { return m_bWaitingForVoices.load(); }
    // The mixing thread's id while it runs.
    std::thread::id MixingThread() const { return m_threadId.load(); }

    // The same of the open device's mixer, for tests (0, none: no device is open).
    static std::uint64_t StarvedBlocks();
    static std::vector<std::uint64_t> StarvedSince(std::uint64_t count);
    // For checks of the mixing and the producer threads' real-time rules.
    static std::thread::id ThreadId();
    static std::thread::id ProducerThreadId();

private:
    void Run();
    void RenderBlock(std::uint64_t outStart);
    // Mixes the channel's next block into m_mix; false when none was ready.
    bool MixVoice(Voice& voice, std::uint64_t outStart);
    // True when every channel that is playing has its next block ready.
    bool VoicesReady(const PlayingList::List& list) const;
    // Publishes m_playing to the mixing thread.
    void PublishLocked();

    DeviceOutput& m_output;
    std::atomic<int> m_ahead;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
    Producer m_producer;

    InheritingMutex m_listMutex;  // API side and producer: guards m_playing and publishing
    std::vector<ChannelPtr> m_playing;
    PlayingList m_list;

    std::vector<float> m_mix;
    std::vector<std::int16_t> m_block;

    // Written by the mixing thread, read by any.
    std::atomic<std::thread::id> m_threadId{};
    std::atomic<std::uint64_t> m_renderSeq{0};  // odd while a block is being rendered
    std::atomic<std::uint64_t> m_starvedBlocks{0};
    // The output frame of each of the latest starved blocks, by the block's number modulo the size.
    static constexpr std::size_t kStarvedKept = 32;
    std::array<std::atomic<std::uint64_t>, kStarvedKept> m_starvedAt{};
    std::atomic<bool> m_bWaitingForVoices{false};
};

}  // namespace audio::detail
