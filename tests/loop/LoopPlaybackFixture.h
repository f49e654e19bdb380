#pragma once

// The real main window with its loop editor page over the real audio layer, whose output goes
// to SDL's disk driver: what would have been heard is read back from that file once the window
// has released the device. Songs are WAV files of tone sections written on the spot.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "audio/AudioSystem.h"
#include "audio/Mixer.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "support/BusyLoad.h"
#include "support/DiskCapture.h"
#include "support/TestAudio.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace looptest {

using test_audio::Rms;

constexpr int kRate = 44100;
constexpr audio::QWORD kFrameBytes = 4;  // 16-bit stereo
constexpr int kWaitMs = 20000;           // only a bound for waits that fail: the machine is shared

struct ToneSection {
    double frequency;
    double seconds;
};

// A 16-bit stereo WAV file of sine sections, each starting at phase 0, amplitude 16000.
inline void WriteToneSections(const std::string& path, const std::vector<ToneSection>& sections) {
    std::vector<std::int16_t> samples;
    for (const ToneSection& section : sections) {
        const auto frames = static_cast<std::size_t>(std::llround(section.seconds * kRate));
        const std::vector<std::int16_t> tone =
            test_audio::SineOfPeak(section.frequency, kRate, 2, frames, 16000);
        samples.insert(samples.end(), tone.begin(), tone.end());
    }
    test_audio::WriteWav(path, kRate, 2, samples);
}

class LoopPlaybackFixture : public ::testing::Test {
protected:
    void SetUp() override {
        InstallShippedData(DataFolder());
        OpenMainWindow();
    }
    void TearDown() override { m_dialog.reset(); }

    // A fresh main window, which opens the device and starts a fresh capture.
    void OpenMainWindow() {
        m_dialog.reset();
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
        m_page = m_dialog->LoopPage();
        ASSERT_NE(m_page, nullptr);
    }

    CPlaybackEngine& Engine() { return m_dialog->Engine(); }
    audio::HSTREAM Stream() { return Engine().m_dwBassStream; }

    std::string Media(const std::string& name) const {
        return m_media.path().toStdString() + "/" + name;
    }
    void Load(const std::vector<ToneSection>& sections) {
        const std::string path = Media("song.wav");
        WriteToneSections(path, sections);
        Engine().LoadSong(path);
        ASSERT_NE(Stream(), 0u);
        ASSERT_TRUE(m_boxes.Asked().empty());
    }

    static audio::QWORD Bytes(double seconds) {
        return static_cast<audio::QWORD>(std::llround(seconds * kRate)) * kFrameBytes;
    }
    audio::QWORD Position() { return audio::ChannelGetPosition(Stream()); }
    void SetPosition(audio::QWORD bytes) {
        ASSERT_TRUE(audio::ChannelSetPosition(Stream(), bytes));
    }
    void Key(Qt::Key key) { QTest::keyClick(m_dialog->GetDlgItem(440), key); }
    void Click(int id) { qobject_cast<QAbstractButton*>(m_page->GetDlgItem(id))->click(); }

    // Lets the device play `ms` more of output (a busy machine plays slower than the clock),
    // dispatching the window's messages meanwhile unless told not to.
    static void Play(int ms, bool bDispatch = true) {
        audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
        const std::uint64_t until = system.FramesTaken() + std::uint64_t(ms) * kRate / 1000;
        const auto played = [&] { return system.FramesTaken() >= until; };
        if (bDispatch) {
            (void)QTest::qWaitFor(played, kWaitMs);
            return;
        }
        for (int waited = 0; waited < kWaitMs && !played(); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    // Runs `scenario` at the layer's default lead with both cores of the machine kept busy by
    // other processes, and gives what was heard. A block the mixer delivered too late (the
    // device played silence of its own instead) fails the test.
    template <typename Scenario>
    std::vector<std::int16_t> CaptureWhole(Scenario scenario) {
        audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
        EXPECT_EQ(audio::GetConfig(audio::CONFIG_BUFFER), 25u);
        testenv::BusyLoad load;
        const std::uint64_t lateBefore = system.LateFrames();
        const std::uint64_t starvedBefore = audio::detail::Mixer::StarvedBlocks();
        scenario();
        EXPECT_EQ(system.LateFrames(), lateBefore) << "output frames played late";
        m_starvedAt = audio::detail::Mixer::StarvedSince(starvedBefore);
        if (::testing::Test::HasFatalFailure()) return {};
        return Heard();
    }

    // Fails at the first 10 ms of the left channel of [first, last) whose RMS is below 3/4 of
    // `toneRms`, saying whether the mixer had a block starved there. A join of a loop costs at
    // most about a third of one 10 ms window's energy; a gap of one block (6 ms) more than half.
    void ExpectNoGap(const std::vector<std::int16_t>& heard, std::size_t first, std::size_t last,
                     double toneRms) const {
        constexpr std::size_t kWindow = kRate / 100;
        constexpr std::size_t kStep = kRate / 1000;
        for (std::size_t w = first + kWindow; w + 2 * kWindow < last; w += kStep) {
            const double rms = Rms(heard.data() + 2 * w, kWindow, 2);
            ASSERT_GE(rms, 0.75 * toneRms) << "gap at output frame " << w << StarvedNear(w, kWindow);
        }
    }

    // Closes the device and gives what was heard, stereo 16-bit at 44.1 kHz.
    std::vector<std::int16_t> Heard() {
        m_dialog.reset();
        return m_capture.Samples();
    }

    // Which kind of gap a failure is: a block the producer had not ready, or the sound itself.
    std::string StarvedNear(std::size_t frame, std::size_t window) const {
        for (const std::uint64_t at : m_starvedAt) {
            if (at + audio::detail::Mixer::kBlockFrames > frame && at < frame + window)
                return ", where the mixer found a block not ready (output frame " +
                       std::to_string(at) + ")";
        }
        return " (every block was ready in time: the gap is in the sound)";
    }

    testenv::TempAppData m_appData;
    std::vector<std::uint64_t> m_starvedAt;  // output frames of blocks starved while capturing
    QTemporaryDir m_media;
    test_audio::DiskCapture m_capture{Media("heard.raw")};
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
    CQuorvelLoopPropertyPage* m_page = nullptr;
};

}  // namespace looptest
