// The player on a session bus of the test's own, driven by the clients a desktop uses
// (playerctl, gdbus, dbus-monitor) while the window's event loop answers them.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <functional>
#include <optional>

#include "app/MprisService.h"
#include "engine/EngineTestFixture.h"
#include "engine/MainWindowIds.h"
#include "practice/QuorvelPracticePage.h"
#include "support/DiskCapture.h"
#include "support/StderrCapture.h"

namespace {

constexpr int kRate = 44100;
const QString kConnectionName = QStringLiteral("mpris-test");

// A session bus for one test: dbus-daemon with the session configuration.
class PrivateBus {
public:
    PrivateBus() {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    const QString& Address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

struct ClientRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class MprisTest : public enginetest::MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_bus.Address().isEmpty()) << "dbus-daemon did not start";
        m_capture.emplace(Media("heard.raw"));
        MainWindowFixture::SetUp();
        m_dialog->show();
        m_service = CMprisService::Start(
            *m_dialog, QDBusConnection::connectToBus(m_bus.Address(), kConnectionName));
        ASSERT_NE(m_service, nullptr);
        ASSERT_EQ(m_service->ServiceName(), QString::fromLatin1(CMprisService::kServiceName));
        // Bursts of a tone four times a second, so that the speed of play can be heard.
        const std::string song = Media("tune.mp3");
        ASSERT_EQ(
            Run("ffmpeg",
                {"-v", "error", "-y", "-f", "lavfi", "-i",
                 "aevalsrc=exprs=0.5*sin(2*PI*1000*t)*lt(mod(t\\,0.25)\\,0.06):s=44100:d=40", "-ac",
                 "2", "-metadata", "title=Scale Practice", "-metadata", "artist=The Test Band",
                 "-metadata", "album=Études", QString::fromStdString(song)})
                .exitCode,
            0);
        Engine().LoadSong(song);
        ASSERT_NE(Stream(), 0u);
    }
    void TearDown() override {
        m_service.reset();
        MainWindowFixture::TearDown();
        m_capture.reset();
        QDBusConnection::disconnectFromBus(kConnectionName);
    }

    // Runs a client to its end on the test's bus. The player answers from this thread's event
    // loop, which runs meanwhile.
    ClientRun Run(const QString& program, const QStringList& arguments) {
        QProcess client;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.Address());
        client.setProcessEnvironment(environment);
        client.start(program, arguments);
        const bool ended =
            QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 20000);
        EXPECT_TRUE(ended) << program.toStdString() << " did not end";
        if (!ended) client.kill();
        client.waitForFinished(1000);
        return {client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1,
                QString::fromUtf8(client.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(client.readAllStandardError()).trimmed()};
    }
    ClientRun Playerctl(QStringList arguments) {
        arguments.prepend(QStringLiteral("quorvel"));
        arguments.prepend(QStringLiteral("-p"));
        return Run(QStringLiteral("playerctl"), arguments);
    }
    // A method or Properties.Set called with gdbus, as a script would.
    ClientRun Gdbus(const QString& method, const QStringList& arguments = {}) {
        QStringList call{QStringLiteral("call"),
                         QStringLiteral("--address"),
                         m_bus.Address(),
                         QStringLiteral("--dest"),
                         QString::fromLatin1(CMprisService::kServiceName),
                         QStringLiteral("--object-path"),
                         QString::fromLatin1(CMprisService::kObjectPath),
                         QStringLiteral("--method"),
                         method};
        return Run(QStringLiteral("gdbus"), call + arguments);
    }
    ClientRun SetRate(const QString& rate) {
        return Gdbus(QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                     {QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Rate"),
                      QStringLiteral("<%1>").arg(rate)});
    }
    // Lets the device take `seconds` more of output while the event loop runs.
    static void Hear(double seconds) {
        audio::detail::AudioSystem& system = audio::detail::AudioSystem::Get();
        const std::uint64_t until =
            system.FramesTaken() + static_cast<std::uint64_t>(seconds * kRate);
        EXPECT_TRUE(QTest::qWaitFor([&] { return system.FramesTaken() >= until; }, 30000));
    }

    PrivateBus m_bus;
    std::optional<test_audio::DiskCapture> m_capture;
    std::unique_ptr<CMprisService> m_service;
};

TEST_F(MprisTest, PlayerctlDrivesTheTransportAndReadsTheSong) {
    struct Step {
        QStringList command;
        std::function<void()> check;
    };
    const Step steps[] = {
        {{"play"}, [&] { EXPECT_EQ(Activity(), audio::ACTIVE_PLAYING); }},
        {{"pause"}, [&] { EXPECT_EQ(Activity(), audio::ACTIVE_PAUSED); }},
        {{"play-pause"}, [&] { EXPECT_EQ(Activity(), audio::ACTIVE_PLAYING); }},
        {{"position", "30"}, [&] { EXPECT_NEAR(PositionSeconds(), 30, 0.5); }},
        {{"position", "5+"}, [&] { EXPECT_NEAR(PositionSeconds(), 35, 0.7); }},
        {{"position", "90"}, [&] { EXPECT_LE(PositionSeconds(), 40.1); }},  // held within
        {{"stop"},
         [&] {
             EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);
             EXPECT_LT(PositionSeconds(), 0.1);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command.join(' ').toStdString());
        const ClientRun run = Playerctl(step.command);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        step.check();
    }
    EXPECT_EQ(Playerctl({"status"}).out, "Stopped");

    // Next and Previous go through the song's named loops.
    constexpr std::uint64_t kSecond = kRate * 4;
    m_dialog->PracticePage()->SetSongLoops(
        {{"verse", 5 * kSecond, 10 * kSecond}, {"chorus", 20 * kSecond, 25 * kSecond}});
    for (const auto& [command, chosen] :
         {std::pair{"next", 0}, std::pair{"next", 1}, std::pair{"previous", 0}}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Playerctl({command}).exitCode, 0);
        EXPECT_EQ(m_dialog->PracticePage()->ChosenLoop(), chosen);
    }

    const QStringList metadata =
        Playerctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}|{{mpris:length}}"})
            .out.split('|');
    ASSERT_EQ(metadata.size(), 4);
    EXPECT_EQ(metadata[0], "Scale Practice");
    EXPECT_EQ(metadata[1], "The Test Band");
    EXPECT_EQ(metadata[2], "Études");
    EXPECT_NEAR(metadata[3].toDouble(), 40e6, 0.1e6);
}

// The onsets of the tone's bursts in the left channel, in frames: a loud 5 ms block after at
// least 100 ms without one (a stretched burst may dip in its middle).
std::vector<std::size_t> BurstOnsets(const std::vector<std::int16_t>& left) {
    constexpr std::size_t kBlock = kRate / 200;
    constexpr std::size_t kQuietBlocks = 20;
    std::vector<std::size_t> onsets;
    std::optional<std::size_t> lastLoud;
    for (std::size_t b = 0; (b + 1) * kBlock <= left.size(); ++b) {
        int peak = 0;
        for (std::size_t i = b * kBlock; i < (b + 1) * kBlock; ++i)
            peak = std::max(peak, std::abs(int{left[i]}));
        if (peak < 2000) continue;
        if (!lastLoud || b - *lastLoud > kQuietBlocks) onsets.push_back(b * kBlock);
        lastLoud = b;
    }
    return onsets;
}

// The mean spacing of `count` onsets from `first` on: the stretch moves single onsets by a few
// milliseconds either way.
double MeanSpacing(const std::vector<std::size_t>& onsets, std::size_t first, std::size_t count) {
    return static_cast<double>(onsets[first + count] - onsets[first]) / static_cast<double>(count);
}

TEST_F(MprisTest, RateSetOverTheBusIsTheTempoAndEveryChangeIsAnnounced) {
    QProcess monitor;
    monitor.start(QStringLiteral("dbus-monitor"),
                  {QStringLiteral("--address"), m_bus.Address(),
                   QStringLiteral("type='signal',interface='org.freedesktop.DBus.Properties'"),
                   QStringLiteral("type='signal',member='Seeked'")});
    // Watching once it sees a signal of the test's own.
    QString seen;
    QDBusConnection test = QDBusConnection::connectToBus(m_bus.Address(), QStringLiteral("probe"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            test.send(QDBusMessage::createSignal(QStringLiteral("/probe"),
                                                 QStringLiteral("org.freedesktop.DBus.Properties"),
                                                 QStringLiteral("PropertiesChanged")));
            seen += QString::fromUtf8(monitor.readAllStandardOutput());
            return seen.contains(QStringLiteral("/probe"));
        },
        10000));
    QDBusConnection::disconnectFromBus(QStringLiteral("probe"));

    ASSERT_EQ(Playerctl({"play"}).exitCode, 0);
    Hear(1.5);
    const ClientRun set = SetRate(QStringLiteral("0.8"));
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(SliderItem(IDC_TEMPO)->value(), 80);
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 80%");
    Hear(2.5);
    ASSERT_EQ(Playerctl({"pause"}).exitCode, 0);
    ASSERT_EQ(Playerctl({"position", "20"}).exitCode, 0);
    QTest::qWait(300);  // the last signal reaches the monitor
    monitor.terminate();
    monitor.waitForFinished(5000);
    seen += QString::fromUtf8(monitor.readAllStandardOutput());
    for (const char* announced :
         {R"("PlaybackStatus"\s+variant\s+string "Playing")",
          R"("PlaybackStatus"\s+variant\s+string "Paused")", R"("Rate"\s+variant\s+double 0\.8)",
          R"(member=Seeked\s+int64 (19|20)\d{6}\s)"})
        EXPECT_TRUE(seen.contains(QRegularExpression(QString::fromLatin1(announced))))
            << announced << "\n"
            << seen.toStdString();

    // Heard: the bursts a quarter of a second apart, then 1 / 0.8 times as far apart.
    m_service.reset();
    m_dialog.reset();
    const std::vector<std::size_t> onsets = BurstOnsets(m_capture->Left());
    ASSERT_GT(onsets.size(), 12u);
    const double before = MeanSpacing(onsets, 0, 4);
    const double after = MeanSpacing(onsets, onsets.size() - 7, 6);
    EXPECT_NEAR(before, kRate * 0.25, kRate * 0.01);
    EXPECT_NEAR(after / before, 1 / 0.8, 0.03);
}

TEST_F(MprisTest, WhileADialogIsUpOnlyRaiseAndPauseAreTaken) {
    ASSERT_EQ(Playerctl({"play"}).exitCode, 0);
    QDialog question(m_dialog.get());
    question.setModal(true);
    question.show();
    ASSERT_FALSE(m_dialog->IsFree());

    struct Call {
        const char* method;
        bool taken;
    };
    const Call calls[] = {
        {"org.mpris.MediaPlayer2.Quit", false},
        {"org.mpris.MediaPlayer2.Player.Stop", false},
        {"org.mpris.MediaPlayer2.Player.Next", false},
        {"org.mpris.MediaPlayer2.Raise", true},
        {"org.mpris.MediaPlayer2.Player.Pause", true},
        {"org.mpris.MediaPlayer2.Player.Play", false},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.method);
        const ClientRun run = Gdbus(QString::fromLatin1(call.method));
        EXPECT_EQ(run.exitCode == 0, call.taken) << run.err.toStdString();
        EXPECT_EQ(run.err.contains("org.mpris.MediaPlayer2.quorvel.Error.Busy"), !call.taken);
    }
    const ClientRun rate = SetRate(QStringLiteral("0.5"));
    EXPECT_NE(rate.exitCode, 0);
    EXPECT_EQ(SliderItem(IDC_TEMPO)->value(), 100);
    QTest::qWait(100);
    EXPECT_TRUE(m_dialog->isVisible()) << "a refused Quit closed the window";
    EXPECT_EQ(Activity(), audio::ACTIVE_PAUSED);

    question.close();
    EXPECT_EQ(Gdbus(QStringLiteral("org.mpris.MediaPlayer2.Player.Play")).exitCode, 0);
    EXPECT_EQ(Activity(), audio::ACTIVE_PLAYING);
    EXPECT_EQ(Gdbus(QStringLiteral("org.mpris.MediaPlayer2.Quit")).exitCode, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dialog->isVisible(); }, 5000));
}

TEST(Mpris, WithoutABusThePlayerGoesOnQuietly) {
    testenv::TempAppData appData;
    InstallShippedData(DataFolder());
    CQuorvelMainDlg window;
    ASSERT_TRUE(window.InitDialog());
    const QTemporaryDir dir;
    testenv::StderrCapture errors(dir.filePath("stderr.txt").toStdString());
    EXPECT_EQ(CMprisService::Start(window, QDBusConnection::connectToBus(
                                               QStringLiteral("unix:path=/nonexistent/bus"),
                                               QStringLiteral("nobus"))),
              nullptr);
    EXPECT_EQ(errors.Text(), "");
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}

}  // namespace
