// A long song loads while the window goes on: its timers, posted messages and socket keep
// running, and whatever they ask for in the middle of the load waits for it or is refused.
// The real window over the real audio layer, with an hour-long MP3.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "app/SingleInstance.h"
#include "engine/MainWindowIds.h"
#include "engine/PlaybackState.h"
#include "engine/SongFile.h"
#include "engine/TestMedia.h"
#include "lang/LanguageText.h"
#include "ui/EventWait.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

// An hour of MP3 frames, a few megabytes: opening it lists some 150 000 packets, which takes the
// layer a good fraction of a second.
constexpr int kChunkSeconds = 20;
constexpr int kChunks = 180;

// A 20 s tone encoded once: mono, 24 kHz, 8 kbit/s, bare frames without tags, so that copies of
// it one after the other are one valid stream.
const std::string& ChunkBytes() {
    static const std::string bytes = [] {
        QTemporaryDir dir;
        const QString path = dir.path() + "/chunk.mp3";
        QProcess ffmpeg;
        ffmpeg.start(
            "ffmpeg",
            {"-v",
             "error",
             "-y",
             "-f",
             "lavfi",
             "-i",
             QString("sine=frequency=440:sample_rate=24000:duration=%1").arg(kChunkSeconds),
             "-ac",
             "1",
             "-c:a",
             "libmp3lame",
             "-b:a",
             "8k",
             "-write_xing",
             "0",
             "-id3v2_version",
             "0",
             "-f",
             "mp3",
             path});
        if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
            ffmpeg.exitCode() != 0)
            return std::string();
        return testenv::ReadFile(path.toStdString());
    }();
    return bytes;
}

class LongSongLoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ChunkBytes().empty()) << "ffmpeg could not make the test song";
        InstallShippedData(DataFolder());
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { OnTick(); });
    }
    void TearDown() override {
        m_ticker.stop();
        m_dialog.reset();
        g_bModified = 0;
    }

    CPlaybackEngine& Engine() { return m_dialog->Engine(); }
    std::string Media(const std::string& name) const {
        return m_media.path().toStdString() + "/" + name;
    }
    // A fresh hour-long file (the layer may know a file it opened before).
    std::string HourLongSong(const std::string& name) {
        std::string bytes;
        bytes.reserve(ChunkBytes().size() * kChunks);
        for (int i = 0; i < kChunks; ++i) bytes += ChunkBytes();
        testenv::WriteFile(Media(name), bytes);
        return Media(name);
    }
    std::string Title() {
        return ui::FromQtText(qobject_cast<QLabel*>(m_dialog->GetDlgItem(IDC_TITLE))->text());
    }

    // Loads `song` with a 1 ms timer running; `duringLoad` runs at its first tick that comes
    // while the load is under way.
    void LoadTicking(const std::string& song, std::function<void()> duringLoad = {}) {
        m_duringLoad = std::move(duringLoad);
        m_ticksDuringLoad = 0;
        m_ticker.start();
        Engine().LoadSong(song);
        m_ticker.stop();
    }

    testenv::TempAppData m_appData;
    QTemporaryDir m_media;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDYES};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
    int m_ticksDuringLoad = 0;

private:
    void OnTick() {
        if (!Engine().IsLoadingSong()) return;
        if (++m_ticksDuringLoad == 1 && m_duringLoad) m_duringLoad();
    }

    QTimer m_ticker;
    std::function<void()> m_duringLoad;
};

TEST_F(LongSongLoadingTest, TimersRunWhileTheSongOpensAndTheSongArrivesWhole) {
    const std::string song = HourLongSong("hour.mp3");

    LoadTicking(song);

    EXPECT_GT(m_ticksDuringLoad, 0) << "the event loop stood still while the song opened";
    ASSERT_NE(Engine().m_dwBassStream, 0u);
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_EQ(Title(), SongTitleOf(song));
    // Every packet is counted: the hour is its copies of the tone end to end, each with the
    // encoder's delay and padding.
    const std::string chunk = Media("chunk.mp3");
    testenv::WriteFile(chunk, ChunkBytes());
    const audio::HSTREAM one =
        audio::StreamCreateFile(false, chunk.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(one, 0u);
    const double chunkSeconds = audio::ChannelBytes2Seconds(one, audio::ChannelGetLength(one));
    audio::StreamFree(one);
    EXPECT_GT(chunkSeconds, kChunkSeconds);
    EXPECT_NEAR(Engine().m_dSongLength, chunkSeconds * kChunks, 1e-6);
    EXPECT_TRUE(m_boxes.Asked().empty());
    Engine().OnPlay();
    EXPECT_TRUE(Engine().IsPlaying());
}

TEST_F(LongSongLoadingTest, ALoadCalledInTheMiddleOfAnotherIsRefusedAndChangesNothing) {
    const std::string first = testmedia::WriteWav(Media("first.wav"), {.seconds = 2});
    Engine().LoadSong(first);
    ASSERT_EQ(Engine().m_strSongPath, first);
    const audio::HSTREAM firstStream = Engine().m_dwBassStream;
    const std::string other = testmedia::WriteWav(Media("other.wav"), {.seconds = 1});
    const std::string song = HourLongSong("hour.mp3");

    bool refusedUnchanged = false;
    LoadTicking(song, [&] {
        Engine().LoadSong(other);
        refusedUnchanged =
            Engine().m_strSongPath == first && Engine().m_dwBassStream == firstStream;
    });

    ASSERT_GT(m_ticksDuringLoad, 0);
    EXPECT_TRUE(refusedUnchanged);
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_NE(Engine().m_dwBassStream, 0u);
    EXPECT_EQ(Title(), SongTitleOf(song));
    EXPECT_TRUE(m_boxes.Asked().empty());
    // The refusal left nothing behind: the next load is a load like any other.
    Engine().LoadSong(other);
    EXPECT_EQ(Engine().m_strSongPath, other);
}

TEST_F(LongSongLoadingTest, AFileHandedOverByALaterStartDuringTheLoadOpensAfterIt) {
    QTemporaryDir runtime;
    testenv::ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.path().toUtf8().constData());
    CInstanceServer server;
    ASSERT_TRUE(server.Listen(instance::SocketPath()));
    QObject::connect(&server, &CInstanceServer::Requested, m_dialog.get(),
                     [this](const std::string& path) { m_dialog->OpenFromOutside(path); });
    const std::string song = HourLongSong("hour.mp3");
    const std::string second = testmedia::WriteWav(Media("second.wav"), {.seconds = 1});

    // The later start runs on a thread of its own: it waits for the window's answer, which
    // only an event loop that keeps running can give.
    std::atomic<int> handOver{-1};
    std::thread laterStart;
    LoadTicking(song, [&] {
        laterStart = std::thread([&] {
            handOver = static_cast<int>(instance::HandOver(instance::SocketPath(), second, 20000));
        });
    });
    ASSERT_GT(m_ticksDuringLoad, 0);
    EXPECT_EQ(Engine().m_strSongPath, song) << "a load ran inside the other";

    EXPECT_TRUE(testenv::WaitUntil([&] { return handOver >= 0; }));
    laterStart.join();
    EXPECT_EQ(handOver, static_cast<int>(instance::HandOverResult::Delivered));
    ASSERT_TRUE(testenv::WaitUntil([&] { return Engine().m_strSongPath == second; }));
    EXPECT_EQ(Engine().m_arrOpenedFiles, std::vector<std::string>{second});
    EXPECT_EQ(Title(), SongTitleOf(second));
    // The song that was replaced counted as changed: asked once, answered yes.
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, GetLanguageText(111));
}

TEST_F(LongSongLoadingTest, ACloseDuringTheLoadClosesTheWindowOnceTheSongIsIn) {
    m_dialog->show();
    const std::string song = HourLongSong("hour.mp3");

    bool closedAtOnce = true;
    LoadTicking(song, [&] { closedAtOnce = m_dialog->close(); });

    ASSERT_GT(m_ticksDuringLoad, 0);
    EXPECT_FALSE(closedAtOnce);
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_NE(Engine().m_dwBassStream, 0u);
    EXPECT_TRUE(m_dialog->isVisible());
    ASSERT_TRUE(testenv::WaitUntil([&] { return !m_dialog->isVisible(); }));
    EXPECT_EQ(Engine().m_dwBassStream, 0u);
    // The close asked its usual question about the loaded song, after the load.
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, GetLanguageText(111));
}

}  // namespace
