// The producer thread: keeps every playing channel's voice a few blocks ahead of the mixer. It
// reads the channel under its lock (decoding, time-stretching, syncs, loop joins, DSPs and
// effects, encoder taps), converts to stereo float at the device rate and queues the blocks,
// so that the mixing thread never waits for any of it. Woken by the mixer once it has taken
// blocks, and by a channel whose read-ahead was taken back.
//
// One thread serves every channel: a player plays one song at a time, and the machine it runs
// on may have only two cores, one of which the mixer and the interface share.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/Channel.h"
#include "audio/DeviceOutput.h"

namespace audio::detail {

class Mixer;
struct Voice;

class Producer {
public:
    // Blocks kept ready for each channel: enough to ride out a busy moment of the machine, few
    // enough that a change of DSP or effect is heard within 50 ms with the device's lead.
    static constexpr std::uint64_t kReadAheadBlocks = 2;
    // Blocks made before a voice is first mixed: a stretcher's first output comes in bursts and
    // late, so a start is given more to ride out the first of them (Voice::started).
    static constexpr std::uint64_t kStartingBlocks = 4;

    Producer(Mixer& mixer, DeviceOutput& output);
    ~Producer();
    Producer(const Producer&) = delete;
    Producer& operator=(const Producer&) = delete;

    void Start();
    void Stop();

    // Makes the producer look at its channels now. Never blocks: the mixing thread calls it.
    void Wake();
    // Returns once a pass over the channels, running when it was called, is done, so that the
    // producer no longer holds a reference to a channel just taken out of the mix. Returns at
    // once on the producer thread itself; gives up after a second.
    void WaitForPassEnd();
    // Its thread's id while it runs.
    std::thread::id ThreadId() const { return m_threadId.load(); }

private:
    void Run();
    // Queues blocks until the voice holds kReadAheadBlocks, kStartingBlocks before it has
    // started (or until the channel has ended). Under the
    // channel's lock. True when it queued any.
    bool Fill(Channel& channel, Voice& voice);
    // Sleeps until woken after `wakes` (the count read before the pass) or the timeout passes.
    void WaitForWake(std::uint32_t wakes, std::chrono::milliseconds timeout);

    Mixer& m_mixer;
    DeviceOutput& m_output;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
    std::vector<ChannelPtr> m_channels;

    std::atomic<std::thread::id> m_threadId{};
    std::atomic<std::uint64_t> m_passSeq{0};  // odd while a pass is running
    // A futex word (Futex.h), as the device's: the mixing thread wakes the producer without a lock.
    std::atomic<std::uint32_t> m_wakes{0};
    std::atomic<bool> m_bWaiting{false};
};

}  // namespace audio::detail
