#include <QAbstractButton>
#include <QTest>

#include "EngineTestFixture.h"
#include "TestMedia.h"
#include "engine/MainWindowIds.h"
#include "ui/SliderCtrl.h"

namespace {

using enginetest::MainWindowFixture;
using testmedia::WriteWav;

constexpr int kWaitMs = 20000;  // generous: the machine is shared

struct TempoPitch {
    float tempo = 0;
    float pitch = 0;
};

class SoundControlsTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }
    void Load(const std::string& path) {
        Engine().LoadSong(path);
        ASSERT_NE(Stream(), 0u);
        ASSERT_TRUE(m_boxes.Asked().empty());
        g_bModified = 0;
    }
    void LoadTone(double seconds = 2) { Load(WriteWav(Media("song.wav"), {.seconds = seconds})); }

    // The user drags a slider to `value`: the main window gets its scroll notification.
    void Move(int id, int value) {
        auto* slider = qobject_cast<ui::CSliderCtrl*>(Item(id));
        slider->setValue(value);
        emit slider->scrolled(ui::TB_THUMBTRACK);
    }
    // The arrow button's notifications, as the main window receives them.
    void Click(int id) { emit qobject_cast<QAbstractButton*>(Item(id))->clicked(); }
    void DoubleClick(int id) {
        Click(id);
        QMetaObject::invokeMethod(Item(id), "doubleClicked", Qt::DirectConnection);
    }
    // A left press at `point` of control `id`, delivered to that control.
    void Press(int id, QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Item(id), button, {}, point);
    }
    int Value(int id) { return SliderItem(id)->value(); }

    TempoPitch Stretch() {
        TempoPitch values;
        EXPECT_TRUE(audio::FX_TempoGet(Stream(), &values.tempo, nullptr, &values.pitch));
        return values;
    }
    int StreamVolume() {
        audio::DWORD volume = 0;
        EXPECT_TRUE(audio::ChannelGetAttributes(Stream(), nullptr, &volume, nullptr));
        return static_cast<int>(volume);
    }
    // Marks the four captions so that a refresh shows.
    void MarkCaptions() {
        for (int id = IDC_TEMPO_CAPTION; id <= IDC_VOCAL_CAPTION; ++id)
            qobject_cast<QGroupBox*>(Item(id))->setTitle("unchanged");
    }
    bool CaptionsUnchanged() {
        for (int id = IDC_TEMPO_CAPTION; id <= IDC_VOCAL_CAPTION; ++id)
            if (CaptionText(id) != "unchanged") return false;
        return true;
    }
};

TEST_F(SoundControlsTest, TempoAndPitchReachTheTempoStreamEachLeavingTheOther) {
    LoadTone();
    Move(IDC_TEMPO, 5);
    EXPECT_EQ(Stretch().tempo, -95.0f);
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 5%");
    EXPECT_EQ(g_bModified, 1);

    Move(IDC_TEMPO, 400);
    EXPECT_EQ(Stretch().tempo, 300.0f);
    g_bModified = 0;
    Move(IDC_PITCH, 1250);
    EXPECT_EQ(Stretch().tempo, 300.0f);
    EXPECT_EQ(Stretch().pitch, 12.5f);
    EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: +1250");
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 400%");
    EXPECT_EQ(g_bModified, 1);

    Move(IDC_PITCH, -1);
    EXPECT_EQ(Stretch().pitch, -1 / 100.0f);
    EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: -1");
    Move(IDC_PITCH, -2400);
    EXPECT_EQ(Stretch().pitch, -24.0f);

    Move(IDC_TEMPO, 100);
    EXPECT_EQ(Stretch().tempo, 0.0f);
    EXPECT_EQ(Stretch().pitch, -24.0f);
    EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: -2400");
}

TEST_F(SoundControlsTest, WithoutASongOnlyTheVolumeReachesBeyondItsSlider) {
    MarkCaptions();
    Move(IDC_TEMPO, 200);
    Move(IDC_PITCH, 500);
    Move(IDC_VOCAL, 100);
    EXPECT_TRUE(CaptionsUnchanged());
    EXPECT_EQ(g_nVocalLevel, 0);
    EXPECT_EQ(g_hVocalDSP, 0u);
    EXPECT_EQ(g_bModified, 0);

    // The volume rewrites every caption from its slider, but there is nothing to modify.
    Move(IDC_VOLUME, 70);
    EXPECT_EQ(CaptionText(IDC_VOLUME_CAPTION), "Volume: 70");
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 200%");
    EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: +500");
    EXPECT_EQ(CaptionText(IDC_VOCAL_CAPTION), "Vocal Reduction: 100");
    EXPECT_EQ(g_bModified, 0);

    // A load keeps that volume and sets it on the new stream.
    LoadTone();
    EXPECT_EQ(StreamVolume(), 70);
    Move(IDC_VOLUME, 20);
    EXPECT_EQ(StreamVolume(), 20);
    EXPECT_EQ(g_bModified, 1);
}

// The song is a tone in the left channel only; the levels heard tell how the procedure acts:
// (L × (256 − g)) / 512 in both channels with one procedure installed.
TEST_F(SoundControlsTest, VocalReductionInstallsOneProcedureAndRemovesItAtZero) {
    constexpr int kRate = 44100;
    constexpr int kAmplitude = 16000;
    std::vector<std::int16_t> samples(2 * 20 * kRate);
    for (std::size_t i = 0; i < samples.size() / 2; ++i)
        samples[2 * i] = static_cast<std::int16_t>(
            std::lround(kAmplitude * std::sin(2 * M_PI * 441 * static_cast<double>(i) / kRate)));
    Load(testmedia::WriteWavSamples(Media("left.wav"), kRate, 2, samples));
    Engine().OnPlay();

    auto heardNear = [&](double left, double right) {
        return QTest::qWaitFor(
            [&] {
                const audio::DWORD level = audio::ChannelGetLevel(Stream());
                const double l = level & 0xFFFF, r = level >> 16;
                return std::abs(l - left) <= 0.05 * kAmplitude &&
                       std::abs(r - right) <= 0.05 * kAmplitude;
            },
            kWaitMs);
    };
    ASSERT_TRUE(heardNear(kAmplitude, 0));

    Move(IDC_VOCAL, 5);
    const audio::HDSP installed = g_hVocalDSP;
    EXPECT_NE(installed, 0u);
    EXPECT_EQ(g_nVocalLevel, 5);
    EXPECT_EQ(CaptionText(IDC_VOCAL_CAPTION), "Vocal Reduction: 5");
    EXPECT_EQ(g_bModified, 1);
    EXPECT_TRUE(heardNear(kAmplitude * 251 / 512.0, kAmplitude * 251 / 512.0));

    // The same procedure reads the new weight; a second one would make it 0.28 times that.
    Move(IDC_VOCAL, 200);
    EXPECT_EQ(g_hVocalDSP, installed);
    EXPECT_TRUE(heardNear(kAmplitude * 56 / 512.0, kAmplitude * 56 / 512.0));

    g_bModified = 0;
    Move(IDC_VOCAL, 0);
    EXPECT_EQ(g_hVocalDSP, 0u);
    EXPECT_EQ(g_nVocalLevel, 0);
    EXPECT_EQ(g_bModified, 1);
    EXPECT_FALSE(audio::ChannelRemoveDSP(Stream(), installed));  // already gone
    EXPECT_TRUE(heardNear(kAmplitude, 0));

    // A new song starts without it even when the reduction was on (another song: the same
    // samples would be the same song, which comes back as it was left).
    Move(IDC_VOCAL, 128);
    ASSERT_NE(g_hVocalDSP, 0u);
    std::vector<std::int16_t> other = samples;
    other.back() = 1;
    Load(testmedia::WriteWavSamples(Media("left2.wav"), kRate, 2, other));
    EXPECT_EQ(g_hVocalDSP, 0u);
    EXPECT_EQ(g_nVocalLevel, 0);
    Engine().OnPlay();
    EXPECT_TRUE(heardNear(kAmplitude, 0));
}

TEST_F(SoundControlsTest, ArrowsStepOnceAndTempoAndPitchOnesNeedASong) {
    MarkCaptions();
    Click(IDC_TEMPO_UP);
    Click(IDC_PITCH_DOWN);
    EXPECT_EQ(Value(IDC_TEMPO), 100);
    EXPECT_EQ(Value(IDC_PITCH), 0);
    EXPECT_TRUE(CaptionsUnchanged());
    // The vocal arrows move their slider without a song, which changes nothing else.
    Click(IDC_VOCAL_UP);
    EXPECT_EQ(Value(IDC_VOCAL), 1);
    EXPECT_EQ(g_nVocalLevel, 0);
    EXPECT_TRUE(CaptionsUnchanged());
    Click(IDC_VOLUME_UP);
    EXPECT_EQ(Value(IDC_VOLUME), 51);
    EXPECT_EQ(CaptionText(IDC_VOLUME_CAPTION), "Volume: 51");
    EXPECT_EQ(g_bModified, 0);

    LoadTone();
    Click(IDC_TEMPO_DOWN);
    EXPECT_EQ(Value(IDC_TEMPO), 99);
    EXPECT_EQ(Stretch().tempo, -1.0f);
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 99%");
    EXPECT_EQ(g_bModified, 1);
    Click(IDC_PITCH_UP);
    EXPECT_EQ(Stretch().pitch, 0.01f);
    Click(IDC_VOCAL_UP);
    EXPECT_EQ(g_nVocalLevel, 1);
    EXPECT_NE(g_hVocalDSP, 0u);
    Click(IDC_VOCAL_DOWN);
    EXPECT_EQ(g_hVocalDSP, 0u);
    Click(IDC_VOLUME_DOWN);
    EXPECT_EQ(StreamVolume(), 50);

    // A double click is two steps.
    DoubleClick(IDC_TEMPO_UP);
    EXPECT_EQ(Value(IDC_TEMPO), 101);
    EXPECT_EQ(Stretch().tempo, 1.0f);
    DoubleClick(IDC_VOLUME_DOWN);
    EXPECT_EQ(StreamVolume(), 48);

    // With the mouse: a press steps at once, a double click's second press once more.
    QTest::mousePress(Item(IDC_TEMPO_UP), Qt::LeftButton);
    EXPECT_EQ(Value(IDC_TEMPO), 102);
    EXPECT_EQ(Stretch().tempo, 2.0f);
    QTest::mouseRelease(Item(IDC_TEMPO_UP), Qt::LeftButton);
    QTest::mouseDClick(Item(IDC_TEMPO_UP), Qt::LeftButton);
    QTest::mouseRelease(Item(IDC_TEMPO_UP), Qt::LeftButton);
    EXPECT_EQ(Value(IDC_TEMPO), 103);
}

TEST_F(SoundControlsTest, ArrowsAtTheEndOfTheirRangeDoNothingAtAll) {
    LoadTone();
    struct End {
        int arrow;
        int slider;
        int value;
    };
    const End ends[] = {
        {IDC_TEMPO_DOWN, IDC_TEMPO, 5},     {IDC_TEMPO_UP, IDC_TEMPO, 400},
        {IDC_PITCH_DOWN, IDC_PITCH, -2400}, {IDC_PITCH_UP, IDC_PITCH, 2400},
        {IDC_VOLUME_DOWN, IDC_VOLUME, 0},   {IDC_VOLUME_UP, IDC_VOLUME, 100},
        {IDC_VOCAL_DOWN, IDC_VOCAL, 0},     {IDC_VOCAL_UP, IDC_VOCAL, 256},
    };
    for (const End& end : ends) {
        SliderItem(end.slider)->setValue(end.value);
        // Values the stream holds that no end position would give: a call would show.
        audio::FX_TempoSet(Stream(), 7, 0, 3.5f);
        audio::ChannelSetAttributes(Stream(), -1, 33, -101);
        g_nVocalLevel = 77;
        MarkCaptions();
        g_bModified = 0;

        Click(end.arrow);
        EXPECT_EQ(Value(end.slider), end.value) << end.arrow;
        EXPECT_EQ(Stretch().tempo, 7.0f) << end.arrow;
        EXPECT_EQ(Stretch().pitch, 3.5f) << end.arrow;
        EXPECT_EQ(StreamVolume(), 33) << end.arrow;
        EXPECT_EQ(g_nVocalLevel, 77) << end.arrow;
        EXPECT_EQ(g_hVocalDSP, 0u) << end.arrow;
        EXPECT_TRUE(CaptionsUnchanged()) << end.arrow;
        EXPECT_EQ(g_bModified, 0) << end.arrow;
    }
    g_nVocalLevel = 0;
}

TEST_F(SoundControlsTest, ClickOnACaptionResetsItsSliderButNotOnTheControlsInsideIt) {
    QGroupBox* pitchCaption = qobject_cast<QGroupBox*>(Item(IDC_PITCH_CAPTION));
    const QPoint captionText(pitchCaption->width() / 2, 3);
    // Where the slider and the + arrow lie inside the frame, in the frame's coordinates.
    const QPoint onSlider = pitchCaption->mapFromGlobal(Item(IDC_PITCH)->mapToGlobal(QPoint(3, 3)));
    const QPoint onArrow =
        pitchCaption->mapFromGlobal(Item(IDC_PITCH_UP)->mapToGlobal(QPoint(2, 2)));

    // Without a song: the volume is reset and applied, the pitch slider just moves back.
    Move(IDC_VOLUME, 80);
    SliderItem(IDC_PITCH)->setValue(300);
    Press(IDC_VOLUME_CAPTION, QPoint(4, 3));
    EXPECT_EQ(Value(IDC_VOLUME), 50);
    EXPECT_EQ(CaptionText(IDC_VOLUME_CAPTION), "Volume: 50");
    Press(IDC_PITCH_CAPTION, captionText);
    EXPECT_EQ(Value(IDC_PITCH), 0);
    EXPECT_EQ(g_bModified, 0);

    LoadTone();
    Move(IDC_PITCH, 300);
    Move(IDC_TEMPO, 150);
    Move(IDC_VOCAL, 40);
    g_bModified = 0;

    // Presses that land on the slider or the arrow inside the frame are theirs.
    Press(IDC_PITCH_CAPTION, onSlider);
    EXPECT_EQ(Value(IDC_PITCH), 300);
    Press(IDC_PITCH_CAPTION, onArrow);
    Press(IDC_PITCH_CAPTION, captionText, Qt::RightButton);
    EXPECT_EQ(Value(IDC_PITCH), 300);
    QTest::mouseClick(Item(IDC_PITCH), Qt::LeftButton, {},
                      QPoint(3, Item(IDC_PITCH)->height() / 2));
    EXPECT_NE(Value(IDC_PITCH), 0);
    EXPECT_NE(Stretch().pitch, 0.0f);

    Press(IDC_PITCH_CAPTION, captionText);
    EXPECT_EQ(Value(IDC_PITCH), 0);
    EXPECT_EQ(Stretch().pitch, 0.0f);
    EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: 0");
    EXPECT_EQ(g_bModified, 1);

    // The lower edge of the frame, below the slider, belongs to the caption too.
    Press(IDC_TEMPO_CAPTION, QPoint(4, Item(IDC_TEMPO_CAPTION)->height() - 2));
    EXPECT_EQ(Value(IDC_TEMPO), 100);
    EXPECT_EQ(Stretch().tempo, 0.0f);
    Press(IDC_VOCAL_CAPTION, QPoint(4, 3));
    EXPECT_EQ(Value(IDC_VOCAL), 0);
    EXPECT_EQ(g_hVocalDSP, 0u);
    EXPECT_EQ(CaptionText(IDC_VOCAL_CAPTION), "Vocal Reduction: 0");
}

}  // namespace
