// The "Output Device" submenu of the right-click menu, on a PulseAudio server of the test's own
// with a speakers sink (the default) and a headset sink.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>

#include "engine/EngineTestFixture.h"
#include "engine/TestMedia.h"
#include "support/PulseServer.h"
#include "support/TestAudio.h"

namespace {

class OutputDeviceMenuTest : public enginetest::MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pulse.Running()) << "the PulseAudio server did not start";
        MainWindowFixture::SetUp();
    }
    // A new start of the player, playing a song.
    void StartPlaying() {
        m_dialog.reset();
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        Engine().LoadSong(testmedia::WriteWavSamples(
            Media("tone.wav"), 44100, 2, test_audio::Sine(440, 44100, 2, 44100 * 20, 0.3)));
        ASSERT_NE(Stream(), 0u);
        Engine().OnPlay();
    }
    QMenu* DeviceMenu() {
        m_dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
        QTest::mouseClick(m_dialog->windowHandle(), Qt::RightButton, {}, QPoint(100, 20));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == "Output Device") return action->menu();
        return nullptr;
    }

    testenv::PulseServer m_pulse{{{"speakers", "Speakers"}, {"headset", "Headset"}}};
};

TEST_F(OutputDeviceMenuTest, TheChosenDeviceIsHeardAtOnceAndAgainAtTheNextStart) {
    StartPlaying();
    ASSERT_TRUE(m_pulse.WaitForStreamOn("speakers", 5000));
    QMenu* devices = DeviceMenu();
    ASSERT_NE(devices, nullptr);
    QStringList names, checked;
    for (QAction* action : devices->actions()) {
        names << action->text();
        if (action->isChecked()) checked << action->text();
    }
    EXPECT_EQ(names, (QStringList{"System Default", "Speakers", "Headset"}));
    EXPECT_EQ(checked, QStringList{"System Default"});

    devices->actions().at(2)->trigger();
    QApplication::activePopupWidget()->close();
    EXPECT_TRUE(m_pulse.WaitForStreamOn("headset", 2000)) << m_pulse.SinkOfStream();
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_NE(testenv::ReadFile(DataFolder() + "/Settings.ini").find("OutputDevice=Headset"),
              std::string::npos);

    // Unplugged before the next start: the default plays, and the choice stands in the menu.
    ASSERT_TRUE(m_pulse.RemoveSink("headset"));
    StartPlaying();
    EXPECT_TRUE(m_pulse.WaitForStreamOn("speakers", 5000)) << m_pulse.SinkOfStream();
    devices = DeviceMenu();
    ASSERT_NE(devices, nullptr);
    ASSERT_EQ(devices->actions().size(), 3);
    EXPECT_EQ(devices->actions().at(2)->text(), "Headset");
    EXPECT_TRUE(devices->actions().at(2)->isChecked());
    EXPECT_FALSE(devices->actions().at(2)->isEnabled());
    QApplication::activePopupWidget()->close();
    // Plugged in again, it plays there.
    ASSERT_TRUE(m_pulse.AddSink("headset", "Headset"));
    EXPECT_TRUE(m_pulse.WaitForStreamOn("headset", 2000)) << m_pulse.SinkOfStream();
    EXPECT_TRUE(Engine().IsPlaying());
}

}  // namespace
