// Save and Save As from the main window's buttons, the writer chosen by the name, and saves over
// the loaded song in every format and on every way out.
#include <QLabel>
#include <array>
#include <filesystem>
#include <optional>
#include <ostream>

#include "eq/QuorvelEQPropertyPage.h"
#include "export/SaveCommands.h"
#include "export/SaveFixture.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "memory/PracticeMemory.h"
#include "practice/SongMemoryKeeper.h"
#include "ui/ListBox.h"
#include "ui/SliderCtrl.h"

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
    // A save that wrote nothing is remembered all the same, but the changes stay unsaved.
    m_bCancelBitrate = true;
    g_bModified = 1;
    m_saveBox.Queue(Media("cancelled.wma"));
    Click(IDC_SAVEAS);
    EXPECT_EQ(Engine().m_strSavePath, Media("cancelled.wma"));
    EXPECT_FALSE(fs::exists(Media("cancelled.wma")));
    EXPECT_EQ(g_bModified, 1);
}

TEST_F(SaveCommandsTest, SavingOverTheSongInEachFormatLoadsTheResult) {
    for (const char* name : {"song.wav", "song.mp3", "song.aac", "song.mp4", "song.m4a",
                             "song.wma"}) {
        SCOPED_TRACE(name);
        // A two-second song in the format, saved from a WAV song, then loaded.
        LoadSong("base.wav", 2.0);
        const std::string song = Media(name);
        SaveLoopAs(Engine(), song);
        Engine().LoadSong(song);
        ASSERT_EQ(Engine().m_strSongPath, song);

        g_loopRegion.qwStartPoint = audio::ChannelSeconds2Bytes(Stream(), 1.0);
        SaveLoopAs(Engine(), song);
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
    SaveLoopAs(Engine(), song);
    expectSongIntact("cancelled bitrate chooser");
    EXPECT_TRUE(m_boxes.Asked().empty());
    m_bCancelBitrate = false;

    {
        // No faac anywhere: message 51 with the error code.
        testenv::ScopedEnv noPath("PATH", Media("nowhere").c_str());
        SaveLoopAs(Engine(), song);
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
    SaveLoopAs(Engine(), mp3);
    EXPECT_EQ(ReadBytes(mp3), mp3Bytes);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_NE(Stream(), 0u);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

// Everything the user set on the song, and what the window shows of it.
struct Practice {
    int tempo, pitch, volume, vocal;
    float streamTempo, streamPitch;
    audio::DWORD streamVolume;
    std::vector<std::string> captions;
    audio::QWORD loopStart, loopEnd;
    bool bEndSynced;
    int zoom;
    float viewStart;
    std::array<int, kEqBandCount> bands;
    int preset;
    float firstBandGain;
    bool bPlaying;
    int modified;
    bool operator==(const Practice&) const = default;
};

void PrintTo(const Practice& p, std::ostream* out) {
    *out << "tempo " << p.tempo << " pitch " << p.pitch << " volume " << p.volume << " vocal "
         << p.vocal << " stream " << p.streamTempo << "/" << p.streamPitch << "/" << p.streamVolume
         << " loop " << p.loopStart << ".." << p.loopEnd << (p.bEndSynced ? " synced" : "")
         << " zoom " << p.zoom << "@" << p.viewStart << " preset " << p.preset << " band0 "
         << p.bands[0] << "/" << p.firstBandGain << (p.bPlaying ? " playing" : "") << " modified "
         << p.modified;
    for (const std::string& caption : p.captions) *out << " [" << caption << "]";
}

TEST_F(SaveCommandsTest, ASaveOverTheSongThatWritesNothingPutsEverySettingBack) {
    CQuorvelLoopPropertyPage* loop = m_dialog->LoopPage();
    auto* eq = qobject_cast<CQuorvelEQPropertyPage*>(m_dialog->EqPage());
    ASSERT_NE(eq, nullptr);
    auto practice = [&] {
        Practice p{};
        p.tempo = SliderItem(IDC_TEMPO)->value();
        p.pitch = SliderItem(IDC_PITCH)->value();
        p.volume = SliderItem(IDC_VOLUME)->value();
        p.vocal = g_hVocalDSP ? g_nVocalLevel.load() : -1;
        audio::FX_TempoGet(Stream(), &p.streamTempo, nullptr, &p.streamPitch);
        audio::ChannelGetAttributes(Stream(), nullptr, &p.streamVolume, nullptr);
        for (int id : {IDC_TEMPO_CAPTION, IDC_PITCH_CAPTION, IDC_VOLUME_CAPTION, IDC_VOCAL_CAPTION})
            p.captions.push_back(CaptionText(id));
        p.loopStart = g_loopRegion.qwStartPoint;
        p.loopEnd = g_loopRegion.qwEndPoint;
        p.bEndSynced = loop->Stream() == Stream() && loop->EndSync() != 0;
        p.zoom = loop->m_nZoom;
        p.viewStart = loop->m_fViewStart;
        for (int band = 0; band < kEqBandCount; ++band) p.bands[band] = eq->Slider(band)->value();
        p.preset = eq->PresetList()->GetCurSel();
        audio::FXPARAMEQ parameters{};
        if (eq->m_dwEqStream == Stream()) audio::FXGetParameters(eq->m_hEqFX[0], &parameters);
        p.firstBandGain = parameters.fGain;
        p.bPlaying = Activity() == audio::ACTIVE_PLAYING;
        p.modified = g_bModified;
        return p;
    };

    // Each way a save over the song can end without writing it.
    const struct {
        const char* what;
        const char* name;
        bool bCancelMp3, bCancelBitrate, bNoFaac;
    } ways[] = {
        {"MP3 format chooser cancelled", "song.mp3", true, false, false},
        {"bitrate chooser cancelled", "song.wma", false, true, false},
        {"no faac to encode with", "song.m4a", false, false, true},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        const std::string song = LoadSong(way.name, 4.0);
        SetSlider(IDC_TEMPO, 105);
        SetSlider(IDC_PITCH, 300);
        SetSlider(IDC_VOLUME, 80);
        SetSlider(IDC_VOCAL, 128);
        const audio::QWORD bytesPerSecond = audio::ChannelSeconds2Bytes(Stream(), 1.0);
        loop->SetLoopStart(bytesPerSecond, true);
        loop->SetLoopEnd(3 * bytesPerSecond, true);
        loop->ZoomIn(loop->PositionToX(2 * bytesPerSecond));
        loop->ZoomIn(loop->PositionToX(2 * bytesPerSecond));
        ASSERT_GT(eq->m_nPresetCount, 1);
        eq->PresetList()->SetCurSel(1);
        eq->OnPresetSelChange();
        eq->Slider(0)->setValue(-7);  // moved after the preset was chosen
        eq->OnEqVScroll(eq->Slider(0));
        SetPositionSeconds(1.5);
        Engine().OnPlay();
        const Practice before = practice();
        ASSERT_EQ(before.firstBandGain, 7.0f);
        ASSERT_TRUE(before.bPlaying);

        m_bCancelMp3 = way.bCancelMp3;
        m_bCancelBitrate = way.bCancelBitrate;
        {
            std::optional<testenv::ScopedEnv> noFaac;
            if (way.bNoFaac) noFaac.emplace("PATH", Media("nowhere").c_str());
            m_saveBox.Queue(song);
            Click(IDC_SAVEAS);
        }
        m_bCancelMp3 = m_bCancelBitrate = false;
        m_boxes.Clear();

        ASSERT_NE(Stream(), 0u);
        EXPECT_EQ(Engine().m_strSongPath, song);
        EXPECT_EQ(practice(), before);
        // Playing on from where it was, inside the loop.
        EXPECT_GE(PositionSeconds(), 0.99);
        EXPECT_LE(PositionSeconds(), 3.2);
        Engine().OnStop();
    }

    // A save that writes the song loads what it wrote, with the settings of a new song: its
    // tempo, pitch and effects are in it already.
    const std::string song = LoadSong("song.wav", 4.0);
    SetSlider(IDC_TEMPO, 105);
    loop->SetLoopEnd(audio::ChannelSeconds2Bytes(Stream(), 2.0), true);
    eq->Slider(0)->setValue(-7);
    eq->OnEqVScroll(eq->Slider(0));
    m_saveBox.Queue(song);
    Click(IDC_SAVEAS);
    EXPECT_TRUE(m_boxes.Asked().empty());
    const Practice after = practice();
    EXPECT_EQ(after.tempo, 100);
    EXPECT_EQ(after.loopEnd, 0u);
    EXPECT_EQ(after.bands[0], 0);
    EXPECT_EQ(after.modified, 0);
}

// A WMA file is finished when its encoder closes (the last packets, the index): a disc that fills up
// only then fails the save like any failed write, and a save over the song keeps the song.
TEST_F(SaveCommandsTest, AWmaFileThatCannotBeFinishedFailsTheSaveAndKeepsTheSong) {
    LoadSong("base.wav", 1.0);
    const std::string song = Media("song.wma");
    m_bitrateEntries = {7};  // 48 kbps: the whole file waits in the writer's buffer until the end
    SaveLoopAs(Engine(), song);
    Engine().LoadSong(song);
    ASSERT_EQ(Engine().m_strSongPath, song);
    const std::string original = ReadBytes(song);
    ASSERT_GT(original.size(), 4096u);

    m_bitrateEntries = {7};
    {
        // Room for the header, which is written when the encoder opens, and no more.
        exporttest::ScopedFileSizeLimit full(4096);
        SaveLoopAs(Engine(), song);
        // What the memory still has queued fails here, under the limit, and is not said later.
        m_dialog->MemoryKeeper()->Memory().Flush();
        (void)m_dialog->MemoryKeeper()->Memory().TakeWriteProblem();
    }
    // The limit is the whole process's: the practice memory, writing beside the save as the song
    // goes and comes back, fails under it too, and says so (text 127) when its once-a-second
    // look comes during the save, as it does on a full disc. That is not the save's message.
    const std::string memoryNotice = Text(127).substr(0, Text(127).find('%'));
    std::vector<std::string> said;
    for (const auto& box : m_boxes.Asked())
        if (box.text.rfind(memoryNotice, 0) != 0) said.push_back(box.text);
    ASSERT_EQ(said.size(), 1u);
    char expected[512];
    std::snprintf(expected, sizeof expected, Text(54).c_str(), audio::ERROR_CREATE);
    EXPECT_EQ(said[0], expected);
    EXPECT_TRUE(ReadBytes(song) == original);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_NE(Stream(), 0u);
    EXPECT_EQ(Engine().m_strSongPath, song);
}

TEST_F(SaveCommandsTest, UnwritableDestinationsAreReportedAndTheChangesStayUnsaved) {
    LoadSong();
    const std::string folder = Media("missing");
    const struct {
        const char* name;
        int text;
    } cases[] = {{"out.wav", 45}, {"out.m4a", 51}, {"out.wma", 54}, {"out.mp3", 114}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_bModified = 1;
        SaveLoopAs(Engine(), folder + "/" + c.name);
        EXPECT_EQ(g_bModified, 1);
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
    SaveLoopAs(Engine(), link);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NEAR(exporttest::DecodeFile(song).Seconds(), 1.0, 0.15);
    EXPECT_FALSE(AsideLeftBehind());
    ASSERT_NE(Stream(), 0u);

    // Through "..": the same.
    LoadSong("song.wav", 2.0);
    g_loopRegion.qwStartPoint = 44100 * 4;
    SaveLoopAs(Engine(), dotted);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_NEAR(exporttest::DecodeFile(song).Seconds(), 1.0, 0.15);
    EXPECT_FALSE(AsideLeftBehind());

    // A hard link: the output under the name saved to, the song untouched under its own.
    const std::string original = ReadBytes(song);
    const std::string hard = Media("links/hard.wav");
    fs::create_hard_link(song, hard);
    g_loopRegion.qwStartPoint = 0;
    g_loopRegion.qwEndPoint = 44100 * 4 / 2;
    SaveLoopAs(Engine(), hard);
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
    SaveLoopAs(Engine(), hardM4a);
    EXPECT_TRUE(fs::equivalent(song, hardM4a));
    EXPECT_EQ(ReadBytes(song), original);
    EXPECT_FALSE(AsideLeftBehind());
    EXPECT_EQ(Engine().m_strSongPath, song);
}

}  // namespace
