// Every song remembers what was set on it: the real main window over the real audio layer, a
// real database file in a private data folder, songs written by the test. Restarts of the
// player are a new main window over the same data folder.
#include <sqlite3.h>

#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>

#include "engine/EngineTestFixture.h"
#include "engine/MainWindowIds.h"
#include "engine/TestMedia.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "eq/QuorvelPresetNameDlg.h"
#include "lang/DataFolder.h"
#include "lang/SelectLanguage.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "memory/PracticeStore.h"
#include "practice/QuorvelPracticePage.h"
#include "practice/SongMemoryKeeper.h"
#include "support/DiskCapture.h"
#include "support/Files.h"
#include "ui/ListBox.h"
#include "ui/SliderCtrl.h"

namespace {

namespace fs = std::filesystem;

constexpr audio::QWORD kBytesPerSecond = 44100 * 4;
constexpr std::array<int, kEqBandCount> kRock = {0, 2, 3, -1, -1, 0, 0, 4, 4};

class SongMemoryTest : public enginetest::MainWindowFixture {
protected:
    void SetUp() override {
        m_capture.emplace(Media("heard.raw"));
        MainWindowFixture::SetUp();
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        m_capture.reset();
    }

    // A 440 Hz tone (or another) of four seconds.
    std::string Song(const std::string& name, double frequency = 440) {
        return testmedia::WriteWav(Media(name), {.seconds = 4.0, .frequency = frequency});
    }
    void Load(const std::string& path) {
        Engine().LoadSong(path);
        ASSERT_EQ(Engine().m_strSongPath, path);
    }
    // The player ended (the window goes) and started again.
    void Restart() {
        m_dialog.reset();
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
    }
    CQuorvelPracticePage& Practice() { return *m_dialog->PracticePage(); }
    CQuorvelEQPropertyPage& Eq() { return *qobject_cast<CQuorvelEQPropertyPage*>(m_dialog->EqPage()); }
    // A slider moved as the user moves it.
    void Move(int id, int value) {
        auto* slider = qobject_cast<ui::CSliderCtrl*>(Item(id));
        slider->setValue(value);
        emit slider->scrolled(ui::TB_THUMBTRACK);
    }
    void ChoosePreset(const std::string& name) {
        ui::CListBox* list = Eq().PresetList();
        for (int line = 0; line < list->GetCount(); ++line)
            if (ui::FromQtText(list->GetText(line)) == name) list->SetCurSel(line);
        Eq().OnPresetSelChange();
    }
    void SetRegion(double startSeconds, double endSeconds) {
        m_dialog->LoopPage()->SetLoopStart(static_cast<audio::QWORD>(startSeconds * kBytesPerSecond), true);
        m_dialog->LoopPage()->SetLoopEnd(static_cast<audio::QWORD>(endSeconds * kBytesPerSecond), true);
    }
    std::pair<audio::QWORD, audio::QWORD> Region() const {
        return {g_loopRegion.qwStartPoint.load(), g_loopRegion.qwEndPoint};
    }
    void NameLoop(const std::string& name) {
        m_names.Queue(name);
        Practice().OnLoopCreate();
    }
    std::vector<std::string> ListLines() {
        std::vector<std::string> lines;
        ui::CListBox* list = Practice().LoopList();
        for (int line = 0; line < list->GetCount(); ++line)
            lines.push_back(ui::FromQtText(list->GetText(line)));
        return lines;
    }
    void Key(Qt::Key key) { QTest::keyClick(Item(IDC_VOLUME), key); }
    CSongMemoryKeeper& Keeper() { return *m_dialog->MemoryKeeper(); }

    // Practises `song`: 80 %, two semitones down, some vocal reduction, "Rock", a loop from
    // 1.5 s to 2.5 s and the named loops "intro" (0 to 1 s) and "solo" (the region), left at 3 s.
    void Practise(const std::string& song) {
        Load(song);
        Move(IDC_TEMPO, 80);
        Move(IDC_PITCH, -200);
        Move(IDC_VOCAL, 100);
        ChoosePreset("Rock");
        SetRegion(0, 1);
        NameLoop("intro");
        SetRegion(1.5, 2.5);
        NameLoop("solo");
        SetPositionSeconds(3.0);
    }
    void ExpectPractised() {
        EXPECT_EQ(SliderItem(IDC_TEMPO)->value(), 80);
        EXPECT_EQ(SliderItem(IDC_PITCH)->value(), -200);
        EXPECT_EQ(SliderItem(IDC_VOCAL)->value(), 100);
        EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 80%");
        EXPECT_EQ(CaptionText(IDC_PITCH_CAPTION), "Pitch: -200");
        EXPECT_EQ(Eq().BandGains(), kRock);
        EXPECT_EQ(Eq().ChosenPresetName(), "Rock");
        EXPECT_EQ(Region(), std::make_pair(kBytesPerSecond * 3 / 2, kBytesPerSecond * 5 / 2));
        EXPECT_EQ(ListLines(), (std::vector<std::string>{"intro   0:00.0 – 0:01.0",
                                                         "solo   0:01.5 – 0:02.5"}));
        EXPECT_NEAR(PositionSeconds(), 3.0, 0.01);
        EXPECT_EQ(g_bModified, 0);  // as it was left, not changed
    }
    void ExpectNeutral() {
        EXPECT_EQ(SliderItem(IDC_TEMPO)->value(), 100);
        EXPECT_EQ(SliderItem(IDC_PITCH)->value(), 0);
        EXPECT_EQ(SliderItem(IDC_VOCAL)->value(), 0);
        EXPECT_EQ(Eq().BandGains(), (std::array<int, kEqBandCount>{}));
        EXPECT_EQ(Eq().ChosenPresetName(), "");
        EXPECT_EQ(Region(), std::make_pair(audio::QWORD{0}, audio::QWORD{0}));
        EXPECT_NEAR(PositionSeconds(), 0.0, 0.01);
    }

    std::optional<test_audio::DiskCapture> m_capture;
    ui::ModalScript<PresetNameQuestion> m_names;
};

TEST_F(SongMemoryTest, ASongOpensAsItWasLeftWhereverItIsNowAndIsHeardSo) {
    const std::string first = Song("first.wav");
    const std::string second = Song("second.wav", 660);
    Practise(first);
    Load(second);
    ExpectNeutral();
    EXPECT_TRUE(ListLines().empty());
    Load(first);
    ExpectPractised();

    // Closed, moved to another folder, opened by the next start of the player.
    Restart();
    fs::create_directory(Media("moved"));
    const std::string moved = Media("moved/renamed.wav");
    fs::rename(first, moved);
    Load(moved);
    ExpectPractised();
    // A copy of the same file is the same song.
    fs::copy_file(moved, Media("copy.wav"));
    Load(second);
    Load(Media("copy.wav"));
    ExpectPractised();

    // The loop the region came back as is the chosen one; the pedal's keys step from it, the
    // digits choose directly.
    EXPECT_EQ(Practice().ChosenLoop(), 1);
    const struct {
        Qt::Key key;
        int chosen;
        double start, end;
    } steps[] = {{Qt::Key_PageDown, 1, 1.5, 2.5}, {Qt::Key_PageUp, 0, 0, 1},
                 {Qt::Key_PageUp, 0, 0, 1},       {Qt::Key_2, 1, 1.5, 2.5},
                 {Qt::Key_3, 1, 1.5, 2.5},        {Qt::Key_1, 0, 0, 1}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.key);
        Key(step.key);
        EXPECT_EQ(Practice().ChosenLoop(), step.chosen);
        EXPECT_EQ(Region(), std::make_pair(static_cast<audio::QWORD>(step.start * kBytesPerSecond),
                                           static_cast<audio::QWORD>(step.end * kBytesPerSecond)));
    }

    // Heard: two semitones down (392 Hz), at 80 % (a second of output plays 0.8 s of song).
    Move(IDC_VOLUME, 100);
    SetPositionSeconds(0.5);
    m_dialog->LoopPage()->SetLoopEnd(0, false);
    Engine().OnPlay();
    const double startedAt = PositionSeconds();
    test_audio::PlayOutput(1.0);
    const double played = PositionSeconds() - startedAt;
    EXPECT_NEAR(played, 0.8, 0.12);
    m_dialog.reset();
    const std::vector<std::int16_t> heard = m_capture->Left();
    ASSERT_GT(heard.size(), 44100u);
    // Half a second of what played last, before the device closed.
    int crossings = 0;
    const std::size_t end = heard.size() - 44100 / 10;
    for (std::size_t i = end - 44100 / 2; i + 1 < end; ++i)
        if (heard[i] < 0 && heard[i + 1] >= 0) ++crossings;
    EXPECT_NEAR(crossings * 2, 440 * std::pow(2.0, -2 / 12.0), 6);
}

TEST_F(SongMemoryTest, WithRestoringOffSongsOpenAsNewAndTheMemoryWaitsForItsReturn) {
    const std::string song = Song("song.wav");
    Practise(song);

    // Turned off from the right-click menu.
    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    QTest::mouseClick(m_dialog->windowHandle(), Qt::RightButton, {}, QPoint(100, 20));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QAction* remember = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == "Remember each song's settings") remember = action;
    ASSERT_NE(remember, nullptr);
    EXPECT_TRUE(remember->isChecked());
    remember->trigger();
    menu->close();

    Restart();
    Load(song);
    ExpectNeutral();
    // The named loops are the user's list: still there.
    EXPECT_EQ(ListLines().size(), 2u);
    Keeper().Settings().SetRestoresSongSettings(true);
    Restart();
    Load(song);
    ExpectPractised();

    // In another language the loops keep the user's own names.
    SelectLanguage("Deutsch");
    Restart();
    Load(song);
    EXPECT_EQ(ListLines(), (std::vector<std::string>{"intro   0:00.0 – 0:01.0",
                                                     "solo   0:01.5 – 0:02.5"}));
    EXPECT_EQ(CaptionText(IDC_TEMPO_CAPTION), "Tempo: 80 %");
}

TEST_F(SongMemoryTest, RecentSongsListTheTenOpenedLastWhoseFilesAreThere) {
    std::vector<std::string> songs;
    for (int i = 0; i < 12; ++i) {
        songs.push_back(Song("song" + std::to_string(i) + ".wav", 300 + 20 * i));
        Load(songs.back());
    }
    fs::remove(songs[10]);
    Load(songs[3]);  // opened again: newest
    const std::vector<std::string> expected = {songs[3], songs[11], songs[9], songs[8], songs[7],
                                               songs[6], songs[5],  songs[4], songs[2], songs[1]};
    EXPECT_EQ(Keeper().RecentSongs(), expected);
}

TEST_F(SongMemoryTest, AStoreItCannotUseIsToldOnceAndTheSongsPlayAsUsual) {
    const std::string song = Song("song.wav");
    const std::string store = Keeper().StorePath();
    const struct {
        const char* name;
        std::function<void()> spoil;
        int text;
    } cases[] = {
        {"damaged", [&] { testenv::WriteFile(store, std::string(3000, 'x')); }, 128},
        {"newer", [&] {
             sqlite3* db = nullptr;
             sqlite3_open(store.c_str(), &db);
             sqlite3_exec(db, "PRAGMA user_version=1000", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         }, 129},
        {"unusable", [&] {
             fs::remove(store);
             fs::create_directory(store);
         }, 127},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialog.reset();
        c.spoil();
        const std::string before = fs::is_regular_file(store) ? testenv::ReadFile(store) : "";
        m_boxes.Clear();
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        QTest::qWait(50);  // told once the window is up
        ASSERT_EQ(m_boxes.Asked().size(), 1u);
        EXPECT_EQ(m_boxes.Asked()[0].text.substr(0, 20), std::string(Text(c.text)).substr(0, 20));
        Load(song);
        Move(IDC_TEMPO, 90);
        EXPECT_NE(Stream(), 0u);
        QTest::qWait(1200);  // a change check goes by without a word
        EXPECT_EQ(m_boxes.Asked().size(), 1u);
        if (!before.empty() && c.text != 128) {
            m_dialog.reset();
            EXPECT_EQ(testenv::ReadFile(store), before);
        }
        m_dialog.reset();
        fs::remove_all(store);
        for (const auto& entry : fs::directory_iterator(DataFolder()))
            if (entry.path().filename().string().starts_with("Practice.sqlite"))
                fs::remove_all(entry.path());
    }
}

}  // namespace

TEST_F(SongMemoryTest, TheTimeStretchingChoiceGoesOnWithThePlayingSongAndSurvivesARestart) {
    const std::string song = Song("song.wav");
    Load(song);
    Move(IDC_TEMPO, 75);
    Engine().OnPlay();
    test_audio::PlayOutput(0.3);
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_STRETCHER), memory::PlayerSettings::kDefaultStretcher);

    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    QTest::mouseClick(m_dialog->windowHandle(), Qt::RightButton, {}, QPoint(100, 20));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QMenu* stretching = nullptr;
    QStringList order;
    for (QAction* action : menu->actions()) {
        order << action->text();
        if (action->text() == "Time-Stretching") stretching = action->menu();
    }
    ASSERT_NE(stretching, nullptr);
    EXPECT_EQ(order.indexOf("Time-Stretching"), order.indexOf("Recent Songs") + 1);
    QStringList engines, checked;
    for (QAction* action : stretching->actions()) {
        engines << action->text();
        if (action->isChecked()) checked << action->text();
    }
    EXPECT_EQ(engines, (QStringList{"Classic (SoundTouch)", "Finer", "Faster"}));
    EXPECT_EQ(checked, QStringList{"Faster"});  // the default
    const double before = Engine().GetPositionSeconds();
    stretching->actions().at(1)->trigger();
    menu->close();
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_STRETCHER), audio::STRETCHER_FINER);
    // The song goes on from where it was heard.
    test_audio::PlayOutput(0.4);
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_GT(Engine().GetPositionSeconds(), before + 0.1);

    Restart();
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_STRETCHER), audio::STRETCHER_FINER);
    EXPECT_EQ(Keeper().Settings().Stretcher(), audio::STRETCHER_FINER);
    // A name the player does not know gives the default.
    testenv::WriteFile(DataFolder() + "/Settings.ini", "[Playback]\nTimeStretching=warp\n");
    Restart();
    EXPECT_EQ(audio::GetConfig(audio::CONFIG_STRETCHER), memory::PlayerSettings::kDefaultStretcher);
}
