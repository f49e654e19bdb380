#include <QKeyEvent>
#include <QTest>

#include "EngineTestFixture.h"
#include "TestMedia.h"
#include "engine/MainWindowIds.h"

namespace {

using enginetest::MainWindowFixture;
using testmedia::WriteWav;

constexpr int kWaitMs = 20000;  // generous: the machine is shared

// Records the key presses that reach a widget.
class KeyRecorder : public QObject {
public:
    explicit KeyRecorder(QObject* target) { target->installEventFilter(this); }
    std::vector<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            keys.push_back(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

class TransportTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    void Load(double seconds, int rate = 44100, int channels = 2) {
        Engine().LoadSong(
            WriteWav(Media("song.wav"), {.rate = rate, .channels = channels, .seconds = seconds}));
        ASSERT_NE(Stream(), 0u);
        m_boxes.Clear();
    }
    void Key(Qt::Key key, QWidget* target = nullptr) {
        QTest::keyClick(target ? target : QApplication::focusWidget(), key);
    }
};

TEST_F(TransportTest, PlayWithoutASongAsksForOne) {
    Engine().OnPlay();
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Text(39));
    EXPECT_FALSE(Engine().IsPositionTimerActive());
    Engine().OnPause();
    Engine().OnStop();
    EXPECT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(Engine().GetPositionSeconds(), 0.0);
}

TEST_F(TransportTest, PlayPauseStopDriveTheStreamAndTheTimer) {
    Load(5);
    Engine().OnPause();  // stopped stays stopped
    EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);
    EXPECT_FALSE(Engine().IsPositionTimerActive());

    QTest::mouseClick(Item(IDC_PLAY), Qt::LeftButton);
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_TRUE(Engine().IsPositionTimerActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return PositionSeconds() > 0.3; }, kWaitMs));
    // The timer keeps the time text and the slider up to date.
    ASSERT_TRUE(QTest::qWaitFor([&] { return SliderItem(IDC_POSITION)->value() > 0; }, kWaitMs));

    const double before = PositionSeconds();
    Engine().OnPlay();  // a second Play does not restart the song
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_GE(PositionSeconds(), before);

    QTest::mouseClick(Item(IDC_PAUSE), Qt::LeftButton);
    EXPECT_EQ(Activity(), audio::ACTIVE_PAUSED);
    EXPECT_TRUE(Engine().IsPositionTimerActive());
    QTest::qWait(150);  // what the device still held has been heard
    const double paused = PositionSeconds();
    QTest::qWait(250);
    EXPECT_EQ(PositionSeconds(), paused);
    Engine().OnPlay();  // from the paused position
    EXPECT_GE(PositionSeconds(), paused);

    QTest::mouseClick(Item(IDC_STOP), Qt::LeftButton);
    EXPECT_FALSE(Engine().IsPlaying());
    EXPECT_FALSE(Engine().IsPositionTimerActive());
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), 0u);
    EXPECT_EQ(LabelText(IDC_TIME), "00:00 / 00:05");
    EXPECT_EQ(SliderItem(IDC_POSITION)->value(), 0);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(TransportTest, EndOfSongStopsAtTheStartAndSpacePlaysAgain) {
    Load(0.4);
    Engine().OnPlay();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Engine().IsPositionTimerActive(); }, kWaitMs));
    EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), 0u);
    EXPECT_EQ(LabelText(IDC_TIME), "00:00 / 00:00");

    Key(Qt::Key_Space);
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_LT(PositionSeconds(), 0.4);
}

TEST_F(TransportTest, KeysActOnlyWithASongAndEveryKeyIsThenTaken) {
    QWidget* volume = Item(IDC_VOLUME);
    volume->setFocus();
    KeyRecorder recorder(volume);

    // Without a song keys pass on, except Escape.
    Key(Qt::Key_Escape, volume);
    Key(Qt::Key_Tab, volume);
    Key(Qt::Key_Space, volume);
    EXPECT_EQ(recorder.keys, (std::vector<int>{Qt::Key_Tab, Qt::Key_Space}));
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_TRUE(m_boxes.Asked().empty());  // Space did not reach Play

    Load(5);
    volume->setFocus();
    recorder.keys.clear();
    const int volumeBefore = SliderItem(IDC_VOLUME)->value();
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Up,
                        Qt::Key_PageUp, Qt::Key_Q})
        Key(key, volume);
    EXPECT_TRUE(recorder.keys.empty());
    EXPECT_EQ(QApplication::focusWidget(), volume);
    EXPECT_EQ(SliderItem(IDC_VOLUME)->value(), volumeBefore);
    EXPECT_TRUE(m_dialog->isVisible());

    Key(Qt::Key_Space, volume);
    EXPECT_TRUE(Engine().IsPlaying());
    QTest::keyClick(volume, Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(Activity(), audio::ACTIVE_PAUSED);
    Key(Qt::Key_S, volume);
    EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);
    EXPECT_FALSE(Engine().IsPositionTimerActive());
    EXPECT_TRUE(recorder.keys.empty());
}

TEST_F(TransportTest, ArrowKeysSeekATenthAndHGoesBackWithoutRefresh) {
    Load(3);
    SetPositionSeconds(1.0);
    Key(Qt::Key_Right);
    EXPECT_NEAR(PositionSeconds(), 1.1, 1e-4);
    EXPECT_EQ(SliderItem(IDC_POSITION)->value(), 1100);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_NEAR(PositionSeconds(), 0.9, 1e-4);

    SetPositionSeconds(0.05);
    Key(Qt::Key_Left);
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), 0u);

    // Past the end the layer refuses the position, and the old one stays.
    SetPositionSeconds(2.95);
    const audio::QWORD nearEnd = audio::ChannelGetPosition(Stream());
    Key(Qt::Key_Right);
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), nearEnd);
    EXPECT_EQ(LabelText(IDC_TIME), "00:02 / 00:03");

    Key(Qt::Key_H);
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), 0u);
    EXPECT_EQ(LabelText(IDC_TIME), "00:02 / 00:03");  // shown at the next refresh
    EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);
}

TEST_F(TransportTest, PositionSliderSeeksOnEveryNotificationOfADrag) {
    Load(3);
    QSlider* slider = SliderItem(IDC_POSITION);
    slider->setSliderDown(true);
    slider->setSliderPosition(1500);
    EXPECT_NEAR(PositionSeconds(), 1.5, 1e-4);
    slider->setSliderPosition(2250);
    EXPECT_NEAR(PositionSeconds(), 2.25, 1e-4);
    EXPECT_EQ(LabelText(IDC_TIME), "00:02 / 00:03");
    SetPositionSeconds(0.5);
    slider->setSliderDown(false);  // the release seeks again to the thumb's place
    EXPECT_NEAR(PositionSeconds(), 2.25, 1e-4);
    EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);

    slider->triggerAction(QAbstractSlider::SliderPageStepSub);  // a page is 10 s: to the start
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), 0u);
}

TEST_F(TransportTest, TimeTextAndSliderTruncate) {
    Load(61.5, 8000, 1);
    SetPositionSeconds(59.9996);
    Engine().RefreshDisplay(true, false);
    EXPECT_EQ(LabelText(IDC_TIME), "00:59 / 01:01");
    EXPECT_EQ(SliderItem(IDC_POSITION)->value(), 59999);
    EXPECT_EQ(SliderItem(IDC_POSITION)->maximum(), 61500);
}

}  // namespace
