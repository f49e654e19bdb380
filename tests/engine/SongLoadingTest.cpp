#include <filesystem>

#include "EngineTestFixture.h"
#include "TestMedia.h"
#include "engine/MainWindowIds.h"
#include "engine/TempoOptions.h"

namespace fs = std::filesystem;

namespace {

using enginetest::MainWindowFixture;
using testmedia::WavSpec;
using testmedia::WriteWav;

class SongLoadingTest : public MainWindowFixture {
protected:
    // A first song, playing, with sound settings that a load must reset.
    void LoadPlayingSong() {
        m_first = WriteWav(Media("first.wav"), {.seconds = 4});
        Engine().LoadSong(m_first);
        ASSERT_NE(Stream(), 0u);
        Engine().OnPlay();
        ASSERT_TRUE(Engine().IsPlaying());
        m_boxes.Clear();
    }

    // A failed load shows one box and leaves the first song as it was.
    void ExpectFailedLoadKeepsFirstSong(const std::string& path, const std::string& message) {
        const audio::HSTREAM before = Stream();
        const std::string title = LabelText(IDC_TITLE);
        g_bModified = 0;
        Engine().LoadSong(path);
        ASSERT_EQ(m_boxes.Asked().size(), 1u) << path;
        EXPECT_EQ(m_boxes.Asked()[0].text, message);
        EXPECT_EQ(m_boxes.Asked()[0].caption, "Quorvel");
        EXPECT_EQ(m_boxes.Asked()[0].style, static_cast<unsigned>(MB_OK));
        EXPECT_EQ(Stream(), before);
        EXPECT_TRUE(Engine().IsPlaying());
        EXPECT_EQ(Engine().m_strSongPath, m_first);
        EXPECT_EQ(LabelText(IDC_TITLE), title);
        EXPECT_EQ(g_bModified, 0);
        m_boxes.Clear();
    }

    static std::string Format(int line, const std::string& path) {
        char text[2048];
        std::snprintf(text, sizeof text, GetLanguageText(line), path.c_str());
        return text;
    }

    std::string m_first;
};

TEST_F(SongLoadingTest, LoadReplacesTheSongAndResetsTheSoundSettings) {
    LoadPlayingSong();
    const audio::HSTREAM old = Stream();
    SliderItem(IDC_TEMPO)->setValue(150);
    SliderItem(IDC_PITCH)->setValue(-300);
    SliderItem(IDC_VOCAL)->setValue(128);
    g_nVocalLevel = 128;
    SliderItem(IDC_VOLUME)->setValue(30);
    Engine().m_strSavePath = "/somewhere/out.mp3";
    g_bModified = 0;

    const std::string second = WriteWav(Media("Second Song.wav"), {.rate = 22050, .seconds = 2.5});
    Engine().LoadSong(second);

    EXPECT_TRUE(m_boxes.Asked().empty());
    ASSERT_NE(Stream(), 0u);
    EXPECT_NE(Stream(), old);
    EXPECT_EQ(audio::ChannelIsActive(old), audio::ACTIVE_STOPPED);  // freed with its decoder
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_EQ(Activity(), audio::ACTIVE_STOPPED);
    EXPECT_EQ(audio::ChannelGetPosition(Stream()), 0u);
    EXPECT_FALSE(Engine().IsPositionTimerActive());

    EXPECT_DOUBLE_EQ(Engine().m_dSongLength, 2.5);
    EXPECT_EQ(SliderItem(IDC_POSITION)->maximum(), 2500);
    EXPECT_EQ(SliderItem(IDC_POSITION)->value(), 0);
    EXPECT_EQ(LabelText(IDC_TIME), "00:00 / 00:02");
    EXPECT_EQ(LabelText(IDC_TITLE), "Second Song.wav");

    EXPECT_EQ(SliderItem(IDC_TEMPO)->value(), 100);
    EXPECT_EQ(SliderItem(IDC_PITCH)->value(), 0);
    EXPECT_EQ(SliderItem(IDC_VOCAL)->value(), 0);
    EXPECT_EQ(g_nVocalLevel, 0);
    EXPECT_EQ(g_hVocalDSP, 0u);
    EXPECT_EQ(SliderItem(IDC_VOLUME)->value(), 30);
    audio::DWORD volume = 0;
    ASSERT_TRUE(audio::ChannelGetAttributes(Stream(), nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 30u);
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 100%");
    EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: 0");
    EXPECT_EQ(CaptionText(IDC_VOLUME_CAPTION), "Volume: 30");
    EXPECT_EQ(CaptionText(IDC_VOCAL_CAPTION), "Vocal Reduction: 0");

    EXPECT_EQ(g_bModified, 1);
    EXPECT_EQ(Engine().m_strSongPath, second);
    EXPECT_EQ(Engine().m_strSavePath, "");
}

TEST_F(SongLoadingTest, FirstLoadEnablesTheSongControlsAndHandsTheSongToThePages) {
    for (int id : {IDC_PLAY, IDC_POSITION, IDC_TEMPO, IDC_VOCAL_UP})
        EXPECT_FALSE(Item(id)->isEnabled());
    std::vector<std::string> events;
    Engine().m_pages.loopSetSong = [&](audio::HSTREAM stream, const std::string& path) {
        events.push_back("loop " + std::to_string(stream == Stream()) + " " + path);
        // The title says the song is loading while the waveform is built.
        events.push_back(LabelText(IDC_TITLE));
    };
    Engine().m_pages.eqApplyToPlayback = [&] { events.push_back("eq"); };

    const std::string path = WriteWav(Media("one.wav"), {.seconds = 1});
    Engine().LoadSong(path);

    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "loop 1 " + path);
    EXPECT_EQ(events[1], Text(105));
    EXPECT_EQ(events[2], "eq");
    for (int id : {IDC_SAVE, IDC_SAVEAS, IDC_STOP, IDC_PLAY, IDC_PAUSE, IDC_POSITION,
                   IDC_TEMPO_DOWN, IDC_TEMPO_UP, IDC_PITCH_DOWN, IDC_PITCH_UP, IDC_VOCAL_DOWN,
                   IDC_VOCAL_UP, IDC_TEMPO, IDC_PITCH, IDC_VOCAL, IDC_VOLUME})
        EXPECT_TRUE(Item(id)->isEnabled()) << id;
}

TEST_F(SongLoadingTest, FailuresShowTheirMessageAndLeaveThePreviousSongPlaying) {
    LoadPlayingSong();

    // Not audio at all: the general decoder refuses it.
    const std::string text = Media("notes.mp3");
    testenv::WriteFile(text, "These are my practice notes, not a song.\n");
    ExpectFailedLoadKeepsFirstSong(text, Format(40, text));

    // An MP3 inside a folder whose name holds ".mp4" goes to the MP4 decoder, which refuses it.
    fs::create_directory(Media("clips.mp4"));
    const std::string mp3 = Media("clips.mp4/tune.mp3");
    ASSERT_TRUE(testmedia::EncodeTone(mp3, 1));
    const audio::HSTREAM before = Stream();
    Engine().LoadSong(mp3);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(Stream(), before);
    EXPECT_TRUE(Engine().IsPlaying());
    char expected[2048];
    std::snprintf(expected, sizeof expected, GetLanguageText(41), mp3.c_str(),
                  audio::ERROR_FILEFORM);
    EXPECT_EQ(m_boxes.Asked()[0].text, expected);
    m_boxes.Clear();

    // The same MP3 outside such a folder loads; a capital ".MP4" takes the general decoder too.
    const std::string capital = Media("TUNE.MP4.mp3");
    fs::copy_file(mp3, capital);
    Engine().LoadSong(capital);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_EQ(Engine().m_strSongPath, capital);
}

TEST_F(SongLoadingTest, TempoStreamFailureShowsText42AndLoadsNothing) {
    // Without an output device a file still decodes, but no playable stream can be made.
    audio::Free();
    const std::string path = WriteWav(Media("fine.wav"), {.seconds = 1});
    Engine().LoadSong(path);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Format(42, path));
    EXPECT_EQ(Stream(), 0u);
    EXPECT_EQ(LabelText(IDC_TITLE), Text(104));
    EXPECT_FALSE(Item(IDC_PLAY)->isEnabled());
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(SongLoadingTest, BadFilesGetTheLoadMessageAndNothingBreaks) {
    LoadPlayingSong();

    const std::string empty = Media("empty.wav");
    testenv::WriteFile(empty, "");
    ExpectFailedLoadKeepsFirstSong(empty, Format(40, empty));

    const std::string folder = Media("folder.mp3");
    fs::create_directory(folder);
    ExpectFailedLoadKeepsFirstSong(folder, Format(40, folder));

    const std::string missing = Media("missing.wav");
    ExpectFailedLoadKeepsFirstSong(missing, Format(40, missing));

    const std::string headerOnly = Media("header-only.wav");
    testenv::WriteFile(headerOnly, testmedia::WavBytes({.seconds = 1}).substr(0, 30));
    ExpectFailedLoadKeepsFirstSong(headerOnly, Format(40, headerOnly));
}

TEST_F(SongLoadingTest, DamagedButReadableFilesLoadWhatTheyHold) {
    // Cut in the middle: what is there plays.
    const std::string wav = Media("cut.wav");
    testenv::WriteFile(wav, testmedia::WavBytes({.seconds = 2}).substr(0, 44 + 44100 * 4 / 2 + 3));
    Engine().LoadSong(wav);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_NEAR(Engine().m_dSongLength, 0.5, 0.01);

    const std::string full = Media("full.mp3");
    ASSERT_TRUE(testmedia::EncodeTone(full, 2));
    const std::string cut = Media("cut.mp3");
    const std::string bytes = testenv::ReadFile(full);
    testenv::WriteFile(cut, bytes.substr(0, bytes.size() / 2));
    Engine().LoadSong(cut);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_EQ(Engine().m_strSongPath, cut);
    EXPECT_GT(Engine().m_dSongLength, 0.5);
    EXPECT_LT(Engine().m_dSongLength, 1.6);

    // A header that claims 4 GB of samples: either refused or loaded with what is really there;
    // the display must cope with the length it reports.
    const std::string liar = Media("liar.wav");
    testmedia::WriteWav(liar, {.seconds = 1, .claimedDataBytes = 0xFFFFFFF0});
    Engine().LoadSong(liar);
    if (m_boxes.Asked().empty()) {
        EXPECT_EQ(Engine().m_strSongPath, liar);
        EXPECT_GE(SliderItem(IDC_POSITION)->maximum(), 0);
        Engine().OnPlay();
        Engine().OnStop();
    } else {
        EXPECT_EQ(m_boxes.Asked()[0].text, Format(40, liar));
    }
}

TEST_F(SongLoadingTest, SongWithoutSamplesShowsZeroTimes) {
    const std::string silent = WriteWav(Media("nothing.wav"), {.seconds = 0});
    Engine().LoadSong(silent);
    ASSERT_TRUE(m_boxes.Asked().empty()) << "a WAV without samples is a song of no length";
    EXPECT_EQ(Engine().m_dSongLength, 0.0);
    EXPECT_EQ(SliderItem(IDC_POSITION)->minimum(), 0);
    EXPECT_EQ(SliderItem(IDC_POSITION)->maximum(), 0);
    EXPECT_EQ(LabelText(IDC_TIME), "00:00 / 00:00");
}

// The options of FX.ini reach the time-stretcher: a stretched rendering changes with them. They
// are the classic engine's own, and act on it alone.
class TempoOptionsEffectTest : public MainWindowFixture {
protected:
    std::vector<char> RenderStretched(const std::string& song) {
        EXPECT_TRUE(Engine().SetStretcher(audio::STRETCHER_SOUNDTOUCH));
        const audio::HSTREAM decoder =
            audio::StreamCreateFile(false, song.c_str(), 0, 0, audio::STREAM_DECODE);
        const audio::HSTREAM stream =
            audio::FX_TempoCreate(decoder, audio::FX_FREESOURCE | audio::STREAM_DECODE);
        EXPECT_NE(stream, 0u);
        ApplyTempoOptions(stream, TempoOptionsPath());
        audio::FX_TempoSet(stream, -40, 0, 3);
        std::vector<char> out;
        char block[16384];
        audio::DWORD got;
        while ((got = audio::ChannelGetData(stream, block, sizeof block)) != audio::DWORD(-1) &&
               got > 0)
            out.insert(out.end(), block, block + got);
        audio::StreamFree(stream);
        return out;
    }
};

TEST_F(TempoOptionsEffectTest, OptionsOfTheFileChangeTheStretchingAndNoneChangesNothing) {
    const std::string song = WriteWav(Media("tone.wav"), {.seconds = 1.5, .frequency = 330});
    const std::string fx = DataFolder() + "/FX.ini";
    const std::vector<char> plain = RenderStretched(song);
    ASSERT_FALSE(plain.empty());

    testenv::WriteFile(fx,
                       "[FX]\nBASS_FX_TEMPO_OPTION_SEQUENCE_MS=<none>\n"
                       "BASS_FX_TEMPO_OPTION_OVERLAP_MS=<none>\n");
    EXPECT_EQ(RenderStretched(song), plain);

    testenv::WriteFile(fx,
                       "[FX]\nBASS_FX_TEMPO_OPTION_SEQUENCE_MS=30\n"
                       "BASS_FX_TEMPO_OPTION_SEEKWINDOW_MS=10\n");
    EXPECT_NE(RenderStretched(song), plain);

    testenv::WriteFile(fx, "[FX]\nBASS_FX_TEMPO_OPTION_USE_QUICKALGO=1\n");
    EXPECT_NE(RenderStretched(song), plain);

    fs::remove(fx);
    fs::create_directory(fx);  // a folder of that name is no options file
    EXPECT_EQ(RenderStretched(song), plain);
}

}  // namespace
