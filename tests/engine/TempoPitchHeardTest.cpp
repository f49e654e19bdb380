// What is heard at a changed tempo and pitch, captured through SDL's disk driver.
#include <QTest>
#include <optional>

#include "EngineTestFixture.h"
#include "TestMedia.h"
#include "audio/AudioSystem.h"
#include "engine/MainWindowIds.h"
#include "support/BusyLoad.h"
#include "support/DiskCapture.h"
#include "ui/SliderCtrl.h"

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kBlock = kRate / 100;  // 10 ms

class TempoPitchHeardTest : public enginetest::MainWindowFixture {
protected:
    void SetUp() override {
        m_capture.emplace(Media("heard.raw"));
        MainWindowFixture::SetUp();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        m_capture.reset();
    }
    void Move(int id, int value) {
        auto* slider = qobject_cast<ui::CSliderCtrl*>(Item(id));
        slider->setValue(value);
        emit slider->scrolled(ui::TB_THUMBTRACK);
    }
    // Closes the device and returns the left channel of what it was given.
    std::vector<std::int16_t> HeardLeft() {
        m_dialog.reset();
        return m_capture->Left();
    }

    std::optional<test_audio::DiskCapture> m_capture;
};

TEST_F(TempoPitchHeardTest, SeventyPercentAndTwoSemitonesDownLastLongerAndSoundLower) {
    // A second of tone after a fifth of silence: what plays after the end, until the end's
    // notice stops the song, is the silent start again and leaves the tone's length alone.
    std::vector<std::int16_t> song(2 * kRate / 5 * 2, 0);
    const std::vector<std::int16_t> tone = test_audio::SineOfPeak(440, kRate, 2, kRate, 8000);
    song.insert(song.end(), tone.begin(), tone.end());
    Engine().LoadSong(testmedia::WriteWavSamples(Media("a440.wav"), kRate, 2, song));
    ASSERT_NE(Stream(), 0u);
    Move(IDC_TEMPO, 70);
    Move(IDC_PITCH, -200);
    // At the layer's default lead, with both cores busy with other work.
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_BUFFER), 25u);
    std::vector<std::int16_t> heard;
    {
        testenv::BusyLoad load;
        const std::uint64_t lateBefore = audio::detail::AudioSystem::Get().LateFrames();
        Engine().OnPlay();
        // The end of the song stops the timer.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Engine().IsPositionTimerActive(); }, 20000));
        // What the device holds yet is heard too.
        const std::uint64_t until = audio::detail::AudioSystem::Get().FramesTaken() + kRate / 10;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return audio::detail::AudioSystem::Get().FramesTaken() >= until; }, 5000));
        EXPECT_EQ(audio::detail::AudioSystem::Get().LateFrames(), lateBefore)
            << "output frames played late";
        heard = HeardLeft();
    }

    // Length: the 10 ms blocks that carry the tone (8000 at volume 50 is a peak of 4000).
    std::size_t active = 0, first = 0, last = 0;
    for (std::size_t b = 0; (b + 1) * kBlock <= heard.size(); ++b) {
        int peak = 0;
        for (std::size_t i = b * kBlock; i < (b + 1) * kBlock; ++i)
            peak = std::max(peak, std::abs(int{heard[i]}));
        if (peak < 1500) continue;
        if (!active++) first = b;
        last = b;
    }
    EXPECT_NEAR(static_cast<double>(active), 100 / 0.7, 3);
    EXPECT_EQ(last - first + 1, active) << "a gap in what was heard";

    // Pitch: the median period between rising zero crossings inside the tone.
    std::vector<double> periods;
    double previous = -1;
    for (std::size_t i = (first + 10) * kBlock; i + 1 < (last - 10) * kBlock; ++i) {
        if (heard[i] < 0 && heard[i + 1] >= 0) {
            const double at =
                static_cast<double>(i) + static_cast<double>(-heard[i]) / (heard[i + 1] - heard[i]);
            if (previous >= 0) periods.push_back(at - previous);
            previous = at;
        }
    }
    ASSERT_GT(periods.size(), 200u);
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    EXPECT_NEAR(kRate / periods[periods.size() / 2], 440 * std::pow(2.0, -2 / 12.0), 1);
}

}  // namespace
