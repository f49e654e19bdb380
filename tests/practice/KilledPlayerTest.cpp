// A player that is killed loses at most the last second of changes; one told to end loses none.
// The player is a process of its own (RememberingPlayer.cpp), ended by a real signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTest>

#include "engine/TestMedia.h"
#include "memory/PracticeStore.h"
#include "memory/SongFingerprint.h"
#include "ui/TestEnvironment.h"

namespace {

TEST(KilledPlayerTest, AKilledPlayerLosesAtMostTheLastSecondAndAnEndedOneNothing) {
    const struct {
        const char* name;
        int signal;
        int waitMs;  // after the last change
    } cases[] = {{"SIGKILL", SIGKILL, 2000}, {"SIGTERM", SIGTERM, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testenv::TempAppData appData;
        const std::string song = testmedia::WriteWav(appData.Base() + "/song.wav", {.seconds = 4});
        QProcess player;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("SDL_AUDIODRIVER", "dummy");
        player.setProcessEnvironment(environment);
        player.start(QUORVEL_REMEMBERING_PLAYER, {QString::fromStdString(song)});
        ASSERT_TRUE(player.waitForStarted(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return player.readAllStandardOutput().contains("changed"); },
                                    30000))
            << player.readAllStandardError().toStdString();
        QTest::qWait(c.waitMs);
        ::kill(static_cast<pid_t>(player.processId()), c.signal);
        ASSERT_TRUE(player.waitForFinished(20000));
        if (c.signal == SIGTERM) {
            EXPECT_EQ(player.exitCode(), 0);
        }

        memory::PracticeStore store(appData.Folder() + "/Practice.sqlite");
        const std::optional<memory::SongMemory> kept =
            store.Read(memory::SongFingerprint(song).value());
        ASSERT_TRUE(kept);
        const memory::SongSettings& settings = kept->settings;
        EXPECT_EQ(settings.tempo, 80);
        EXPECT_EQ(settings.pitch, -200);
        EXPECT_EQ(settings.vocal, 100);
        EXPECT_EQ(settings.eqPreset, "Rock");
        EXPECT_EQ(settings.eqGains, (std::array<int, 9>{0, 2, 3, -1, -1, 0, 0, 4, 4}));
        EXPECT_EQ(settings.loopStart, 264600u);
        EXPECT_EQ(settings.loopEnd, 441000u);
        EXPECT_EQ(settings.namedLoops,
                  (std::vector<memory::NamedLoop>{{"intro", 0, 176400}, {"solo", 264600, 441000}}));
        EXPECT_EQ(kept->lastPath, song);
    }
}

}  // namespace
