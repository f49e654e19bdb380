// The Open command with its preview player, over the real audio layer.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "engine/PlaybackState.h"
#include "engine/TestMedia.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "support/DiskCapture.h"
#include "support/NumberedLanguage.h"
#include "support/TestAudio.h"
#include "ui/EventWait.h"
#include "ui/ModalResponder.h"
#include "ui/OpenDialog.h"
#include "ui/PreviewPlayer.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

using OpenAnswer = ui::OpenFileQuestion::Answer;
using testmedia::WavSpec;
using testmedia::WriteWav;

// Selects an entry of the dialog's file list with a click, as the user does.
void ClickInDialog(ui::COpenPreviewDialog* dialog, const std::string& path) {
    QAbstractItemView* view = nullptr;
    for (const char* name : {"listView", "treeView"})  // the list and the detail view
        if (auto* candidate = dialog->findChild<QAbstractItemView*>(name); candidate->isVisible())
            view = candidate;
    ASSERT_NE(view, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    const QModelIndex index = model->index(QString::fromStdString(path));
    ASSERT_TRUE(index.isValid()) << path;
    // The list fills in the background.
    QRect rect;
    ASSERT_TRUE(testenv::WaitUntil([&] {
        view->scrollTo(index);
        rect = view->visualRect(index);
        return rect.isValid() && !rect.isEmpty();
    })) << path;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_EQ(view->currentIndex(), index) << path;
}

// Clicks a check box on its tick box, at its left end.
void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
}

class OpenCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan", testenv::NumberedLanguage());
        g_bModified = 0;
        g_bAutoPlayPreview = 1;
        BeforeWindow();
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
    }
    void TearDown() override {
        m_dialog.reset();
        g_bModified = 0;
        g_bAutoPlayPreview = 1;
    }
    virtual void BeforeWindow() {}

    void Open() { QTest::mouseClick(m_dialog->GetDlgItem(402), Qt::LeftButton); }
    CPlaybackEngine& Engine() { return m_dialog->Engine(); }
    std::string Media(const std::string& name) const {
        return m_media.path().toStdString() + "/" + name;
    }
    std::string Tone(const std::string& name, double frequency, double seconds) {
        return WriteWav(Media(name), {.seconds = seconds, .frequency = frequency});
    }

    testenv::TempAppData m_appData;
    QTemporaryDir m_media;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
};

TEST_F(OpenCommandTest, UnsavedChangesAreAskedAboutAndNoLeavesEverythingAsItWas) {
    ui::ModalScript<ui::OpenFileQuestion> files;  // cancels
    g_bModified = 1;
    m_boxes.Queue(IDNO);
    Open();
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, "text 111");
    EXPECT_EQ(m_boxes.Asked()[0].caption, "Quorvel");
    EXPECT_EQ(m_boxes.Asked()[0].style, 0x134u);
    EXPECT_EQ(m_boxes.Asked()[0].owner, m_dialog.get());
    EXPECT_TRUE(files.Asked().empty());
    EXPECT_EQ(g_bModified, 1);

    m_boxes.Queue(IDYES);
    Open();
    ASSERT_EQ(files.Asked().size(), 1u);
    EXPECT_EQ(files.Asked()[0].owner, m_dialog.get());
    // Cancelled: nothing changes, and the preview player is gone again.
    EXPECT_EQ(g_bModified, 1);
    EXPECT_TRUE(Engine().m_arrOpenedFiles.empty());
    EXPECT_EQ(Engine().m_dwBassStream, 0u);
    EXPECT_EQ(g_pPreviewPlayer, nullptr);
}

TEST_F(OpenCommandTest, ChosenFilesAreRecordedAndLoadedWhetherOrNotTheyLoad) {
    ui::ModalScript<ui::OpenFileQuestion> files;
    const std::string song = Tone("song.wav", 440, 1);
    files.Queue(song);
    m_dialog->GetDlgItem(402)->setFocus();
    Open();
    EXPECT_TRUE(m_boxes.Asked().empty());  // nothing unsaved: no question
    EXPECT_EQ(Engine().m_arrOpenedFiles, std::vector<std::string>{song});
    EXPECT_EQ(Engine().m_arrOpenedIsTemp, std::vector<unsigned>{0});
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_NE(Engine().m_dwBassStream, 0u);
    EXPECT_EQ(g_bModified, 1);  // a freshly loaded song counts as changed
    EXPECT_EQ(m_dialog->focusWidget(), m_dialog->GetDlgItem(520));
    EXPECT_TRUE(m_dialog->LoopPage()->m_bIgnoreNextMove);

    // A file the player cannot read is still handed on; loading reports it and keeps the song.
    const std::string broken = Media("broken.mp3");
    testenv::WriteFile(broken, "not audio at all");
    files.Queue(broken);
    m_boxes.Queue(IDYES);
    Open();
    ASSERT_EQ(m_boxes.Asked().size(), 2u);
    EXPECT_EQ(m_boxes.Asked()[1].text, "text 40");
    EXPECT_EQ(Engine().m_arrOpenedFiles, (std::vector<std::string>{song, broken}));
    EXPECT_EQ(Engine().m_arrOpenedIsTemp, (std::vector<unsigned>{0, 0}));
    EXPECT_EQ(Engine().m_strSongPath, song);
    EXPECT_EQ(g_bModified, 0);  // cleared by the choice, not set again by the failed load
}

TEST_F(OpenCommandTest, DialogPreviewsEachSelectedFileAsTheAutoPlayBoxSays) {
    const std::string a = Tone("a.wav", 440, 10);
    const std::string b = Tone("b.wav", 660, 10);
    std::filesystem::create_directory(Media("folder"));
    audio::HSTREAM lastPreview = 0;
    ui::ScopedModalResponder<ui::OpenFileQuestion> user([&](const ui::OpenFileQuestion& q) {
        ui::COpenPreviewDialog* dialog = q.dialog;
        EXPECT_EQ(dialog->windowTitle(), "text 120");
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({"Audio Files (wav, mp4, m4a, mp3, mp2, mp1, aac, aif, wma, ogg, "
                               "cda) (*.wav *.mp4 *.m4a *.mp3 *.mp2 *.mp1 *.aac *.aif *.wma "
                               "*.ogg *.cda)",
                               "All files (*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), dialog->nameFilters().front());
        QCheckBox* box = dialog->AutoPlayBox();
        EXPECT_EQ(box->text(), "text 121");
        EXPECT_TRUE(box->isChecked());
        EXPECT_EQ(ui::GetDlgCtrlID(box), 772);
        EXPECT_EQ(box->window(), dialog);
        if (!g_pPreviewPlayer) {
            ADD_FAILURE() << "no preview player while the dialog runs";
            return OpenAnswer{};
        }
        CPreviewPlayer& preview = *g_pPreviewPlayer;

        dialog->setDirectory(m_media.path());
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_TRUE(testenv::WaitUntil([&] { return dialog->size() == QSize(570, 500); }));

        ClickInDialog(dialog, a);
        EXPECT_TRUE(preview.IsPlaying());
        EXPECT_EQ(preview.m_strPath, a);
        const audio::HSTREAM first = preview.m_hStream;
        ClickInDialog(dialog, Media("folder"));  // a folder leaves the preview alone
        EXPECT_TRUE(preview.IsPlaying());
        EXPECT_EQ(preview.m_hStream, first);
        ClickInDialog(dialog, b);
        EXPECT_EQ(preview.m_strPath, b);
        EXPECT_TRUE(preview.IsPlaying());
        audio::CHANNELINFO info{};
        EXPECT_FALSE(audio::ChannelGetInfo(first, &info));  // the first preview stream is gone

        ClickBox(box);  // unticked: the preview stops at once
        EXPECT_EQ(g_bAutoPlayPreview, 0);
        EXPECT_FALSE(preview.IsPlaying());
        ClickInDialog(dialog, a);
        EXPECT_FALSE(preview.IsPlaying());
        EXPECT_EQ(preview.m_strPath, b);
        ClickBox(box);  // ticked: nothing until the selection moves
        EXPECT_EQ(g_bAutoPlayPreview, 1);
        EXPECT_FALSE(preview.IsPlaying());
        ClickInDialog(dialog, b);
        EXPECT_TRUE(preview.IsPlaying());
        lastPreview = preview.m_hStream;
        dialog->hide();
        return OpenAnswer{b};
    });
    Open();
    EXPECT_EQ(g_pPreviewPlayer, nullptr);
    EXPECT_NE(lastPreview, 0u);
    audio::CHANNELINFO info{};
    EXPECT_FALSE(audio::ChannelGetInfo(lastPreview, &info));  // freed with the player
    EXPECT_EQ(Engine().m_strSongPath, b);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(OpenCommandTest, AutoPlayChoiceHoldsForTheNextRunAndUnplayableFilesAreSilent) {
    const std::string tone = Tone("tone.wav", 440, 5);
    const std::string disguised = WriteWav(Media("disguised.WMA"), {.seconds = 5});
    const std::string wma = Media("real.wma");
    const bool haveWma = testmedia::EncodeTone(wma, 3);
    int run = 0;
    ui::ScopedModalResponder<ui::OpenFileQuestion> user([&](const ui::OpenFileQuestion& q) {
        ++run;
        q.dialog->setDirectory(m_media.path());
        q.dialog->selectNameFilter("All files (*)");
        q.dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(q.dialog));
        CPreviewPlayer& preview = *g_pPreviewPlayer;
        if (run == 1) {
            // A WAV file named as WMA goes to the WMA reader, which will not have it.
            ClickInDialog(q.dialog, disguised);
            EXPECT_EQ(preview.m_hStream, 0u);
            EXPECT_FALSE(preview.IsPlaying());
            if (haveWma) {
                ClickInDialog(q.dialog, wma);
                EXPECT_TRUE(preview.IsPlaying());
            }
            ClickBox(q.dialog->AutoPlayBox());
        } else {
            EXPECT_FALSE(q.dialog->AutoPlayBox()->isChecked());
            ClickInDialog(q.dialog, tone);
            EXPECT_EQ(preview.m_hStream, 0u);
        }
        q.dialog->hide();
        return OpenAnswer{};
    });
    Open();
    Open();
    EXPECT_EQ(run, 2);
    EXPECT_EQ(g_bAutoPlayPreview, 0);
    EXPECT_TRUE(m_boxes.Asked().empty());  // silence, no message
}

// Output captured by SDL's disk driver: what would be heard.
class OpenCommandCaptureTest : public OpenCommandTest {
protected:
    void BeforeWindow() override {
        m_capture = std::make_unique<test_audio::DiskCapture>(Media("heard.raw"));
    }
    void TearDown() override {
        OpenCommandTest::TearDown();  // the window releases the device, which closes the file
        m_capture.reset();
    }
    std::uintmax_t Captured() const { return m_capture->Bytes(); }

    std::unique_ptr<test_audio::DiskCapture> m_capture;
};

constexpr int kBytesPerSecond = 44100 * 4;

// Strength of one frequency in the left channel of a stretch of 44.1 kHz stereo samples.
double Strength(const std::vector<std::int16_t>& samples, std::size_t firstFrame,
                std::size_t frames, double frequency) {
    return test_audio::Goertzel(samples.data() + 2 * firstFrame, frames, 2, frequency, 44100);
}

TEST_F(OpenCommandCaptureTest, PreviewIsHeardBesideThePlayingSongUntilTheDialogEnds) {
    const std::string song = Tone("song.wav", 600, 30);
    const std::string other = Tone("other.wav", 1300, 30);
    ui::ModalScript<ui::OpenFileQuestion> first;
    first.Queue(song);
    Open();
    ASSERT_NE(Engine().m_dwBassStream, 0u);
    const std::uintmax_t songFrom = Captured();
    Engine().OnPlay();
    ASSERT_TRUE(testenv::WaitUntil([&] { return Captured() >= songFrom + kBytesPerSecond / 2; }));

    std::uintmax_t previewFrom = 0;
    std::uintmax_t previewTo = 0;
    {
        ui::ScopedModalResponder<ui::OpenFileQuestion> user([&](const ui::OpenFileQuestion& q) {
            q.dialog->setDirectory(m_media.path());
            q.dialog->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(q.dialog));
            previewFrom = Captured();
            ClickInDialog(q.dialog, other);
            EXPECT_TRUE(g_pPreviewPlayer->IsPlaying());
            EXPECT_TRUE(
                testenv::WaitUntil([&] { return Captured() >= previewFrom + kBytesPerSecond; }));
            previewTo = Captured();
            EXPECT_TRUE(Engine().IsPlaying());
            q.dialog->hide();
            return OpenAnswer{};
        });
        Open();
    }
    EXPECT_EQ(g_pPreviewPlayer, nullptr);
    EXPECT_TRUE(Engine().IsPlaying());  // cancelling leaves the song playing
    m_dialog.reset();                   // releases the device: the capture is complete

    const std::vector<std::int16_t> heard = m_capture->Samples();
    ASSERT_GE(heard.size() * 2, previewTo);

    // Before the preview, past the output's lead: the song alone.
    const std::size_t songOnly = songFrom / 4 + 6615;
    EXPECT_GT(Strength(heard, songOnly, 4410, 600), 800);
    EXPECT_LT(Strength(heard, songOnly, 4410, 1300), 100);
    // Once the preview is heard (past the output's lead): both.
    const std::size_t both = (previewFrom + previewTo) / 8;
    EXPECT_GT(Strength(heard, both, 8820, 600), 800);
    EXPECT_GT(Strength(heard, both, 8820, 1300), 800);
}

}  // namespace
