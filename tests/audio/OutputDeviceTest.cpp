// The output device chosen while a song plays, and devices coming and going, on a PulseAudio
// server of the test's own whose sinks stand for the speakers and a headset.
#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "AudioTestSupport.h"
#include "audio/Audio.h"
#include "support/PulseServer.h"

namespace {

using audio_test::TempDir;

class OutputDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pulse.Running()) << "the PulseAudio server did not start";
        ASSERT_TRUE(audio::Init(-1, 44100, 0, nullptr, nullptr)) << audio::ErrorGetCode();
        const std::string song = m_dir.File("tone.wav");
        test_audio::WriteWav(song, 44100, 2, test_audio::Sine(440, 44100, 2, 44100 * 30, 0.3));
        m_stream = audio::StreamCreateFile(false, song.c_str(), 0, 0, 0);
        ASSERT_NE(m_stream, 0u);
        ASSERT_TRUE(audio::ChannelPlay(m_stream, false));
        ASSERT_TRUE(m_pulse.WaitForStreamOn("speakers", 5000));
        ExpectPlayingOn();
    }
    void TearDown() override { audio::Free(); }

    double Position() const {
        return audio::ChannelBytes2Seconds(m_stream, audio::ChannelGetPosition(m_stream));
    }
    // The devices the layer lists, with the one it plays through marked by '*'.
    static std::vector<std::string> Devices() {
        std::vector<std::string> devices;
        audio::DEVICEINFO info{};
        for (audio::DWORD device = 2; audio::GetDeviceInfo(device, &info); ++device)
            devices.push_back(std::string(info.name) +
                              (info.flags & audio::DEVICE_INIT ? "*" : ""));
        return devices;
    }
    // The song plays on: it is playing, and once the device has started (a sound server's
    // stream takes a moment), it moves on by about the time waited.
    void ExpectPlayingOn() {
        EXPECT_EQ(audio::ChannelIsActive(m_stream), audio::ACTIVE_PLAYING);
        const double start = Position();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Position() > start + 0.02; }, 3000))
            << "the song does not go on";
        const double before = Position();
        QTest::qWait(400);
        EXPECT_NEAR(Position() - before, 0.4, 0.15);
    }

    testenv::PulseServer m_pulse{{{"speakers", "Speakers"}, {"headset", "Headset"}}};
    TempDir m_dir;
    audio::HSTREAM m_stream = 0;
};

TEST_F(OutputDeviceTest, AChoiceWhilePlayingMovesTheSoundThereAndKeepsThePosition) {
    EXPECT_EQ(Devices(), (std::vector<std::string>{"Speakers", "Headset"}));
    struct Choice {
        const char* device;
        const char* sink;
        std::vector<std::string> listed;
    };
    const Choice choices[] = {
        {"Headset", "headset", {"Speakers", "Headset*"}},
        {"", "speakers", {"Speakers", "Headset"}},  // the system's default
        {"Speakers", "speakers", {"Speakers*", "Headset"}},
    };
    for (const Choice& choice : choices) {
        SCOPED_TRACE(choice.device);
        const double before = Position();
        ASSERT_TRUE(audio::SetOutputDevice(choice.device)) << audio::ErrorGetCode();
        const double after = Position();
        EXPECT_GE(after, before - 0.05);
        EXPECT_LE(after, before + 0.3);
        EXPECT_TRUE(m_pulse.WaitForStreamOn(choice.sink, 2000)) << m_pulse.SinkOfStream();
        EXPECT_EQ(Devices(), choice.listed);
        ExpectPlayingOn();
    }
}

TEST_F(OutputDeviceTest, AnUnpluggedDeviceGivesWayToTheDefaultAndIsTakenBackWhenItReturns) {
    ASSERT_TRUE(audio::SetOutputDevice("Headset"));
    ASSERT_TRUE(m_pulse.WaitForStreamOn("headset", 2000));

    ASSERT_TRUE(m_pulse.RemoveSink("headset"));
    QElapsedTimer unplugged;
    unplugged.start();
    EXPECT_TRUE(m_pulse.WaitForStreamOn("speakers", 1000)) << m_pulse.SinkOfStream();
    EXPECT_LT(unplugged.elapsed(), 1000);
    EXPECT_EQ(Devices(), std::vector<std::string>{"Speakers"});
    ExpectPlayingOn();

    ASSERT_TRUE(m_pulse.AddSink("headset", "Headset"));
    EXPECT_TRUE(m_pulse.WaitForStreamOn("headset", 2000)) << m_pulse.SinkOfStream();
    EXPECT_EQ(Devices(), (std::vector<std::string>{"Speakers", "Headset*"}));
    ExpectPlayingOn();

    // A device the system does not have now is the choice all the same: the default plays.
    EXPECT_TRUE(audio::SetOutputDevice("Interface"));
    EXPECT_TRUE(m_pulse.WaitForStreamOn("speakers", 2000));
    ASSERT_TRUE(m_pulse.AddSink("usb", "Interface"));
    EXPECT_TRUE(m_pulse.WaitForStreamOn("usb", 2000)) << m_pulse.SinkOfStream();
}

}  // namespace
