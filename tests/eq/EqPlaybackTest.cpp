// What the equaliser does to what is heard: the playback goes to SDL's disk driver and is read
// back once the main window has released the device.
#include <QAbstractButton>  // before the fixture, which uses it

#include "eq/QuorvelEQPropertyPage.h"
#include "loop/LoopPlaybackFixture.h"
#include "ui/SliderCtrl.h"

namespace {

using namespace looptest;

class EqPlaybackTest : public LoopPlaybackFixture {};

// A 1 kHz tone at volume 50 is heard at half its amplitude of 16000, as RMS.
constexpr double kFlatToneRms = 0.5 * 16000 / std::numbers::sqrt2;

TEST_F(EqPlaybackTest, MovingTheBandsSliderWhilePlayingCutsThatBandAtOnce) {
    const std::vector<std::int16_t> heard = CaptureWhole([&] {
        Load({{1000, 3.0}});
        auto* page = qobject_cast<CQuorvelEQPropertyPage*>(m_dialog->EqPage());
        ASSERT_NE(page, nullptr);
        Key(Qt::Key_Space);
        ASSERT_TRUE(Engine().IsPlaying());
        Play(300);
        page->Slider(4)->setSliderPosition(15);  // 1K to the bottom: -15 dB
        EXPECT_EQ(page->BandGain(4), -15);
        Play(600);  // more than the mixer's lead, so that the cut reaches the device
    });
    ASSERT_FALSE(heard.empty());

    std::size_t first = 0, last = 0;
    for (std::size_t i = 0; i < heard.size() / 2; ++i)
        if (std::abs(heard[2 * i]) > 300) {
            if (!first) first = i;
            last = i;
        }
    ASSERT_GT(last, first + kRate / 2);
    constexpr std::size_t kWindow = kRate / 50;  // 20 ms: whole periods of the tone
    const double before = Rms(heard.data() + 2 * (first + kRate / 20), kWindow, 2);
    const double after = Rms(heard.data() + 2 * (last - kRate / 20), kWindow, 2);
    EXPECT_NEAR(before, kFlatToneRms, 0.1 * kFlatToneRms);
    EXPECT_NEAR(20 * std::log10(after / before), -15, 1.5);
}

}  // namespace
