// The speed trainer heard through the real main window and audio layer: a 2-second loop taken
// from 70 % to 100 % by 10 % every pass, with no gap and no join louder than the music. Each pass
// is found by a mark at the loop's start (a 1 kHz burst in a 440 Hz tone), so the periods heard are
// the distances between the marks.
#include <QAbstractButton>
#include <numbers>

#include "LoopPlaybackFixture.h"
#include "audio/ClickSound.h"
#include "audio/LoopJoin.h"
#include "engine/MainWindowIds.h"
#include "practice/QuorvelPracticePage.h"
#include "ui/QtText.h"

namespace {

using namespace looptest;
using audio::detail::Mixer;

constexpr double kHeardToneRms = 0.5 * 16000 / std::numbers::sqrt2;  // at volume 50
constexpr double kMarkHz = 1000, kToneHz = 440;

// Output frames at which the mark begins: where 1 kHz first outweighs 440 Hz.
std::vector<std::size_t> MarkOnsets(const std::vector<std::int16_t>& heard) {
    constexpr std::size_t kWindow = 256, kHop = 32;
    std::vector<std::size_t> onsets;
    bool inMark = false;
    for (std::size_t f = 0; (f + kWindow) * 2 <= heard.size(); f += kHop) {
        const double mark = test_audio::ToneAmplitude(heard, 2 * f, 2, kWindow, kMarkHz, kRate);
        const double tone = test_audio::ToneAmplitude(heard, 2 * f, 2, kWindow, kToneHz, kRate);
        const bool now = mark > tone && mark > 1000;
        if (now && !inMark) onsets.push_back(f);
        inMark = now;
    }
    return onsets;
}

// Output frames where sound starts after at least 50 ms of silence on the left channel.
std::vector<std::size_t> SoundOnsets(const std::vector<std::int16_t>& heard) {
    constexpr int kQuiet = 300;
    constexpr std::size_t kSilence = kRate / 20;
    std::vector<std::size_t> onsets;
    std::size_t quiet = 0;
    for (std::size_t f = 0; 2 * f < heard.size(); ++f) {
        if (std::abs(heard[2 * f]) >= kQuiet) {
            if (quiet >= kSilence) onsets.push_back(f);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return onsets;
}

std::int16_t PeakAfter(const std::vector<std::int16_t>& heard, std::size_t frame) {
    std::int16_t peak = 0;
    for (std::size_t f = frame; f < frame + kRate / 50 && 2 * f < heard.size(); ++f)
        peak = std::max<std::int16_t>(peak, static_cast<std::int16_t>(std::abs(heard[2 * f])));
    return peak;
}

class TrainerPlaybackTest : public LoopPlaybackFixture {
protected:
    CQuorvelPracticePage& Practice() { return *m_dialog->PracticePage(); }
    CTrainerControls& Trainer() { return Practice().Trainer(); }
    // Presses the trainer's − or + of `row` until its value is `value`.
    void SetRow(int row, int value, int CSpeedTrainer::Settings::*field) {
        auto press = [&](int id) {
            qobject_cast<QAbstractButton*>(Practice().GetDlgItem(id))->click();
        };
        for (int i = 0; i < 50 && Trainer().Trainer().Values().*field < value; ++i)
            press(CTrainerControls::IDC_PLUS + row);
        for (int i = 0; i < 50 && Trainer().Trainer().Values().*field > value; ++i)
            press(CTrainerControls::IDC_MINUS + row);
        ASSERT_EQ(Trainer().Trainer().Values().*field, value);
    }
    void Press(int id) { qobject_cast<QAbstractButton*>(Practice().GetDlgItem(id))->click(); }
};

TEST_F(TrainerPlaybackTest, PassesRiseByTheStepAtTheLoopsStartAndBackspaceBacksOff) {
    const audio::QWORD start = Bytes(1.0), end = Bytes(3.0);
    const std::vector<std::int16_t> heard = CaptureWhole([&] {
        // The classic engine, whose window the passes' lengths below allow for. A phase vocoder
        // also sounds the tone and the mark together for a moment where one switches to the
        // other, louder than either: that is its nature, not the trainer's.
        ASSERT_TRUE(Engine().SetStretcher(audio::STRETCHER_SOUNDTOUCH));
        Load({{kToneHz, 1.0}, {kMarkHz, 0.03}, {kToneHz, 1.97}, {kToneHz, 3.0}});
        // Without a region the trainer only says that it needs one.
        Key(Qt::Key_T);
        ASSERT_EQ(m_boxes.Asked().size(), 1u);
        EXPECT_FALSE(Trainer().Trainer().IsOn());

        m_page->SetLoopStart(start, false);
        m_page->SetLoopEnd(end, false);
        SetRow(0, 70, &CSpeedTrainer::Settings::nStart);
        SetRow(1, 10, &CSpeedTrainer::Settings::nStep);
        SetRow(2, 1, &CSpeedTrainer::Settings::nPasses);
        SetRow(3, 100, &CSpeedTrainer::Settings::nTarget);
        // Playing into the loop: its start is heard in full, not faded in.
        SetPosition(Bytes(0.5));
        Key(Qt::Key_T);
        ASSERT_TRUE(Trainer().Trainer().IsOn());
        EXPECT_EQ(Engine().CurrentSoundSettings().nTempo, 70);
        Key(Qt::Key_Space);
        ASSERT_TRUE(Engine().IsPlaying());
        // To the loop, four passes on the way up and one at the target, and a little more.
        Play(static_cast<int>(1000 * (0.5 / 0.7 + 2 / 0.7 + 2 / 0.8 + 2 / 0.9 + 2 + 2 + 0.5)));
        EXPECT_EQ(Engine().CurrentSoundSettings().nTempo, 100);  // the slider followed
        EXPECT_TRUE(ui::FromQtText(Trainer().StateText()).starts_with("100 % → 100 %, pass"))
            << ui::FromQtText(Trainer().StateText());

        // Backspace backs off a step at once and counts from the first pass again.
        Key(Qt::Key_Backspace);
        EXPECT_EQ(Engine().CurrentSoundSettings().nTempo, 90);
        float tempo = 0, rate = 0, pitch = 0;
        ASSERT_TRUE(audio::FX_TempoGet(Stream(), &tempo, &rate, &pitch));
        EXPECT_FLOAT_EQ(tempo, -10);
        EXPECT_EQ(ui::FromQtText(Trainer().StateText()), "90 % → 100 %, pass 1 of 1");
    });
    ASSERT_FALSE(heard.empty());

    const std::vector<std::size_t> onsets = MarkOnsets(heard);
    ASSERT_GE(onsets.size(), 6u);
    // A pass as heard at 100 %: the loop's 2 s and what its join leaves after the end marker to
    // meet the start in phase (at most LoopJoin::kSearchMs), the same at every join.
    const double heardLoop = double(onsets[5] - onsets[4]);
    EXPECT_NEAR(heardLoop, 2.0 * kRate + audio::detail::LoopJoin::kSearchMs * kRate / 2000.0,
                audio::detail::LoopJoin::kSearchMs * kRate / 2000.0 + Mixer::kBlockFrames);
    // The next step's tempo starts at the jump for what the stretch engine has not yet worked
    // on: up to its window (well under 0.1 s of the song) before the loop's start. A pass is
    // that much of the song shorter at most, and never longer, than at its own tempo.
    const double tempos[] = {0.7, 0.8, 0.9, 1.0, 1.0};
    constexpr double kEngineWindow = 0.1 * kRate;
    for (std::size_t i = 0; i + 1 < std::size(tempos); ++i) {
        const double earliest = kEngineWindow * (1 / tempos[i] - 1 / tempos[i + 1]);
        EXPECT_NEAR(double(onsets[i + 1] - onsets[i]), heardLoop / tempos[i] - earliest / 2,
                    earliest / 2 + Mixer::kBlockFrames)
            << "pass " << i + 1 << " at " << tempos[i] * 100 << " %";
    }
    // Every join is as smooth as the rest: no gap, and nothing louder than the tone.
    ExpectNoGap(heard, onsets.front(), onsets[5], kHeardToneRms);
    std::int16_t peak = 0;
    for (std::size_t i = 2 * onsets.front(); i < 2 * onsets[5]; ++i)
        peak = std::max<std::int16_t>(peak, static_cast<std::int16_t>(std::abs(heard[i])));
    EXPECT_LE(peak, 1.1 * kHeardToneRms * std::numbers::sqrt2);
}

// A count-in of four at a song's 120 BPM played at 50 %: clicks 1 s apart, the first accented,
// the loop's start a beat after the last, and the song silent meanwhile. First before the first
// pass only (the second jump has none), then before every pass. The song falls silent before
// the end marker, so that each click and the loop's start (its mark) begin after silence and are
// timed to the frame.
TEST_F(TrainerPlaybackTest, CountInClicksTheBeatAsHeardAndTheLoopStartsOneBeatAfter) {
    constexpr double kPass = 2 * 1.2;  // the loop's 1.2 s at 50 %
    const std::vector<std::int16_t> heard = CaptureWhole([&] {
        Load({{kToneHz, 1.0}, {kMarkHz, 0.03}, {kToneHz, 0.97}, {0, 0.2}, {kToneHz, 2.0}});
        Practice().SetSongBeat(120.0, "");
        m_page->SetLoopStart(Bytes(1.0), false);
        m_page->SetLoopEnd(Bytes(2.2), false);
        SetRow(0, 50, &CSpeedTrainer::Settings::nStart);
        SetRow(3, 50, &CSpeedTrainer::Settings::nTarget);
        Press(CTrainerControls::IDC_COUNTIN_PLUS);  // on from off: four beats
        Press(CTrainerControls::IDC_COUNTIN_MODE);  // before the first pass only
        ASSERT_EQ(Trainer().Trainer().Values().nCountIn, 4);
        ASSERT_TRUE(Trainer().Trainer().Values().bCountInFirstOnly);
        SetPosition(Bytes(0.5));
        Key(Qt::Key_T);
        ASSERT_TRUE(Trainer().Trainer().IsOn());
        Key(Qt::Key_Space);
        // Into the loop, a pass, the count-in, two passes; then before every pass.
        Play(static_cast<int>(1000 * (1.0 + kPass + 4 + kPass + kPass / 2)));
        Press(CTrainerControls::IDC_COUNTIN_MODE);
        ASSERT_FALSE(Trainer().Trainer().Values().bCountInFirstOnly);
        Play(static_cast<int>(1000 * (kPass / 2 + 4 + 0.5)));
    });
    ASSERT_FALSE(heard.empty());

    std::vector<std::size_t> onsets = SoundOnsets(heard);
    ASSERT_FALSE(onsets.empty());
    onsets.erase(onsets.begin());  // playing starts
    // Four clicks and the loop's start, the second jump's join, four clicks and the loop's start.
    ASSERT_EQ(onsets.size(), 11u);
    const auto near = [&](std::size_t from, std::size_t to, double seconds, const char* what) {
        EXPECT_NEAR(double(to - from), seconds * kRate, Mixer::kBlockFrames)
            << what << " at output frame " << to << StarvedNear(from, to - from);
    };
    for (std::size_t first : {0u, 6u}) {
        for (std::size_t k = 1; k < 4; ++k)
            near(onsets[first + k - 1], onsets[first + k], 1.0, "click");
        near(onsets[first + 3], onsets[first + 4], 1.0, "loop start");
        // The loop's start is its mark; the first click is the loudest.
        EXPECT_GT(test_audio::ToneAmplitude(heard, 2 * onsets[first + 4], 2, 256, kMarkHz, kRate),
                  1000);
        EXPECT_GT(PeakAfter(heard, onsets[first]), 1.3 * PeakAfter(heard, onsets[first + 1]));
        EXPECT_GT(test_audio::ToneAmplitude(heard, 2 * onsets[first], 2, 256,
                                            audio::detail::ClickSound::kAccentHz, kRate),
                  1000);
    }
    // The second jump had no count-in: one pass from the loop's start to the sound after its end
    // (which the stretcher may bring up to its window, 0.1 s, early).
    EXPECT_NEAR(double(onsets[5] - onsets[4]), kPass * kRate, 0.1 * kRate)
        << "the second jump" << StarvedNear(onsets[4], onsets[5] - onsets[4]);
}

}  // namespace
