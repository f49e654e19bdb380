// Save and Save As from the main window's buttons, the writer chosen by the name, and saves over
// the loaded song in every format and on every way out.
#include <signal.h>
#include <sys/resource.h>

#include <QLabel>
#include <filesystem>

#include "export/SaveCommands.h"
#include "export/SaveFixture.h"

namespace {

namespace fs = std::filesystem;

class SaveCommandsTest : public exporttest::SaveFixture {
protected:
    std::string LoadSong(const std::string& name = "song.wav", double seconds = 1.0) {
        const std::string path = testmedia::WriteWav(Media(name), {.seconds = seconds});
        Engine().LoadSong(path);
        EXPECT_NE(Stream(), 0u);
        g_bModified = 1;
        return path;
    }
    bool AsideLeftBehind() const {
        for (const auto& entry : fs::recursive_directory_iterator(m_media.path().toStdString()))
            if (entry.path().filename() == "QVOutput.TMP") return true;
        return false;
    }
};

// Files this process writes end at `bytes`, as on a disc that is full there: a write beyond fails
// (EFBIG) instead of ending the process.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) : m_oldHandler(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
};

TEST(WriterForTest, TheFirstExtensionFoundAnywhereInThePathIgnoringCase) {
    EXPECT_EQ(WriterFor("/music/song.wav"), OutputWriter::Wav);
    EXPECT_EQ(WriterFor("/music/song"), OutputWriter::Wav);
    EXPECT_EQ(WriterFor("/music/SONG.MP3"), OutputWriter::Mp3);
    EXPECT_EQ(WriterFor("/music/a.aac"), OutputWriter::Aac);
    EXPECT_EQ(WriterFor("/music/a.Mp4"), OutputWriter::Mp4);
    EXPECT_EQ(WriterFor("/music/a.m4a"), OutputWriter::M4a);
    EXPECT_EQ(WriterFor("/music/a.wma"), OutputWriter::Wma);
    // Folders count, and ".mp3" is looked for before ".wma".
    EXPECT_EQ(WriterFor("/old.wma/song.wav"), OutputWriter::Wma);
    EXPECT_EQ(WriterFor("/x.wma/y.mp3"), OutputWriter::Mp3);
}

TEST_F(SaveCommandsTest, SaveAsAsksWhereAndSaveThenAsksBeforeReplacingIt) {
    LoadSong();
    // Before any Save As, Save is Save As: the box, no question.
    m_saveBox.Queue(Media("first.wav"));
    Click(IDC_SAVE);
    ASSERT_EQ(m_saveBox.Asked().size(), 1u);
    EXPECT_EQ(m_saveBox.Asked()[0].title, "Save Loop As...");
    EXPECT_EQ(m_saveBox.Asked()[0].fileTypes, ui::CSaveOutputDialog::FileTypes());
    EXPECT_EQ(m_saveBox.Asked()[0].defaultSuffix, "wav");
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_TRUE(fs::exists(Media("first.wav")));
    EXPECT_EQ(Engine().m_strSavePath, Media("first.wav"));
    EXPECT_EQ(g_bModified, 0);
    EXPECT_EQ(LabelText(IDC_TITLE), "song.wav");

    // Save again: the question names the remembered path; No changes nothing.
    fs::remove(Media("first.wav"));
    g_bModified = 1;
    m_boxes.Queue(IDNO);
    Click(IDC_SAVE);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].caption, "Overwrite Existing File?");
    EXPECT_EQ(m_boxes.Asked()[0].style, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    char expected[512];
    std::snprintf(expected, sizeof expected, Text(110).c_str(), Media("first.wav").c_str());
    EXPECT_EQ(m_boxes.Asked()[0].text, expected);
    EXPECT_FALSE(fs::exists(Media("first.wav")));
    EXPECT_EQ(g_bModified, 1);
    EXPECT_EQ(m_saveBox.Asked().size(), 1u);

    // Yes saves there.
    m_boxes.Queue(IDYES);
    Click(IDC_SAVE);
    EXPECT_TRUE(fs::exists(Media("first.wav")));
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(SaveCommandsTest, CancellingTheBoxChangesNothingNotEvenTheTitle) {
    LoadSong();
    Engine().SetTitleText("as it was");
    Click(IDC_SAVEAS);  // the script answers "cancelled"
    EXPECT_EQ(m_saveBox.Asked().size(), 1u);
    EXPECT_EQ(LabelText(IDC_TITLE), "as it was");
    EXPECT_EQ(g_bModified, 1);
    EXPECT_TRUE(Engine().m_strSavePath.empty());
}

TEST_F(SaveCommandsTest, TheTitleTellsWhatIsSavedWhileTheChooserIsOpen) {
    LoadSong();
    m_saveBox.Queue(Media("out.m4a"));
    Click(IDC_SAVEAS);
    EXPECT_EQ(m_titleWhileAsked, "Saving loop as \"" + Media("out.m4a") + "\"");
    EXPECT_EQ(LabelText(IDC_TITLE), "song.wav");
    // A failed save is remembered all the same, and counts as saved.
    m_bCancelBitrate = true;
    g_bModified = 1;
    m_saveBox.Queue(Media("cancelled.wma"));
    Click(IDC_SAVEAS);
    EXPECT_EQ(Engine().m_strSavePath, Media("cancelled.wma"));
    EXPECT_FALSE(fs::exists(Media("cancelled.wma")));
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(SaveCommandsTest, SavingOverTheSongInEachFormatLoadsTheResult) {
    for (const char* name : {"song.wav", "song.mp3", "song.aac", "song.mp4", "song.m4a",
                             "song.wma"}) {
        SCOPED_TRACE(name);
        // A two-second song in the format, saved from a WAV song, then loaded.
        LoadSong("base.wav", 2.0);
        const std::string song = Media(name);
        SaveLoopAs(Engine(), song, nullptr);
        Engine().LoadSong(song);
        ASSERT_EQ(Engine().m_strSongPath, song);

        g_loopRegion.qwStartPoint = audio::ChannelSeconds2Bytes(Stream(), 1.0);
        SaveLoopAs(Engine(), song, nullptr);
        EXPECT_TRUE(m_boxes.Asked().empty());
        EXPECT_FALSE(AsideLeftBehind());
        ASSERT_NE(Stream(), 0u);
        EXPECT_EQ(Engine().m_strSongPath, song);
        EXPECT_NEAR(Engine().m_dSongLength, 1.0, 0.2);
        EXPECT_TRUE(Engine().m_strSavePath.empty());  // the load forgot it
        g_loopRegion.qwStartPoint = 0;
    }
}

TEST_F(SaveCommandsTest, EveryWayOutOfASaveOverTheSongLeavesItLoadedAndWhole) {
    const std::string song = LoadSong("song.m4a");
    const std::string original = ReadBytes(song);
    auto expectSongIntact = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(ReadBytes(song), original);
        EXPECT_FALSE(AsideLeftBehind());
        EXPECT_NE(Stream(), 0u);
        EXPECT_EQ(Engine().m_strSongPath, song);
    };

    m_bCancelBitrate = true;
    SaveLoopAs(Engine(), song, nullptr);
    expectSongIntact("cancelled bitrate chooser");
    EXPECT_TRUE(m_boxes.Asked().empty());
    m_bCancelBitrate = false;

    {
        // No faac anywhere: message 51 with the error code.
        testenv::ScopedEnv noPath("PATH", Media("nowhere").c_str());
        SaveLoopAs(Engine(), song, nullptr);
    }
    expectSongIntact("missing faac");
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    char expected[512];
    std::snprintf(expected, sizeof expected, Text(51).c_str(), audio::ERROR_FILEOPEN);
    EXPECT_EQ(m_boxes.Asked()[0].text, expected);
    m_boxes.Clear();

    const std::string mp3 = LoadSong("song.mp3");
    const std::string mp3Bytes = ReadBytes(mp3);
    m_bCancelMp3 = true;
    SaveLoopAs(Engine(), mp3, nullptr);
    EXPECT_EQ(ReadBytes(mp3), mp3Bytes);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_NE(Stream(), 0u);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

// A WMA file is finished when its encoder closes (the last packets, the index): a disc that fills up
// only then fails the save like any failed write, and a save over the song keeps the song.
TEST_F(SaveCommandsTest, AWmaFileThatCannotBeFinishedFailsTheSaveAndKeepsTheSong) {
    LoadSong("base.wav", 1.0);
    const std::string song = Media("song.wma");
    m_bitrateEntries = {7};  // 48 kbps: the whole file waits in the writer's buffer until the end
    SaveLoopAs(Engine(), song, nullptr);
    Engine().LoadSong(song);
    ASSERT_EQ(Engine().m_strSongPath, song);
    const std::string original = ReadBytes(song);
    ASSERT_GT(original.size(), 4096u);

    m_bitrateEntries = {7};
    {
        // Room for the header, which is written when the encoder opens, and no more.
        ScopedFileSizeLimit full(4096);
        SaveLoopAs(Engine(), song, nullptr);
    }
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    char expected[512];
    std::snprintf(expected, sizeof expected, Text(54).c_str(), audio::ERROR_CREATE);
    EXPECT_EQ(m_boxes.Asked()[0].text, expected);
    EXPECT_TRUE(ReadBytes(song) == original);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_NE(Stream(), 0u);
    EXPECT_EQ(Engine().m_strSongPath, song);
}

TEST_F(SaveCommandsTest, UnwritableDestinationsAreReportedAndNothingIsWritten) {
    LoadSong();
    const std::string folder = Media("missing");
    const struct {
        const char* name;
        int text;
    } cases[] = {{"out.wav", 45}, {"out.m4a", 51}, {"out.wma", 54}, {"out.mp3", 114}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SaveLoopAs(Engine(), folder + "/" + c.name, nullptr);
        ASSERT_EQ(m_boxes.Asked().size(), 1u);
        // The texts name the path or an error code, and say the file was not saved.
        const std::string text = Text(c.text);
        EXPECT_EQ(m_boxes.Asked()[0].text.substr(0, 8), text.substr(0, 8));
        m_boxes.Clear();
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_NE(Stream(), 0u);
    }
}

TEST_F(SaveCommandsTest, AnotherNameOfTheSongIsTheSongAndIsNeverTruncated) {
    const std::string song = LoadSong("song.wav", 2.0);
    fs::create_directory(Media("links"));
    const std::string link = Media("links/link.wav");
    fs::create_symlink(song, link);
    const std::string dotted = Media("links/../song.wav");
    g_loopRegion.qwStartPoint = 44100 * 4;  // the second second

    // Through a symbolic link: the song's file gets the output, the link stays a link.
    SaveLoopAs(Engine(), link, nullptr);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NEAR(exporttest::DecodeFile(song).Seconds(), 1.0, 0.15);
    EXPECT_FALSE(AsideLeftBehind());
    ASSERT_NE(Stream(), 0u);

    // Through "..": the same.
    LoadSong("song.wav", 2.0);
    g_loopRegion.qwStartPoint = 44100 * 4;
    SaveLoopAs(Engine(), dotted, nullptr);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_NEAR(exporttest::DecodeFile(song).Seconds(), 1.0, 0.15);
    EXPECT_FALSE(AsideLeftBehind());

    // A hard link: the output under the name saved to, the song untouched under its own.
    const std::string original = ReadBytes(song);
    const std::string hard = Media("links/hard.wav");
    fs::create_hard_link(song, hard);
    g_loopRegion.qwStartPoint = 0;
    g_loopRegion.qwEndPoint = 44100 * 4 / 2;
    SaveLoopAs(Engine(), hard, nullptr);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_EQ(ReadBytes(song), original);
    EXPECT_FALSE(fs::equivalent(song, hard));
    EXPECT_LT(exporttest::DecodeFile(hard).Seconds(), 0.7);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_EQ(Engine().m_strSongPath, hard);

    // A failed save through a hard link gives the link back.
    Engine().LoadSong(song);
    fs::remove(hard);
    fs::create_hard_link(song, hard);
    m_bCancelBitrate = true;
    const std::string hardM4a = Media("links/hard.m4a");
    fs::create_hard_link(song, hardM4a);
    SaveLoopAs(Engine(), hardM4a, nullptr);
    EXPECT_TRUE(fs::equivalent(song, hardM4a));
    EXPECT_EQ(ReadBytes(song), original);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_EQ(Engine().m_strSongPath, song);
}

}  // namespace
