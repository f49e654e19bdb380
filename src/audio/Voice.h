// A playing channel's audio on its way to the device. The producer thread reads the channel (its
// syncs, loop joins, DSPs and effects), converts it to stereo float at the device rate and queues
// it here in blocks; the mixing thread takes the blocks, applies volume and pan, and hands back
// what it played so that positions and levels follow what is heard. Both directions are
// single-producer/single-consumer rings of fixed size: the mixing thread never locks, allocates
// or waits on them.
//
// Ownership: the producer side (writing blocks, Withdraw, the converter and scratch buffers) is
// used under the channel's lock; the mixer side (taking blocks, PushPlayed, the gain state) only
// by the mixing thread; PopPlayed under the channel's lock.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/FfmpegHandles.h"
#include "audio/PlaybackHistory.h"

namespace audio::detail {

constexpr int kVoiceBlockFrames = 256;  // one mixer block, about 6 ms at 44.1 kHz

struct VoiceBlock {
    enum : std::uint32_t { kReady = 1, kTaken = 2, kWithdrawn = 3 };
    // Ready until the mixer takes it or the API side withdraws it; whoever changes it first wins.
    std::atomic<std::uint32_t> state{0};
    std::uint64_t generation = 0;      // blocks withdrawn together share it
    int frames = 0;                    // output frames (fewer than a block only at an end)
    bool last = false;                 // the channel's data ends here
    std::uint64_t outEstimate = 0;     // the output frame it was expected to start at
    PlaybackHistory::Segment segment;  // its source frames and peaks (outStart set when played)
    std::array<float, 2 * kVoiceBlockFrames> samples{};
};

struct PlayedSegment {
    std::uint64_t generation = 0;
    PlaybackHistory::Segment segment;
};

struct Voice {
    static constexpr std::uint64_t kBlocks = 8;
    static constexpr std::uint64_t kPlayedCapacity = 64;
    // What one block reads at most: a source at up to four times the device rate (192 kHz),
    // of up to eight channels. Reserved when the voice is made, so the producer never grows them.
    static constexpr std::size_t kMaxInputFrames = 5 * kVoiceBlockFrames + 16;
    static constexpr std::size_t kMaxChannels = 8;

    Voice() {
        input.reserve(kMaxInputFrames * kMaxChannels);
        stereo.reserve(kMaxInputFrames * 2);
    }

    // ---- Blocks, producer -> mixer ----
    std::array<VoiceBlock, kBlocks> blocks;
    std::atomic<std::uint64_t> written{0};  // blocks queued so far
    std::atomic<std::uint64_t> read{0};     // blocks the mixer has taken or skipped

    // ---- Producer side ----
    std::uint64_t generation = 1;
    std::uint64_t liveFrom = 0;  // first block of this generation
    bool endQueued = false;      // a last block is queued: nothing more to read
    SwrPtr resampler;            // stereo float at the channel's rate -> the device rate
    int resamplerRate = 0;
    std::vector<std::int16_t> input;  // channel frames as read
    std::vector<float> stereo;        // the same as stereo float

    // ---- Set by the API side, read by the mixer ----
    std::atomic<int> volume{100};
    std::atomic<int> pan{0};
    // Counts ChannelPlay calls that started the channel: a channel found stopped is taken out of
    // the mix only if it has not been started again since.
    std::atomic<std::uint64_t> starts{0};

    // ---- Mixer side ----
    std::uint64_t skipGeneration = 0;  // a withdrawn generation being skipped
    float gainLeft = -1.0f;            // last gains applied (-1: nothing rendered yet)
    float gainRight = -1.0f;
    // Set when added to the mix; cleared when the last block has played. While it is set, a
    // block found missing is a late producer.
    std::atomic<bool> primed{false};
    // Cleared when added to the mix: the voice is first mixed once the producer has made its
    // starting blocks (or queued its last), so a producer slow to start, as a stretcher filling
    // up on a busy machine, delays the start a little instead of leaving a hole after it.
    std::atomic<bool> started{false};
    std::atomic<std::uint64_t> endedGeneration{0};  // generation whose last block was played

    // ---- Played segments, mixer -> API side ----
    std::array<PlayedSegment, kPlayedCapacity> played;
    std::atomic<std::uint64_t> playedWritten{0};
    std::atomic<std::uint64_t> playedRead{0};

    // Blocks queued and not withdrawn, as the producer counts them.
    std::uint64_t LiveBlocks() const {
        const std::uint64_t from = std::max(read.load(std::memory_order_acquire), liveFrom);
        const std::uint64_t w = written.load(std::memory_order_relaxed);
        return w > from ? w - from : 0;
    }

    // Withdraws every queued block the mixer has not taken (all but the next one when `keepOne`,
    // so that a playing channel has audio while the caller prepares more) and starts a new
    // generation. Returns true with the first withdrawn block when there was one: the channel
    // reads again from its segment.srcStart.
    bool Withdraw(bool keepOne, const VoiceBlock*& first) {
        const std::uint64_t w = written.load(std::memory_order_relaxed);
        std::uint64_t i =
            std::max(read.load(std::memory_order_acquire) + (keepOne ? 1 : 0), liveFrom);
        first = nullptr;
        for (; i < w; ++i) {
            VoiceBlock& block = blocks[i % kBlocks];
            std::uint32_t expected = VoiceBlock::kReady;
            if (block.state.compare_exchange_strong(expected, VoiceBlock::kWithdrawn) && !first)
                first = &block;
        }
        ++generation;
        liveFrom = w;
        endQueued = false;
        // The converter holds the withdrawn audio's last samples.
        resampler.reset();
        resamplerRate = 0;
        return first != nullptr;
    }

    // The first source frame of the blocks queued after the next one; false when none is.
    bool FirstUnmixed(std::uint64_t& srcStart) const {
        const std::uint64_t i = std::max(read.load(std::memory_order_acquire) + 1, liveFrom);
        if (i >= written.load(std::memory_order_relaxed)) return false;
        srcStart = blocks[i % kBlocks].segment.srcStart;
        return true;
    }

    void PushPlayed(const PlayedSegment& s) {
        const std::uint64_t w = playedWritten.load(std::memory_order_relaxed);
        // Full only when nobody has looked for a long while: the oldest news is kept.
        if (w - playedRead.load(std::memory_order_acquire) >= kPlayedCapacity) return;
        played[w % kPlayedCapacity] = s;
        playedWritten.store(w + 1, std::memory_order_release);
    }
    bool PopPlayed(PlayedSegment& s) {
        const std::uint64_t r = playedRead.load(std::memory_order_relaxed);
        if (r == playedWritten.load(std::memory_order_acquire)) return false;
        s = played[r % kPlayedCapacity];
        playedRead.store(r + 1, std::memory_order_release);
        return true;
    }
};

}  // namespace audio::detail
