// The equaliser page in the real main window: its controls, the bands it puts on the playback
// stream, what its sliders and presets do to them, and where the EQ button shows it.
#include <QGroupBox>
#include <QStyleOptionSlider>
#include <cmath>

#include "EqPageFixture.h"
#include "eq/EqBands.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "ui/BitmapButton.h"

using eqtest::EqPageFixture;

namespace {

class EqPageTest : public EqPageFixture {
protected:
    // The tip a pointer resting on `control` shows, from whichever of the page's tooltips has
    // one there; null when none has.
    QString TipAt(const QWidget* control) {
        QString tip;
        for (const auto& tooltip : m_page->ToolTips())
            if (const QString text = tooltip->TextAt(control, QPoint(3, 3)); !text.isNull())
                tip = text;
        return tip;
    }
};

TEST_F(EqPageTest, BeforeASongItListsTheDefaultPresetsWithEverythingDisabled) {
    OpenWindow();
    EXPECT_EQ(m_page->parentWidget(), m_dialog.get());
    EXPECT_FALSE(m_page->isWindow());
    EXPECT_TRUE(m_page->isHidden());
    EXPECT_EQ(m_page->size(), QSize(522, 190));

    // No settings file yet: the default one is written, byte for byte.
    EXPECT_EQ(SettingsFile(), kDefaultPresetFile);
    EXPECT_EQ(ListedNames(),
              (std::vector<std::string>{"Reset", "Volume +5", "Volume +10", "Classical", "Rock",
                                        "Acoustic", "Vocal", "Bass"}));
    EXPECT_EQ(m_page->m_nPresetCount, 8);
    EXPECT_FALSE(List()->isEnabled());
    EXPECT_EQ(List()->GetCurSel(), -1);

    for (int band = 0; band < kEqBandCount; ++band) {
        SCOPED_TRACE(band);
        EXPECT_EQ(Slider(band)->orientation(), Qt::Vertical);
        EXPECT_EQ(Slider(band)->minimum(), -15);
        EXPECT_EQ(Slider(band)->maximum(), 15);
        EXPECT_EQ(Slider(band)->pageStep(), 1);
        EXPECT_EQ(Slider(band)->value(), 0);
        EXPECT_FALSE(Slider(band)->isEnabled());
    }
    for (int i = 0; i < 3; ++i) {
        auto* button = qobject_cast<ui::CBitmapButton*>(Button(740 + i));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->HasBitmaps());
        EXPECT_FALSE(button->isEnabled());
        EXPECT_TRUE(TipAt(button).isNull());  // disabled: it explains nothing yet
    }
    EXPECT_EQ(m_page->GetDlgItem<QGroupBox>(506)->title(), "text 72");
    EXPECT_EQ(m_page->GetDlgItem<QGroupBox>(507)->title(), "text 73");

    // Notifications that still arrive without a song change nothing.
    Slider(2)->setValue(-7);
    m_page->OnEqVScroll(Slider(2));
    List()->SetCurSel(4);
    m_page->OnPresetSelChange();
    EXPECT_EQ(Slider(7)->value(), 0);
    EXPECT_EQ(g_bModified, 0);
    EXPECT_EQ(m_page->m_dwEqStream, 0u);
}

TEST_F(EqPageTest, ASongGetsNineFlatOctaveBandsThatTheSlidersMove) {
    OpenWithSong();
    EXPECT_EQ(m_page->m_dwEqStream, Engine().m_dwBassStream);
    const float centres[] = {80, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    for (int band = 0; band < kEqBandCount; ++band) {
        SCOPED_TRACE(band);
        EXPECT_TRUE(Slider(band)->isEnabled());
        const audio::FXPARAMEQ parameters = BandParameters(band);
        EXPECT_EQ(parameters.fCenter, centres[band]);
        EXPECT_EQ(parameters.fBandwidth, 12.0f);
        EXPECT_EQ(parameters.fGain, 0.0f);
    }
    EXPECT_TRUE(List()->isEnabled());
    for (int id : {740, 741, 742}) {
        EXPECT_TRUE(Button(id)->isEnabled());
        EXPECT_EQ(TipAt(Button(id)), QString("text %1").arg(id - 739));
    }
    EXPECT_EQ(g_bModified, 0);

    // The top end is +15 dB, the bottom end -15 dB; the other bands stay as they were.
    Drag(0, -15);
    EXPECT_EQ(BandParameters(0).fGain, 15.0f);
    EXPECT_EQ(BandParameters(0).fCenter, 80.0f);  // only the gain changes
    EXPECT_EQ(g_bModified, 1);
    Drag(8, 15);
    EXPECT_EQ(BandParameters(8).fGain, -15.0f);
    EXPECT_EQ(StreamGains(), (std::vector<float>{15, 0, 0, 0, 0, 0, 0, 0, -15}));

    // A step up is more gain: the thumb of +15 dB sits on top.
    Slider(4)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    Slider(4)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(BandParameters(4).fGain, 2.0f);
    QStyleOptionSlider option;
    option.initFrom(Slider(0));
    option.orientation = Qt::Vertical;
    option.minimum = -15;
    option.maximum = 15;
    option.sliderPosition = -15;
    option.upsideDown = !Slider(0)->invertedAppearance();
    const QRect thumb = Slider(0)->style()->subControlRect(QStyle::CC_Slider, &option,
                                                           QStyle::SC_SliderHandle, Slider(0));
    EXPECT_LT(thumb.center().y(), Slider(0)->height() / 4);
}

TEST_F(EqPageTest, EveryNewSongStartsFlatWithNoPresetChosen) {
    OpenWithSong();
    ClickLine(7);  // Bass
    Drag(5, 9);
    const audio::HSTREAM first = Engine().m_dwBassStream;
    LoadSong("second.wav");
    ASSERT_NE(Engine().m_dwBassStream, first);
    EXPECT_EQ(m_page->m_dwEqStream, Engine().m_dwBassStream);
    EXPECT_EQ(SliderPositions(), std::vector<int>(9, 0));
    EXPECT_EQ(List()->GetCurSel(), -1);
    EXPECT_EQ(StreamGains(), std::vector<float>(9, 0.0f));
    EXPECT_EQ(BandParameters(8).fCenter, 16000.0f);
}

TEST_F(EqPageTest, ChoosingAPresetSetsTheSlidersAndTheSound) {
    OpenWithSong();
    ClickLine(4);  // Rock: 0 2 3 -1 -1 0 0 4 4
    EXPECT_EQ(SliderPositions(), (std::vector<int>{0, -2, -3, 1, 1, 0, 0, -4, -4}));
    EXPECT_EQ(StreamGains(), (std::vector<float>{0, 2, 3, -1, -1, 0, 0, 4, 4}));
    EXPECT_EQ(g_bModified, 1);

    // Choosing the same line again after moving a slider puts the preset back.
    Drag(1, 10);
    ClickLine(4);
    EXPECT_EQ(BandParameters(1).fGain, 2.0f);

    // A selection made by the program is not the user's choice.
    g_bModified = 0;
    List()->SetCurSel(7);
    EXPECT_EQ(BandParameters(0).fGain, 0.0f);
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(EqPageTest, PresetsComeFromTheFileInKeyOrder) {
    testenv::WriteFile(PresetFilePath(),
                       "[eqpresets]\r\n"
                       "Preset5=\"Later\" 20 -99 1 2 3 4 5 6 x7\r\n"
                       "Preset0=\"First\" 1 1 1 1 1 1 1 1 1\r\n"
                       "Preset1=\"Eight numbers\" 1 1 1 1 1 1 1 1\r\n");
    OpenWithSong();
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"First", "Later"}));
    ClickLine(1);
    EXPECT_EQ(StreamGains(), (std::vector<float>{15, -15, 1, 2, 3, 4, 5, 6, 0}));
}

TEST_F(EqPageTest, BandGainsAreHeardOnARenderedStream) {
    OpenWithSong();
    // A quiet 1 kHz tone, so that a 15 dB boost stays far from clipping.
    const std::vector<std::int16_t> samples = test_audio::SineOfPeak(1000, 44100, 2, 22050, 1500);
    const std::string path =
        testmedia::WriteWavSamples(m_media.path().toStdString() + "/tone.wav", 44100, 2, samples);
    const auto levelDb = [&] {
        const audio::HSTREAM decoder =
            audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
        EXPECT_NE(decoder, 0u);
        SetEqBands(decoder, m_page->BandGains());
        std::vector<std::int16_t> out(samples.size());
        const audio::DWORD bytes =
            audio::ChannelGetData(decoder, out.data(), static_cast<audio::DWORD>(out.size() * 2));
        audio::StreamFree(decoder);
        EXPECT_EQ(bytes, out.size() * 2);
        const std::size_t settle = 4410, count = 11025;  // past the filters' start
        return 20 *
               std::log10(testmedia::ToneAmplitude(out, settle * 2, 2, count, 1000, 44100) / 1500);
    };
    EXPECT_NEAR(levelDb(), 0, 0.5);
    Drag(4, -15);  // 1K at the top
    EXPECT_NEAR(levelDb(), 15, 1.0);
    Drag(4, 15);
    EXPECT_NEAR(levelDb(), -15, 1.0);
    Drag(4, 0);
    Drag(8, -15);  // 16K far away: hardly heard at 1 kHz
    EXPECT_NEAR(levelDb(), 0, 1.0);
}

TEST_F(EqPageTest, TheEqButtonShowsThePageBelowTheLoopPage) {
    OpenWindow();
    m_dialog->show();
    const auto click = [&](int id) {
        qobject_cast<QAbstractButton*>(m_dialog->GetDlgItem(id))->click();
    };
    click(519);
    EXPECT_EQ(m_dialog->size(), QSize(544, 610));
    EXPECT_TRUE(m_page->isVisible());
    EXPECT_EQ(m_page->geometry(), QRect(10, 380, 516, 190));
    click(518);
    EXPECT_EQ(m_dialog->size(), QSize(544, 804));
    EXPECT_EQ(m_dialog->LoopPage()->geometry(), QRect(10, 380, 516, 190));
    EXPECT_EQ(m_page->geometry(), QRect(10, 570, 516, 190));
    click(519);
    EXPECT_FALSE(m_page->isVisible());
    EXPECT_EQ(m_dialog->size(), QSize(544, 610));
}

}  // namespace
