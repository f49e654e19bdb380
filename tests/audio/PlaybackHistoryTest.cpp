// Positions counted from what the mixer played: through a loop jump inside one block, every
// frame heard maps into the loop, before the jump as after it.
#include <gtest/gtest.h>

#include "audio/PlaybackHistory.h"

using audio::detail::PlaybackHistory;

namespace {

// A block of 256 output frames at one source frame per output frame that leaves a loop
// [1000, 2000) at its end after `before` frames and goes on from its start.
PlaybackHistory::Segment LoopBlock(std::uint32_t before, bool jumpKnown) {
    PlaybackHistory::Segment s;
    s.outStart = 10000;
    s.outFrames = 256;
    s.srcStart = 2000 - before;
    s.srcEnd = 1000 + (256 - before);
    s.srcPerOut = 1.0f;
    if (jumpKnown) {
        s.jumpFrom = 2000;
        s.jumpTo = 1000;
    }
    return s;
}

}  // namespace

TEST(PlaybackHistory, FramesHeardAroundALoopJumpStayInTheLoop) {
    for (const std::uint32_t before : {1u, 100u, 200u, 255u}) {
        PlaybackHistory history;
        history.Add(LoopBlock(before, true));
        for (std::uint64_t into = 0; into < 256; ++into) {
            std::uint64_t position = 0;
            ASSERT_TRUE(history.PositionAt(10000 + into, position));
            EXPECT_GE(position, 1000u) << before << " " << into;
            EXPECT_LE(position, 2000u) << before << " " << into;
            // Exact where the block's own ends tell it.
            if (into == 0) {
                EXPECT_EQ(position, 2000u - before);
            }
            if (into >= before) {
                EXPECT_EQ(position, 1000u + (into - before)) << before;
            }
        }
    }
    // Without the jump's frames (no loop yet) the count goes back from the end as before, and
    // lands before the loop's start for the frames heard before the jump: what they are for.
    PlaybackHistory history;
    history.Add(LoopBlock(200, false));
    std::uint64_t position = 0;
    ASSERT_TRUE(history.PositionAt(10000 + 10, position));
    EXPECT_LT(position, 1000u);
}

TEST(PlaybackHistory, NothingHeardYetGivesNoPosition) {
    PlaybackHistory history;
    std::uint64_t position = 7;
    EXPECT_FALSE(history.PositionAt(0, position));
    history.Add(LoopBlock(100, true));
    EXPECT_FALSE(history.PositionAt(9999, position));
    ASSERT_TRUE(history.PositionAt(10000 + 300, position));
    EXPECT_EQ(position, 1000u + 156u);  // past the block: its end
}
