#include <QCloseEvent>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "EngineTestFixture.h"
#include "TestMedia.h"
#include "engine/AudioStartup.h"
#include "engine/AudioStartupText.h"

namespace fs = std::filesystem;

namespace {

using enginetest::Boxes;
using enginetest::MainWindowFixture;

// The layer is free when a fresh Init succeeds (it refuses a second one).
bool LayerIsFree() {
    if (!audio::Init(-1, 44100, 0, nullptr, nullptr)) return false;
    audio::Free();
    return true;
}

class AudioStartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallShippedData(DataFolder());
        g_szLanguageFile = DataFolder() + "/Default.lan";
    }
    testenv::TempAppData m_appData;
};

TEST_F(AudioStartupTest, WrongVersionShowsText33AndLeavesTheLayerUntouched) {
    QWidget window;
    Boxes boxes(IDOK);
    EXPECT_FALSE(StartAudioEngine(&window, 0x02040000));
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].text, std::string(GetLanguageText(33)));
    EXPECT_EQ(boxes.Asked()[0].caption, "Quorvel");
    EXPECT_EQ(boxes.Asked()[0].style, static_cast<unsigned>(MB_OK));
    EXPECT_EQ(boxes.Asked()[0].owner, &window);
    EXPECT_TRUE(LayerIsFree());
}

TEST_F(AudioStartupTest, DeviceFailureShowsText34WithTheDescriptionAndEndsTheDialog) {
    testenv::ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    Boxes boxes(IDOK);
    CQuorvelMainDlg dialog;
    EXPECT_EQ(dialog.DoModal(), 0);

    const int code = audio::ErrorGetCode();
    const std::string description = InitErrorText(code);
    EXPECT_FALSE(description.empty()) << "code " << code;
    ASSERT_EQ(boxes.Asked().size(), 1u);
    char expected[1024];
    std::snprintf(expected, sizeof expected, GetLanguageText(34), description.c_str());
    EXPECT_EQ(boxes.Asked()[0].text, expected);
    EXPECT_EQ(boxes.Asked()[0].owner, &dialog);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(AudioStartupTest, StartsTheDeviceAndTheDecoderPlugins) {
    Boxes boxes(IDOK);
    QWidget window;
    ASSERT_TRUE(StartAudioEngine(&window));
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_FALSE(audio::Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ALREADY);
    audio::Free();
}

class ClosingTest : public MainWindowFixture {
protected:
    void LoadAndPlay() {
        Engine().LoadSong(testmedia::WriteWav(Media("song.wav"), {.seconds = 3}));
        ASSERT_NE(Stream(), 0u);
        Engine().OnPlay();
        ASSERT_TRUE(Engine().IsPlaying());
    }
};

TEST_F(ClosingTest, AnsweringNoToTheUnsavedChangesKeepsEverythingPlaying) {
    LoadAndPlay();
    ASSERT_EQ(g_bModified, 1);  // a loaded song counts as changed
    m_dialog->show();
    m_boxes.Queue(IDNO);

    EXPECT_FALSE(m_dialog->close());

    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Text(111));
    EXPECT_EQ(m_boxes.Asked()[0].style, 0x134u);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_TRUE(Engine().IsPositionTimerActive());
    EXPECT_EQ(g_bModified, 1);
}

TEST_F(ClosingTest, AnsweringYesStopsAndReleasesTheLayer) {
    LoadAndPlay();
    m_dialog->show();
    bool streamCleared = false;
    Engine().m_pages.loopClearStream = [&] { streamCleared = true; };
    m_boxes.Queue(IDYES);

    EXPECT_TRUE(m_dialog->close());

    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_TRUE(streamCleared);
    EXPECT_FALSE(Engine().IsPositionTimerActive());
    EXPECT_EQ(Engine().m_dwBassStream, 0u);
    EXPECT_TRUE(LayerIsFree());
}

TEST_F(ClosingTest, WithoutChangesNothingIsAsked) {
    m_dialog->show();
    EXPECT_TRUE(m_dialog->close());
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_TRUE(LayerIsFree());
}

TEST_F(ClosingTest, DestructionDeletesOnlyTemporaryOpenedFiles) {
    const std::string mine = Media("mine.wav");
    const std::string ripped = Media("Track02.wav");
    testenv::WriteFile(mine, "RIFF");
    testenv::WriteFile(ripped, "RIFF");
    Engine().m_arrOpenedFiles = {mine, Media("vanished.wav"), ripped, mine};
    Engine().m_arrOpenedIsTemp = {0, 1, 1, 0};
    m_dialog.reset();
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_FALSE(fs::exists(ripped));
    EXPECT_TRUE(m_boxes.Asked().empty());
}

}  // namespace
