// Where syncs sit on a channel's timeline and when the reading meets them: each once per arrival
// at its frame, the end's once per arrival at the end, a due one at the next read.
#include <gtest/gtest.h>

#include <vector>

#include "audio/SyncTimeline.h"

using audio::detail::SyncTimeline;

namespace {

void Proc(audio::HSYNC, audio::DWORD, audio::DWORD, void*) {}

std::vector<audio::HSYNC> Handles(const std::vector<SyncTimeline::Sync>& syncs) {
    std::vector<audio::HSYNC> handles;
    for (const SyncTimeline::Sync& s : syncs) handles.push_back(s.handle);
    return handles;
}

}  // namespace

TEST(SyncTimeline, APositionSyncSitsAtTheFirstWholeFrameAtOrAfterItsBytes) {
    struct Case {
        audio::QWORD bytes;
        int frameBytes;
        std::uint64_t frame;
    };
    for (const Case c : {Case{0, 4, 0}, Case{1, 4, 1}, Case{4, 4, 1}, Case{5, 4, 2}, Case{12, 2, 6},
                         Case{13, 12, 2}}) {
        SyncTimeline timeline;
        timeline.Add(7, audio::SYNC_POS | audio::SYNC_MIXTIME, c.bytes, c.frameBytes, &Proc,
                     nullptr);
        const SyncTimeline::Sync* sync = timeline.FindMixtimePosition(7);
        ASSERT_NE(sync, nullptr);
        EXPECT_EQ(sync->frame, c.frame) << c.bytes << " bytes of " << c.frameBytes;
    }
}

TEST(SyncTimeline, ReadingMeetsEachSyncOncePerArrival) {
    SyncTimeline timeline;
    timeline.Add(1, audio::SYNC_POS, 400, 4, &Proc, nullptr);                        // frame 100
    timeline.Add(2, audio::SYNC_POS | audio::SYNC_ONETIME, 200, 4, &Proc, nullptr);  // frame 50
    timeline.Add(3, audio::SYNC_END | audio::SYNC_MIXTIME, 0, 4, &Proc, nullptr);
    timeline.Add(4, audio::SYNC_POS | audio::SYNC_MIXTIME, 400, 4, &Proc, nullptr);  // frame 100
    EXPECT_EQ(timeline.FindMixtimePosition(1), nullptr);                             // not mix-time
    EXPECT_EQ(timeline.FindMixtimePosition(3), nullptr);  // not a position
    ASSERT_NE(timeline.FindMixtimePosition(4), nullptr);
    EXPECT_TRUE(timeline.FindMixtimePosition(4)->mixtime);

    // Where a read must stop to meet the next of them.
    EXPECT_EQ(timeline.NextAfter(0), 50u);
    EXPECT_EQ(timeline.NextAfter(50), 100u);
    EXPECT_EQ(timeline.NextAfter(100), UINT64_MAX);

    std::vector<SyncTimeline::Sync> due;
    EXPECT_TRUE(timeline.TakeAt(100, due));
    EXPECT_EQ(Handles(due), (std::vector<audio::HSYNC>{1, 4}));
    due.clear();
    EXPECT_FALSE(timeline.TakeAt(100, due));  // still there, nothing read since
    EXPECT_TRUE(due.empty());
    timeline.Advanced();
    EXPECT_TRUE(timeline.TakeAt(100, due));  // read back onto it: a new arrival
    EXPECT_EQ(due.size(), 2u);

    due.clear();
    EXPECT_TRUE(timeline.TakeEnd(due));
    EXPECT_EQ(Handles(due), (std::vector<audio::HSYNC>{3}));
    due.clear();
    EXPECT_FALSE(timeline.TakeEnd(due));
    timeline.Advanced();  // reading on does not make the end new
    EXPECT_FALSE(timeline.TakeEnd(due));
    timeline.Rewind();  // a seek does, and the position it lands on
    EXPECT_TRUE(timeline.TakeEnd(due));
    due.clear();
    EXPECT_TRUE(timeline.TakeAt(100, due));

    // A sync marked due fires at the next read, once; removing it unmarks it.
    due.clear();
    EXPECT_FALSE(timeline.HasDue());
    timeline.MarkDue(2);
    ASSERT_TRUE(timeline.HasDue());
    timeline.TakeDue(due);
    EXPECT_EQ(Handles(due), (std::vector<audio::HSYNC>{2}));
    EXPECT_FALSE(timeline.HasDue());
    timeline.MarkDue(2);
    EXPECT_TRUE(timeline.Remove(2));
    EXPECT_FALSE(timeline.HasDue());
    EXPECT_FALSE(timeline.Remove(2));
    EXPECT_EQ(timeline.NextAfter(0), 100u);

    std::vector<audio::DWORD> handles;
    timeline.AppendHandles(handles);
    EXPECT_EQ(handles, (std::vector<audio::DWORD>{1, 3, 4}));
}

TEST(SyncTimeline, ASyncAlreadyReadCatchesUpOnlyWhenHeardJustNowOrNotYet) {
    struct Case {
        std::uint64_t frame, heard, readTo;
        bool now;
    };
    constexpr std::uint64_t kJustHeard = 2205;
    for (const Case c : {
             Case{10000, 9000, 20000, true},    // read ahead, not heard yet
             Case{10000, 12205, 20000, true},   // heard a moment ago
             Case{10000, 12206, 20000, false},  // heard well before: on the next pass
             Case{20000, 9000, 20000, false},   // not read yet: met when reached
         }) {
        EXPECT_EQ(SyncTimeline::CatchUpNow(c.frame, c.heard, c.readTo, kJustHeard), c.now)
            << c.frame << " heard " << c.heard << " read to " << c.readTo;
    }
}
