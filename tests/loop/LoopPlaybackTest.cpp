#include <QAbstractButton>
#include <numbers>

#include "LoopPlaybackFixture.h"
#include "ui/SkinResource.h"

namespace {

using namespace looptest;

class LoopPlaybackTest : public LoopPlaybackFixture {
protected:
    void ExpectSeamlessLoopAfterM(float tempoChange, float semitones);
};

// The tone's strength in the output at volume 50: half its amplitude of 16000, as RMS.
constexpr double kHeardToneRms = 0.5 * 16000 / std::numbers::sqrt2;

// 490 Hz repeats every 90 frames exactly, so a region of whole periods joins without a step.
// The song is silent from the end marker on: any dip in the output is a gap in playback or
// audio from beyond the marker.
void LoopPlaybackTest::ExpectSeamlessLoopAfterM(float tempoChange, float semitones) {
    SCOPED_TRACE(testing::Message() << "tempo change " << tempoChange << " %, pitch " << semitones);
    constexpr int kEndFrame = 90 * 300;
    const audio::QWORD start = 90 * 100 * kFrameBytes;
    const audio::QWORD end = kEndFrame * kFrameBytes;
    const std::vector<std::int16_t> heard = CaptureWhole([&] {
        Load({{490, double(kEndFrame) / kRate}, {0, 2.0}});
        if (tempoChange != 0 || semitones != 0) {
            ASSERT_TRUE(audio::FX_TempoSet(Stream(), tempoChange, 0, semitones));
        }
        SetPosition(start);
        Key(Qt::Key_N);
        SetPosition(end);
        Key(Qt::Key_M);
        EXPECT_EQ(g_loopRegion.qwStartPoint.load(), start);
        EXPECT_EQ(g_loopRegion.qwEndPoint, end);
        SetPosition(0);

        Key(Qt::Key_Space);
        ASSERT_TRUE(Engine().IsPlaying());
        // Twenty times round the region.
        Play(static_cast<int>(20 * 1000.0 * (kEndFrame - 90 * 100) / kRate /
                              (1 + tempoChange / 100)));
        const audio::QWORD position = Position();
        EXPECT_GE(position, start);
        EXPECT_LE(position, end);
    });
    ASSERT_FALSE(heard.empty());

    std::size_t first = 0, last = 0;
    for (std::size_t i = 0; i < heard.size() / 2; ++i) {
        if (std::abs(heard[2 * i]) > 2000) {
            if (!first) first = i;
            last = i;
        }
    }
    // The song up to the end marker lasts 0.61 s at normal speed, a pass of the region 0.41 s.
    ASSERT_GT(last, first + kRate * 8);
    ExpectNoGap(heard, first, last, kHeardToneRms);
}

TEST_F(LoopPlaybackTest, AfterMPlaybackRepeatsTheRegionWithoutAGap) {
    ExpectSeamlessLoopAfterM(0, 0);
}

TEST_F(LoopPlaybackTest, AfterMPlaybackRepeatsTheRegionWithoutAGapAtSlowerTempo) {
    ExpectSeamlessLoopAfterM(-25, 0);
}

TEST_F(LoopPlaybackTest, AfterMPlaybackRepeatsTheRegionWithoutAGapAtSlowerTempoAndLowerPitch) {
    ExpectSeamlessLoopAfterM(-30, -3);  // 70 % of the speed, three semitones down
}

// The musician's way: N and M pressed while the song plays. The end is where the song is
// heard at that moment, and the stretcher and the mixer have already read beyond it.
TEST_F(LoopPlaybackTest, MPressedWhilePlayingLoopsFromThere) {
    const std::vector<std::int16_t> heard = CaptureWhole([&] {
        Load({{490, 6.0}});
        ASSERT_TRUE(audio::FX_TempoSet(Stream(), -30, 0, -2));
        Key(Qt::Key_Space);
        Play(400);
        Key(Qt::Key_N);
        const audio::QWORD start = g_loopRegion.qwStartPoint.load();
        Play(700);
        Key(Qt::Key_M);
        const audio::QWORD end = g_loopRegion.qwEndPoint;
        ASSERT_GT(end, start);
        Play(1500);  // three passes of the region at 70 %
        const audio::QWORD position = Position();
        EXPECT_GE(position, start);
        EXPECT_LE(position, end);
    });
    ASSERT_FALSE(heard.empty());
    // The tone goes on through every jump.
    std::size_t first = 0;
    while (first < heard.size() / 2 && std::abs(heard[2 * first]) < 2000) ++first;
    ExpectNoGap(heard, first, heard.size() / 2 - kRate / 100, kHeardToneRms);
}

// Which of the song's three tones each 20 ms of the output holds; 0 for silence.
std::vector<int> HeardTones(const std::vector<std::int16_t>& heard) {
    constexpr std::size_t kWindow = kRate / 50;
    std::vector<int> tones;
    for (std::size_t w = 0; (w + kWindow) * 2 <= heard.size(); w += kWindow) {
        const std::int16_t* at = heard.data() + 2 * w;
        if (Rms(at, kWindow, 2) < 0.5 * kHeardToneRms) {
            tones.push_back(0);
            continue;
        }
        int best = 0;
        double strongest = 0;
        for (int tone : {440, 660, 880}) {
            if (const double strength = test_audio::Goertzel(at, kWindow, 2, tone, kRate);
                strength > strongest) {
                strongest = strength;
                best = tone;
            }
        }
        tones.push_back(best);
    }
    return tones;
}

TEST_F(LoopPlaybackTest, StartAfterTheEndJumpsForwardThenTheSongsEndGoesBackToTheStart) {
    const std::vector<std::int16_t> heard = CaptureWhole([&] {
        Load({{440, 1.0}, {660, 1.0}, {880, 1.0}});
        SetPosition(Bytes(2.2));
        Key(Qt::Key_N);
        SetPosition(Bytes(0.5));
        Key(Qt::Key_M);
        SetPosition(0);
        Engine().OnPlay();
        // Without dispatching messages, so that the end-of-song notice waits: the mix-time jump
        // at the song's end is all that acts there.
        Play(2200, false);
        EXPECT_GE(Position(), Bytes(2.2));
        EXPECT_EQ(audio::ChannelIsActive(Stream()), audio::ACTIVE_PLAYING);
        // Then the end-of-song notice stops the song at its beginning.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Engine().IsPositionTimerActive(); }, kWaitMs));
        EXPECT_EQ(audio::ChannelIsActive(Stream()), audio::ACTIVE_STOPPED);
        EXPECT_EQ(Position(), 0u);
    });
    ASSERT_FALSE(heard.empty());

    const std::vector<int> tones = HeardTones(heard);
    const auto count = [&](int tone) { return std::count(tones.begin(), tones.end(), tone); };
    EXPECT_EQ(count(660), 0);  // the middle of the song was jumped over
    EXPECT_GE(count(440), 20);
    EXPECT_LE(count(440), 27);  // 0.5 s
    // One pass from the start to the song's end is 0.8 s; more was heard.
    EXPECT_GE(count(880), 60);
    const auto firstTone = std::find_if(tones.begin(), tones.end(), [](int t) { return t; });
    ASSERT_NE(firstTone, tones.end());
    EXPECT_EQ(*firstTone, 440);
}

TEST_F(LoopPlaybackTest, BAndResetClearTheRegionAndPlaybackRunsThroughTheOldEnd) {
    Load({{440, 1.0}, {660, 1.0}, {880, 1.0}});
    auto markRegion = [&] {
        SetPosition(Bytes(0.2));
        Key(Qt::Key_N);
        SetPosition(Bytes(0.8));
        Key(Qt::Key_M);
        EXPECT_NE(m_page->EndSync(), 0u);
        g_bModified = 0;
    };
    auto playsPastTheOldEnd = [&] {
        SetPosition(Bytes(0.6));
        Engine().OnPlay();
        const bool passed = QTest::qWaitFor([&] { return Position() > Bytes(1.0); }, kWaitMs);
        Engine().OnStop();
        return passed;
    };

    markRegion();
    SetPosition(Bytes(0.6));
    Engine().OnPlay();
    Play(700);  // the region holds playback
    EXPECT_LE(Position(), Bytes(0.8));
    EXPECT_GE(Position(), Bytes(0.2));
    Engine().OnStop();

    Key(Qt::Key_B);
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 0u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    EXPECT_EQ(m_page->EndSync(), 0u);
    EXPECT_EQ(g_bModified, 0);
    EXPECT_TRUE(playsPastTheOldEnd());

    markRegion();
    Click(602);
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 0u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    EXPECT_EQ(m_page->EndSync(), 0u);
    EXPECT_EQ(g_bModified, 0);
    EXPECT_TRUE(playsPastTheOldEnd());
}

TEST_F(LoopPlaybackTest, CommaPeriodAndRestartMoveThePositionOnlyAndOnlyMarksCountAsChanges) {
    Load({{440, 3.0}});
    g_bModified = 0;
    SetPosition(Bytes(0.5));
    Key(Qt::Key_N);
    EXPECT_EQ(g_bModified, 1);
    g_bModified = 0;
    SetPosition(Bytes(1.5));
    Key(Qt::Key_M);
    EXPECT_EQ(g_bModified, 1);
    g_bModified = 0;

    SetPosition(Bytes(2.0));
    Key(Qt::Key_Comma);
    EXPECT_EQ(Position(), Bytes(0.5));
    Key(Qt::Key_Period);
    EXPECT_EQ(Position(), Bytes(1.5));
    SetPosition(Bytes(2.0));
    Click(601);  // Restart while stopped: moved, not started
    EXPECT_EQ(Position(), Bytes(0.5));
    EXPECT_EQ(audio::ChannelIsActive(Stream()), audio::ACTIVE_STOPPED);
    EXPECT_FALSE(Engine().IsPositionTimerActive());

    Engine().OnPlay();
    Click(601);  // and while playing it keeps playing
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_LE(Position(), Bytes(1.5));
    Engine().OnStop();

    // Without an end marker, full stop goes to the beginning; comma with start 0 as well.
    Key(Qt::Key_B);
    SetPosition(Bytes(1.0));
    Key(Qt::Key_Period);
    EXPECT_EQ(Position(), 0u);
    SetPosition(Bytes(1.0));
    Key(Qt::Key_Comma);
    EXPECT_EQ(Position(), 0u);
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(LoopPlaybackTest, MAtTheBeginningRemovesTheEndJump) {
    Load({{440, 2.0}});
    SetPosition(Bytes(1.0));
    Key(Qt::Key_M);
    EXPECT_NE(m_page->EndSync(), 0u);
    SetPosition(0);
    Key(Qt::Key_M);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    EXPECT_EQ(m_page->EndSync(), 0u);
    SetPosition(Bytes(0.8));
    Engine().OnPlay();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Position() > Bytes(1.2); }, kWaitMs));
}

TEST_F(LoopPlaybackTest, AStartBeyondTheSongsEndSendsPlaybackToItsBeginning) {
    Load({{440, 2.0}});
    m_page->SetLoopStart(Bytes(5.0), true);  // as a click right of a short song's end gives
    SetPosition(Bytes(1.0));
    Key(Qt::Key_M);
    SetPosition(Bytes(0.8));
    Engine().OnPlay();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Position() < Bytes(0.5); }, kWaitMs));
    EXPECT_TRUE(Engine().IsPlaying());
}

TEST_F(LoopPlaybackTest, ZoomButtonTogglesZoomModeAndTheWindowsPointerOnlyWithASong) {
    for (Qt::Key key : {Qt::Key_N, Qt::Key_M}) Key(key);  // no song: the keys do nothing
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    Click(603);
    EXPECT_FALSE(m_page->m_bZoomMode);

    Load({{440, 1.0}});
    Click(603);
    EXPECT_TRUE(m_page->m_bZoomMode);
    const QCursor magnifier = ui::LoadSkinCursor(106);
    EXPECT_EQ(m_dialog->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(m_dialog->cursor().hotSpot(), magnifier.hotSpot());
    EXPECT_EQ(m_page->cursor().hotSpot(), magnifier.hotSpot());  // the pages share it
    Click(603);
    EXPECT_FALSE(m_page->m_bZoomMode);
    EXPECT_EQ(m_dialog->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(LoopPlaybackTest, ANewSongEmptiesTheRegionAndClosingLeavesThePageWithoutAStream) {
    Load({{440, 2.0}});
    SetPosition(Bytes(0.5));
    Key(Qt::Key_N);
    SetPosition(Bytes(1.5));
    Key(Qt::Key_M);
    m_page->m_nZoom = 4;
    m_page->m_fViewStart = 0.5f;
    Load({{660, 2.0}});
    EXPECT_EQ(m_page->Stream(), Stream());
    EXPECT_EQ(m_page->SongPath(), Media("song.wav"));
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 0u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    EXPECT_EQ(m_page->EndSync(), 0u);
    EXPECT_EQ(m_page->m_nZoom, 1);
    EXPECT_EQ(m_page->m_fViewStart, 0.0f);

    SetPosition(Bytes(0.5));
    Key(Qt::Key_N);
    ASSERT_TRUE(m_dialog->close());
    EXPECT_EQ(m_page->Stream(), 0u);
    Click(602);  // only a beep now
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), Bytes(0.5));
}

}  // namespace
