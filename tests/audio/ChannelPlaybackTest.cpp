// A channel's hand-off to the mixer: settings reach its voice, read-ahead is taken back but for
// the block the mixer may be taking, and positions come from what was played since playback last
// restarted, never from segments of audio taken back.
#include <gtest/gtest.h>

#include "audio/ChannelPlayback.h"
#include "audio/Voice.h"

using audio::detail::ChannelPlayback;
using audio::detail::PlayedSegment;
using audio::detail::Voice;
using audio::detail::VoiceBlock;

namespace {

// Queues a block of the voice's current generation that starts at source frame `srcStart`.
void Queue(Voice& voice, std::uint64_t srcStart) {
    const std::uint64_t w = voice.written.load();
    VoiceBlock& block = voice.blocks[w % Voice::kBlocks];
    block.segment.srcStart = srcStart;
    block.generation = voice.generation;
    block.state.store(VoiceBlock::kReady);
    voice.written.store(w + 1);
}

// What the mixer reports having played: 256 output frames from `outStart`, one source frame each.
void Played(Voice& voice, std::uint64_t generation, std::uint64_t outStart, std::uint64_t src) {
    PlayedSegment played;
    played.generation = generation;
    played.segment.outStart = outStart;
    played.segment.outFrames = 256;
    played.segment.srcStart = src;
    played.segment.srcEnd = src + 256;
    played.segment.srcPerOut = 1;
    voice.PushPlayed(played);
}

}  // namespace

TEST(ChannelPlayback, VolumeAndPanReachTheVoiceAndEachStartIsCounted) {
    ChannelPlayback playback(48000);
    EXPECT_EQ(playback.PlaybackRate(), 48000);
    playback.SetPlaybackRate(44100);
    EXPECT_EQ(playback.PlaybackRate(), 44100);
    playback.SetVolume(40);  // before there is a voice
    playback.PrepareVoice();
    Voice& voice = *playback.MixerVoice();
    EXPECT_EQ(voice.volume.load(), 40);
    playback.SetPan(-30);
    EXPECT_EQ(voice.pan.load(), -30);
    playback.PrepareVoice();
    EXPECT_EQ(voice.starts.load(), 2u);
    EXPECT_EQ(playback.MixerVoice().get(), &voice);  // kept, not made again
}

TEST(ChannelPlayback, WithdrawingKeepsTheNextBlockOnlyWhilePlaying) {
    struct Case {
        audio::DWORD state;
        std::uint64_t firstWithdrawn;
        bool unmixedKnown;
    };
    for (const Case c :
         {Case{audio::ACTIVE_PLAYING, 2000, true}, Case{audio::ACTIVE_PAUSED, 1000, false},
          Case{audio::ACTIVE_STOPPED, 1000, false}}) {
        ChannelPlayback playback(44100);
        const VoiceBlock* first = nullptr;
        EXPECT_FALSE(playback.Withdraw(first));  // no voice yet
        playback.PrepareVoice();
        playback.SetState(c.state);
        Voice& voice = *playback.MixerVoice();
        for (std::uint64_t src : {1000, 2000, 3000}) Queue(voice, src);
        std::uint64_t unmixed = 0;
        EXPECT_EQ(playback.FirstUnmixed(unmixed), c.unmixedKnown) << c.state;
        if (c.unmixedKnown) {
            EXPECT_EQ(unmixed, 2000u);
        }
        ASSERT_TRUE(playback.Withdraw(first)) << c.state;
        EXPECT_EQ(first->segment.srcStart, c.firstWithdrawn) << c.state;
        EXPECT_FALSE(playback.Withdraw(first)) << c.state;  // nothing left to take back
    }
}

TEST(ChannelPlayback, PositionsComeFromWhatWasPlayedSinceTheRestart) {
    ChannelPlayback playback(44100);
    playback.PrepareVoice();
    Voice& voice = *playback.MixerVoice();
    playback.ResetHistory(1000);
    EXPECT_EQ(playback.HeardPosition(0), 1000u);  // nothing heard yet
    Played(voice, voice.generation, 0, 1000);
    EXPECT_EQ(playback.HeardPosition(100), 1100u);

    // A seek to 5000: audio of the old generation the mixer still plays is not counted.
    const std::uint64_t old = voice.generation;
    const VoiceBlock* first = nullptr;
    playback.Withdraw(first);
    playback.ResetHistory(5000);
    Played(voice, old, 256, 1256);
    EXPECT_EQ(playback.HeardPosition(300), 5000u);
    Played(voice, voice.generation, 512, 5000);
    EXPECT_EQ(playback.HeardPosition(600), 5088u);

    playback.RecordJump(9000, 6000);
    EXPECT_EQ(playback.LastJumpFrom(), 9000u);
    EXPECT_EQ(playback.LastJumpTo(), 6000u);
}
