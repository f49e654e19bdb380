// The Rip CD Track dialog and the Rip Track Progress window over CUE/BIN images, with the real
// main window, save box, choosers and encoders scripted or run for real: drives and tracks as
// listed, what each output kind writes, cancels, failures, a rip over the loaded song, the Rip CD
// button and a track file opened as a song.
#include <QApplication>
#include <QFileDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <QtTest/QTest>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>

#include "app/OpenCommand.h"
#include "audio/CdTrackFiles.h"
#include "cdrip/QuorvelRipCDTrackDlg.h"
#include "cdrip/QuorvelRipTrackProgressDlg.h"
#include "cdrip/RipCommands.h"
#include "export/SaveFixture.h"
#include "support/CdImage.h"
#include "support/WavChecks.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/OpenDialog.h"
#include "ui/PreviewPlayer.h"

namespace {

namespace fs = std::filesystem;
using namespace cd_test;

constexpr std::uint32_t kTrackSectors = 300;  // 4 s: 36 blocks of the rip

std::string Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* fmt, ...) {
    char text[4096];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

using test_audio::CheckedCdWavData;

class RipTest : public exporttest::SaveFixture {
protected:
    void SetUp() override {
        SaveFixture::SetUp();
        m_disc = std::make_unique<CdImage>(
            Media(""), "practice",
            std::vector<ImageTrack>{Audio(40), Data(30), Audio(kTrackSectors)}, "Practice Disc");
        m_other = std::make_unique<CdImage>(Media(""), "other",
                                            std::vector<ImageTrack>{Audio(kTrackSectors)});
        UseDrives({m_disc->Cue(), Media("empty.cue"), m_other->Cue()});
        RefreshCdTrackFolders();
    }
    void TearDown() override {
        audio::CD_SetDrives(nullptr, 0);
        SaveFixture::TearDown();
    }
    void UseDrives(const std::vector<std::string>& devices) {
        std::vector<const char*> list;
        for (const std::string& d : devices) list.push_back(d.c_str());
        audio::CD_SetDrives(list.data(), static_cast<audio::DWORD>(list.size()));
    }
    // Track 3 of the practice disc and the track of the other disc.
    std::string PracticeTrack3() { return CdTrackFilePath(0, 3); }
    std::string OtherTrack() { return CdTrackFilePath(2, 1); }

    // Runs the progress window for one conversion; `onBlock` runs between blocks.
    void Rip(const std::string& source, const std::string& destination, int kind,
             std::function<void(QuorvelRipTrackProgressDlg&)> onBlock = {}) {
        QuorvelRipTrackProgressDlg dialog(source, destination, kind, nullptr, &Engine());
        QTimer between;
        if (onBlock) {
            QObject::connect(&between, &QTimer::timeout, [&] { onBlock(dialog); });
            between.start(0);
        }
        dialog.DoModal();
        m_lastPercent =
            ui::FromQtText(dialog.GetDlgItem(QuorvelRipTrackProgressDlg::IDC_RIP_PERCENT)
                               ->property("text")
                               .toString());
        m_lastBar = dialog.ProgressBar()->value();
        m_lastExtra = dialog.ExtraOption();
    }

    std::unique_ptr<CdImage> m_disc, m_other;
    testenv::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_media.path().toUtf8().constData()};
    std::string m_lastPercent, m_lastExtra;
    int m_lastBar = -1;
    // The save box's title and proposed name, answered with the paths queued.
    struct SaveAsked {
        std::string title, proposedName;
    };
    std::vector<SaveAsked> m_saveAsked;
    std::deque<std::string> m_saveAnswers;
    ui::ScopedModalResponder<ui::SaveFileQuestion> m_ripSaveBox{
        [this](const ui::SaveFileQuestion& q) -> std::optional<std::string> {
            m_saveAsked.push_back({q.title, q.proposedName});
            if (m_saveAnswers.empty()) return std::nullopt;
            std::string path = m_saveAnswers.front();
            m_saveAnswers.pop_front();
            return path;
        }};
};

// A click as the user makes it, through the window system: a window that a modal window blocks
// never gets it.
void UserClick(QWidget* widget) {
    QWindow* window = widget->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window, Qt::LeftButton, {},
                      window->mapFromGlobal(widget->mapToGlobal(widget->rect().center())));
}

std::vector<std::string> Lines(ui::CComboBox* combo) {
    std::vector<std::string> lines;
    for (int i = 0; i < combo->GetCount(); ++i)
        lines.push_back(ui::FromQtText(combo->GetLBText(i)));
    return lines;
}
std::vector<std::string> Lines(ui::CListBox* list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list->GetCount(); ++i) lines.push_back(ui::FromQtText(list->GetText(i)));
    return lines;
}

TEST_F(RipTest, DrivesAndTheChosenDrivesAudioTracksAreListed) {
    QuorvelRipCDTrackDlg dialog(m_dialog.get(), &Engine());
    ASSERT_TRUE(dialog.InitDialog());
    EXPECT_EQ(ui::FromQtText(dialog.windowTitle()), Text(78));
    EXPECT_EQ(ui::FromQtText(dialog.GetDlgItem(752)->property("text").toString()), Text(79));
    EXPECT_EQ(ui::FromQtText(dialog.GetDlgItem(781)->property("text").toString()), Text(80));
    EXPECT_EQ(ui::FromQtText(dialog.GetDlgItem(509)->property("text").toString()), Text(81));
    EXPECT_EQ(ui::FromQtText(dialog.GetDlgItem(510)->property("text").toString()), Text(82));

    EXPECT_EQ(Lines(dialog.DriveList()),
              (std::vector<std::string>{m_disc->Cue() + " - Practice Disc",
                                        Media("empty.cue") + " - [EMPTY]",
                                        m_other->Cue() + " - [EMPTY]"}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dialog.DriveList()->GetItemData(i), i);
    EXPECT_EQ(dialog.DriveList()->GetCurSel(), 0);
    // The data track has no entry; the numbers are the disc's own.
    EXPECT_EQ(Lines(dialog.TrackList()), (std::vector<std::string>{"Track01.cda", "Track03.cda"}));
    EXPECT_EQ(dialog.TrackList()->GetCurSel(), 0);
    EXPECT_TRUE(dialog.GetDlgItem(752)->isEnabled());

    // The user picks the empty drive: the old tracks stay in sight, Rip Track cannot be used.
    dialog.show();
    dialog.DriveList()->setFocus();
    QTest::keyClick(dialog.DriveList(), Qt::Key_Down);
    EXPECT_EQ(dialog.DriveList()->GetCurSel(), 1);
    EXPECT_EQ(Lines(dialog.TrackList()), (std::vector<std::string>{"Track01.cda", "Track03.cda"}));
    EXPECT_FALSE(dialog.GetDlgItem(752)->isEnabled());
    // And then the other disc.
    QTest::keyClick(dialog.DriveList(), Qt::Key_Down);
    EXPECT_EQ(Lines(dialog.TrackList()), (std::vector<std::string>{"Track01.cda"}));
    EXPECT_TRUE(dialog.GetDlgItem(752)->isEnabled());
}

TEST_F(RipTest, DiscStartingWithDataListsNothingAndNoDriveAtAllDoesNothing) {
    const CdImage dataFirst(Media(""), "data-first", {Data(30), Audio(20)});
    UseDrives({dataFirst.Cue()});
    {
        QuorvelRipCDTrackDlg dialog(m_dialog.get(), &Engine());
        ASSERT_TRUE(dialog.InitDialog());
        EXPECT_EQ(dialog.TrackList()->GetCount(), 0);
        EXPECT_FALSE(dialog.GetDlgItem(752)->isEnabled());
    }
    // No drive: both lists empty, Rip Track as the template has it, and pressing it asks nothing.
    testenv::ScopedEnv none("QUORVEL_CD_DRIVES", ":");
    audio::CD_SetDrives(nullptr, 0);
    QuorvelRipCDTrackDlg dialog(m_dialog.get(), &Engine());
    ASSERT_TRUE(dialog.InitDialog());
    EXPECT_EQ(dialog.DriveList()->GetCount(), 0);
    EXPECT_EQ(dialog.TrackList()->GetCount(), 0);
    EXPECT_TRUE(dialog.GetDlgItem(752)->isEnabled());
    qobject_cast<QPushButton*>(dialog.GetDlgItem(752))->click();
    EXPECT_TRUE(m_saveAsked.empty());
}

TEST_F(RipTest, RipTrackAsksWhereAndWritesTheTrackInTheChosenFormat) {
    QuorvelRipCDTrackDlg dialog(m_dialog.get(), &Engine());
    ASSERT_TRUE(dialog.InitDialog());
    dialog.TrackList()->SetCurSel(1);  // Track03.cda
    auto* rip = qobject_cast<QPushButton*>(dialog.GetDlgItem(752));

    // Cancelled: nothing is written.
    rip->click();
    ASSERT_EQ(m_saveAsked.size(), 1u);
    const std::string source = CdTrackFolder(0) + "/Track03.cda";
    EXPECT_EQ(m_saveAsked[0].title, "Save " + source + " As...");
    EXPECT_EQ(m_saveAsked[0].proposedName, "Track03");

    m_saveAnswers.push_back(Media("third.wav"));
    rip->click();
    const std::string data = CheckedCdWavData(ReadBytes(Media("third.wav")));
    EXPECT_TRUE(data == m_disc->TrackBytes(2));

    // The dialog is still there for the next track, here as MP3.
    m_saveAnswers.push_back(Media("third.MP3"));
    rip->click();
    EXPECT_EQ(m_mp3Asked.size(), 1u);
    const exporttest::Decoded mp3 = exporttest::DecodeFile(Media("third.MP3"));
    EXPECT_EQ(mp3.rate, 44100);
    EXPECT_NEAR(mp3.Seconds(), kTrackSectors / 75.0, 0.1);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST(OutputKindForTest, TheFirstExtensionFoundDecides) {
    EXPECT_EQ(OutputKindFor("/music/Track01.mp3"), kOutputMp3);
    EXPECT_EQ(OutputKindFor("/music/Track01.AAC"), kOutputAac);
    EXPECT_EQ(OutputKindFor("/music/Track01.mp4"), kOutputMp4);
    EXPECT_EQ(OutputKindFor("/music/Track01.m4a"), kOutputM4a);
    EXPECT_EQ(OutputKindFor("/music/Track01.wma"), kOutputWma);
    EXPECT_EQ(OutputKindFor("/music/Track01"), kOutputWav);
    EXPECT_EQ(OutputKindFor("/music/Track01.flac"), kOutputWav);
    EXPECT_EQ(OutputKindFor("/a.wma/b.mp3"), kOutputMp3);
}

TEST_F(RipTest, WavRipHoldsTheWholeTrackAndShowsItsProgress) {
    Rip(OtherTrack(), Media("whole.wav"), kOutputWav);
    const std::string data = CheckedCdWavData(ReadBytes(Media("whole.wav")));
    EXPECT_EQ(data.size(), std::size_t(kTrackSectors) * kSectorBytes);
    EXPECT_TRUE(data == m_other->TrackBytes(0));
    EXPECT_EQ(m_lastPercent, "Done!");
    EXPECT_EQ(m_lastBar, 1000);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(RipTest, CancelLeavesAWholeShorterWavFile) {
    bool clicked = false;
    std::string percentWhenCancelled;
    Rip(OtherTrack(), Media("short.wav"), kOutputWav, [&](QuorvelRipTrackProgressDlg& dialog) {
        const QString percent = dialog.GetDlgItem(QuorvelRipTrackProgressDlg::IDC_RIP_PERCENT)
                                    ->property("text")
                                    .toString();
        if (clicked || percent == "100%" || percent == "---") return;
        percentWhenCancelled = ui::FromQtText(percent);
        qobject_cast<QPushButton*>(dialog.GetDlgItem(QuorvelRipTrackProgressDlg::IDC_RIP_CANCEL))
            ->click();
        clicked = true;
    });
    ASSERT_TRUE(clicked);
    // The percentage is language text 108 of the first block.
    EXPECT_EQ(percentWhenCancelled,
              Printf(Text(108).c_str(), 20000.0 * 100 / (kTrackSectors * kSectorBytes)));
    const std::string data = CheckedCdWavData(ReadBytes(Media("short.wav")));
    EXPECT_GT(data.size(), 0u);
    EXPECT_LT(data.size(), std::size_t(kTrackSectors) * kSectorBytes);
    EXPECT_TRUE(data == m_other->TrackBytes(0).substr(0, data.size()));
    EXPECT_EQ(m_lastPercent, "Done!");
}

TEST_F(RipTest, WavFailuresAreReported) {
    // A disc that is full: message 115 with the error number and its description, as a stop box.
    Rip(OtherTrack(), "/dev/full", kOutputWav);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Printf(Text(115).c_str(), ENOSPC, std::strerror(ENOSPC)));
    EXPECT_EQ(m_boxes.Asked()[0].style, MB_ICONHAND | MB_SYSTEMMODAL);
    EXPECT_EQ(m_lastPercent, "Done!");

    // A folder that does not exist: message 56.
    m_boxes.Clear();
    Rip(OtherTrack(), Media("no/such/folder.wav"), kOutputWav);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Text(56));

    // A track file that names no drive: the conversion's open message with the source.
    m_boxes.Clear();
    const std::string forged = Media("Track07.cda");
    WriteTrackFile(forged, "/etc/passwd", 1);
    Rip(forged, Media("never.wav"), kOutputWav);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Printf(Text(55).c_str(), forged.c_str()));
    EXPECT_FALSE(fs::exists(Media("never.wav")));
    m_boxes.Clear();
    Rip(forged, Media("never.wma"), kOutputWma);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Printf(Text(64).c_str(), forged.c_str()));
}

TEST_F(RipTest, EncodedRipsAskTheirQualityAndHoldTheWholeTrack) {
    Rip(OtherTrack(), Media("track.aac"), kOutputAac);
    EXPECT_EQ(m_lastExtra, "");
    Rip(OtherTrack(), Media("track.m4a"), kOutputM4a);
    EXPECT_EQ(m_lastExtra, "-w");
    Rip(OtherTrack(), Media("track.wma"), kOutputWma);
    EXPECT_EQ(m_bitrateKinds,
              (std::vector<int>{kBitrateListAac, kBitrateListAac, kBitrateListWma}));
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_NE(exporttest::Probe(Media("track.aac")).find("codec_name=aac"), std::string::npos);
    EXPECT_NE(exporttest::Probe(Media("track.m4a")).find("mp4"), std::string::npos);
    EXPECT_NE(exporttest::Probe(Media("track.wma")).find("codec_name=wmav2"), std::string::npos);
    for (const char* name : {"track.aac", "track.m4a", "track.wma"}) {
        const exporttest::Decoded decoded = exporttest::DecodeFile(Media(name));
        EXPECT_EQ(decoded.channels, 2) << name;
        EXPECT_NEAR(decoded.Seconds(), kTrackSectors / 75.0, 0.1) << name;
    }

    // Leaving a chooser ends the conversion without a file and without a word.
    m_bCancelBitrate = true;
    Rip(OtherTrack(), Media("none.mp4"), kOutputMp4);
    Rip(OtherTrack(), Media("none.wma"), kOutputWma);
    EXPECT_FALSE(fs::exists(Media("none.mp4")));
    EXPECT_FALSE(fs::exists(Media("none.wma")));
    EXPECT_TRUE(m_boxes.Asked().empty());
    // A cancelled MP3 format is said (message 61 with the code).
    m_bCancelMp3 = true;
    Rip(OtherTrack(), Media("none.mp3"), kOutputMp3);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Printf(Text(61).c_str(), audio::ERROR_ACM_CANCEL));
    EXPECT_FALSE(fs::exists(Media("none.mp3")));
}

TEST_F(RipTest, CancelDuringAnEncodedRipLeavesAShorterFile) {
    bool clicked = false;
    Rip(OtherTrack(), Media("short.wma"), kOutputWma, [&](QuorvelRipTrackProgressDlg& dialog) {
        if (clicked || dialog.ProgressBar()->value() == 0) return;
        qobject_cast<QPushButton*>(dialog.GetDlgItem(QuorvelRipTrackProgressDlg::IDC_RIP_CANCEL))
            ->click();
        clicked = true;
    });
    ASSERT_TRUE(clicked);
    const exporttest::Decoded decoded = exporttest::DecodeFile(Media("short.wma"));
    EXPECT_GT(decoded.Seconds(), 0.0);
    EXPECT_LT(decoded.Seconds(), kTrackSectors / 75.0 - 0.5);
}

// A WMA file is finished when its encoder closes (the last packets, the index): a disc that fills
// up only then is said like any failed write, not passed over with "Done!" alone.
TEST_F(RipTest, AWmaFileThatCannotBeFinishedIsReported) {
    m_bitrateEntries = {7};  // 48 kbps: the whole file waits in the writer's buffer until the end
    {
        // Room for the header, which is written when the encoder opens, and no more.
        exporttest::ScopedFileSizeLimit full(4096);
        Rip(OtherTrack(), Media("full.wma"), kOutputWma);
    }
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Printf(Text(65).c_str(), audio::ERROR_CREATE));
    EXPECT_EQ(m_lastPercent, "Done!");
}

TEST_F(RipTest, RipOverTheLoadedSongReplacesItOnlyWhenWhole) {
    const std::string song = testmedia::WriteWav(Media("song.wav"), {.seconds = 1.0});
    const std::string original = ReadBytes(song);
    Engine().LoadSong(song);
    ASSERT_NE(Stream(), 0u);

    // Cancelled at once: the song is back, untouched, and loaded.
    Rip(OtherTrack(), song, kOutputWav, [](QuorvelRipTrackProgressDlg& dialog) {
        qobject_cast<QPushButton*>(dialog.GetDlgItem(QuorvelRipTrackProgressDlg::IDC_RIP_CANCEL))
            ->click();
    });
    EXPECT_TRUE(ReadBytes(song) == original);
    EXPECT_NE(Stream(), 0u);
    EXPECT_EQ(Engine().m_strSongPath, song);

    // Whole: the track is the song now.
    Rip(OtherTrack(), song, kOutputWav);
    EXPECT_TRUE(CheckedCdWavData(ReadBytes(song)) == m_other->TrackBytes(0));
    ASSERT_NE(Stream(), 0u);
    EXPECT_EQ(audio::ChannelGetLength(Stream()), std::size_t(kTrackSectors) * kSectorBytes);
    EXPECT_FALSE(fs::exists(Media("QVOutput.TMP")));
}

TEST_F(RipTest, RipCdButtonStopsPlaybackAndOpensTheDialog) {
    Engine().LoadSong(testmedia::WriteWav(Media("song.wav"), {.seconds = 5.0}));
    Engine().OnPlay();
    ASSERT_EQ(Activity(), audio::ACTIVE_PLAYING);
    std::string seenTitle;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QuorvelRipCDTrackDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seenTitle = ui::FromQtText(dialog->windowTitle());
        EXPECT_NE(Activity(), audio::ACTIVE_PLAYING);
        qobject_cast<QPushButton*>(dialog->GetDlgItem(QuorvelRipCDTrackDlg::IDC_RIP_CLOSE))
            ->click();
    });
    Click(405);
    EXPECT_EQ(seenTitle, Text(78));
    EXPECT_NE(Activity(), audio::ACTIVE_PLAYING);
}

// While a track is ripped, whichever command started it, the progress window alone takes clicks:
// the Rip CD dialog under it and the main window wait until it ends.
TEST_F(RipTest, WhileATrackIsRippedOnlyTheProgressWindowTakesClicks) {
    m_dialog->show();
    QuorvelRipCDTrackDlg* ripDialog = nullptr;
    int rips = 0;
    // At the first block of each rip: clicks on every other window, then Cancel.
    QTimer between;
    QObject::connect(&between, &QTimer::timeout, [&] {
        auto* progress = m_dialog->findChild<QuorvelRipTrackProgressDlg*>();
        if (!progress || !progress->isVisible() || progress->ProgressBar()->value() == 0 ||
            progress->Cancelled())
            return;
        ++rips;
        if (ripDialog) {
            UserClick(ripDialog->GetDlgItem(QuorvelRipCDTrackDlg::IDC_RIP_CLOSE));
            EXPECT_TRUE(ripDialog->isVisible()) << "the Rip CD dialog closed under the rip";
            UserClick(ripDialog->GetDlgItem(QuorvelRipCDTrackDlg::IDC_RIP_TRACK));
            EXPECT_EQ(m_saveAsked.size(), 1u) << "a second rip was asked for";
        }
        UserClick(Item(401));
        EXPECT_TRUE(m_dialog->isVisible()) << "the main window closed under the rip";
        EXPECT_FALSE(progress->Cancelled());
        UserClick(progress->GetDlgItem(QuorvelRipTrackProgressDlg::IDC_RIP_CANCEL));
        EXPECT_TRUE(progress->Cancelled());
    });
    between.start(0);

    // From the Rip CD dialog.
    m_saveAnswers.push_back(Media("ripped.wav"));
    QTimer::singleShot(0, [&] {
        ripDialog = qobject_cast<QuorvelRipCDTrackDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(ripDialog, nullptr);
        ripDialog->TrackList()->SetCurSel(1);  // Track03.cda, the long one
        UserClick(ripDialog->GetDlgItem(QuorvelRipCDTrackDlg::IDC_RIP_TRACK));
        // The rip is over: now Close does close.
        UserClick(ripDialog->GetDlgItem(QuorvelRipCDTrackDlg::IDC_RIP_CLOSE));
        EXPECT_FALSE(ripDialog->isVisible());
        if (ripDialog->isVisible()) ripDialog->done(0);
    });
    Click(405);
    EXPECT_EQ(rips, 1);
    const std::string ripped = CheckedCdWavData(ReadBytes(Media("ripped.wav")));
    EXPECT_LT(ripped.size(), std::size_t(kTrackSectors) * kSectorBytes);
    EXPECT_TRUE(m_boxes.Asked().empty());

    // From the open command, owned by the main window.
    ripDialog = nullptr;
    OpenChosenFile(Engine(), nullptr, OtherTrack());
    EXPECT_EQ(rips, 2);
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_NE(Stream(), 0u);
}

// Sectors still unreadable after the retries are silence in the file, and the user is told how
// long that is once the rip is over.
TEST_F(RipTest, UnreadableSectorsAreSilentAndTheirLengthIsSaid) {
    // The disc gives out while the MP3 format is chosen, before a sector of track 2 was read.
    const CdImage scratched(Media(""), "scratched", {Audio(20), Audio(kTrackSectors)});
    UseDrives({scratched.Cue(), Media("empty.cue"), m_other->Cue()});
    RefreshCdTrackFolders();
    ui::ScopedModalResponder<Mp3FormatQuestion> chooser([&](const Mp3FormatQuestion& q) {
        scratched.TruncateBin(scratched.TrackOffset(1));
        for (std::size_t i = 0; i < q.formats.size(); ++i)
            if (q.formats[i].freq == 44100 && q.formats[i].bitrate == 128000)
                return static_cast<int>(i);
        return -1;
    });
    Rip(CdTrackFilePath(0, 2), Media("scratched.mp3"), kOutputMp3);
    EXPECT_EQ(m_lastPercent, "Done!");
    // The track's length, in silence.
    const exporttest::Decoded mp3 = exporttest::DecodeFile(Media("scratched.mp3"));
    EXPECT_NEAR(mp3.Seconds(), kTrackSectors / 75.0, 0.1);
    EXPECT_TRUE(std::all_of(mp3.samples.begin(), mp3.samples.end(),
                            [](std::int16_t s) { return std::abs(s) < 4; }));
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, Printf(Text(124).c_str(), kTrackSectors / 75.0));

    // A whole rip says nothing.
    m_boxes.Clear();
    Rip(OtherTrack(), Media("whole.mp3"), kOutputMp3);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

// The drives are read again each time the Rip CD dialog opens and each time the open box lists its
// side bar: a drive plugged in since appears, one taken away goes, with its track files.
TEST_F(RipTest, DrivesAreReadAgainEachTimeADialogListsThem) {
    audio::CD_SetDrives(nullptr, 0);  // the system's drives, named here by the environment
    const std::string disc = m_disc->Cue(), other = m_other->Cue();
    auto folderOf = [](std::string device) {
        std::replace(device.begin(), device.end(), '/', '_');
        return CdRuntimeFolder() + "/" + device;
    };
    auto ripDialogDrives = [&] {
        QuorvelRipCDTrackDlg dialog(m_dialog.get(), &Engine());
        EXPECT_TRUE(dialog.InitDialog());
        return Lines(dialog.DriveList());
    };
    auto openBoxFolders = [&] {
        ui::COpenPreviewDialog dialog(m_dialog.get());
        std::vector<std::string> folders;
        for (const QUrl& url : dialog.sidebarUrls())
            if (url.toLocalFile().startsWith(QString::fromStdString(CdRuntimeFolder())))
                folders.push_back(url.toLocalFile().toStdString());
        return folders;
    };
    // Each dialog in turn, so that each must read the drives itself.
    const struct {
        std::string drives;
        bool bRipDialog;
        std::vector<std::string> listed;
    } steps[] = {
        {disc, true, {disc + " - Practice Disc"}},
        {disc + ":" + other, false, {folderOf(disc), folderOf(other)}},
        {other, true, {other + " - [EMPTY]"}},
        {disc, false, {folderOf(disc)}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.drives);
        testenv::ScopedEnv drives("QUORVEL_CD_DRIVES", step.drives.c_str());
        EXPECT_EQ(step.bRipDialog ? ripDialogDrives() : openBoxFolders(), step.listed);
        // Track files only of the drives there now.
        EXPECT_EQ(fs::exists(folderOf(disc)), step.drives.find(disc) != std::string::npos);
        EXPECT_EQ(fs::exists(folderOf(other)), step.drives.find(other) != std::string::npos);
    }
}

TEST_F(RipTest, OpeningATrackFileLoadsItsWavCopy) {
    EXPECT_TRUE(IsCdTrackPath(OtherTrack()));
    EXPECT_FALSE(IsCdTrackPath("/music/x.cda/song.mp3"));
    EXPECT_FALSE(IsCdTrackPath("/music/Track01.CDA"));

    OpenChosenFile(Engine(), nullptr, OtherTrack());
    const std::string copy = m_appData.Base() + "/Track01.wav";
    EXPECT_EQ(Engine().m_strSongPath, copy);
    ASSERT_NE(Stream(), 0u);
    EXPECT_EQ(audio::ChannelGetLength(Stream()), std::size_t(kTrackSectors) * kSectorBytes);
    EXPECT_TRUE(CheckedCdWavData(ReadBytes(copy)) == m_other->TrackBytes(0));
    ASSERT_FALSE(Engine().m_arrOpenedFiles.empty());
    EXPECT_EQ(Engine().m_arrOpenedFiles.back(), copy);
    EXPECT_EQ(Engine().m_arrOpenedIsTemp.back(), 1u);

    // The same track again, while its copy is the song: the copy is rewritten, not cut under
    // the player.
    OpenChosenFile(Engine(), nullptr, OtherTrack());
    EXPECT_EQ(Engine().m_strSongPath, copy);
    EXPECT_TRUE(CheckedCdWavData(ReadBytes(copy)) == m_other->TrackBytes(0));
    EXPECT_EQ(audio::ChannelGetLength(Stream()), std::size_t(kTrackSectors) * kSectorBytes);
}

TEST_F(RipTest, OpenDialogListsTheDiscsAndPreviewsTheirTracks) {
    const QUrl first = QUrl::fromLocalFile(QString::fromStdString(CdTrackFolder(0)));
    {
        ui::COpenPreviewDialog dialog(m_dialog.get());
        const QList<QUrl> places = dialog.sidebarUrls();
        EXPECT_TRUE(places.contains(first));
        EXPECT_TRUE(places.contains(QUrl::fromLocalFile(QString::fromStdString(CdTrackFolder(2)))));
        EXPECT_FALSE(
            places.contains(QUrl::fromLocalFile(QString::fromStdString(CdTrackFolder(1)))));
    }
    // Qt hands its side bar on to later file dialogs: the discs' folders are not in it.
    QFileDialog later;
    later.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_FALSE(later.sidebarUrls().contains(first));

    CPreviewPlayer preview;
    ASSERT_EQ(preview.Load(OtherTrack()), 0);
    ASSERT_EQ(preview.Play(), 0);
    EXPECT_TRUE(preview.IsPlaying());
    audio::CHANNELINFO info{};
    ASSERT_TRUE(audio::ChannelGetInfo(preview.m_hStream, &info));
    EXPECT_EQ(info.ctype, audio::CTYPE_STREAM_CD);
    EXPECT_EQ(preview.Load(Media("Track09.cda")), -1);  // no such file
}

}  // namespace
