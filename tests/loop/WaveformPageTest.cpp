// The loop editor page in the real main window: its picture and markers as they reach the
// screen, mouse editing and zoom, the zoom keys, and the Loop button that shows the page. Songs
// are WAV files written here, decoded for real.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "PictureCompare.h"
#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "engine/PlaybackState.h"
#include "engine/TestMedia.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "practice/QuorvelPracticePage.h"
#include "support/NumberedLanguage.h"
#include "ui/ControlId.h"
#include "ui/ModalResponder.h"
#include "ui/OpenDialog.h"
#include "ui/ShowMessage.h"
#include "ui/SkinResource.h"
#include "ui/TestEnvironment.h"

namespace {

constexpr int kRate = 44100;
const QColor kStart(150, 255, 150);
const QColor kEnd(255, 150, 150);
const QColor kPosition(255, 255, 255);

audio::QWORD Bytes(double seconds) {
    return static_cast<audio::QWORD>(std::llround(seconds * kRate)) * 4;
}

bool IsCursor(const QCursor& cursor, int id) {
    const QCursor expected = ui::LoadSkinCursor(id);
    return cursor.shape() == Qt::BitmapCursor && cursor.hotSpot() == expected.hotSpot() &&
           cursor.pixmap().toImage() == expected.pixmap().toImage();
}

class WaveformPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan", testenv::NumberedLanguage());
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_dialog->show();
        m_page = m_dialog->LoopPage();
        ASSERT_NE(m_page, nullptr);
    }
    void TearDown() override {
        m_dialog.reset();
        g_bModified = 0;
    }

    // Writes a song whose samples come from `sample(frame, channel)` (silence by default).
    std::string Write(const std::string& name, double seconds,
                      const std::function<std::int16_t(std::size_t, int)>& sample = {},
                      int rate = kRate, int channels = 2) {
        const auto frames = static_cast<std::size_t>(seconds * rate);
        std::vector<std::int16_t> samples(frames * channels);
        if (sample)
            for (std::size_t i = 0; i < frames; ++i)
                for (int c = 0; c < channels; ++c) samples[i * channels + c] = sample(i, c);
        return testmedia::WriteWavSamples(m_media.path().toStdString() + "/" + name, rate, channels,
                                          samples);
    }
    // Loads the song at `path` as the Open command does; its picture may still be filling in.
    void LoadPath(const std::string& path) {
        m_dialog->Engine().LoadSong(path);
        ASSERT_NE(Stream(), 0u);
        ASSERT_TRUE(m_boxes.Asked().empty());
        g_bModified = 0;
    }
    // Loads a stereo song (see Write) and waits until its picture is complete.
    void Load(double seconds, const std::function<std::int16_t(std::size_t, int)>& sample = {}) {
        LoadPath(Write("song.wav", seconds, sample));
        WaitForPicture();
    }
    // Lets the event loop run until the picture shows all of the song's peaks; `seen` gets the
    // picture as each turn of the loop left it.
    void WaitForPicture(std::vector<QImage>* seen = nullptr) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (!m_page->IsWaveformComplete() && std::chrono::steady_clock::now() < deadline) {
            QTest::qWait(10);
            if (seen) seen->push_back(m_page->Waveform().Image());
        }
        ASSERT_TRUE(m_page->IsWaveformComplete());
    }
    // Loud on the left channel from `from` seconds on, silent before.
    static std::function<std::int16_t(std::size_t, int)> LoudLeftFrom(double from) {
        return [from](std::size_t frame, int c) -> std::int16_t {
            return c == 0 && double(frame) >= from * kRate ? 30000 : 0;
        };
    }
    audio::HSTREAM Stream() { return m_dialog->Engine().m_dwBassStream; }

    void Click(QWidget* window, int id) {
        auto* button = qobject_cast<QAbstractButton*>(ui::FindChildById(window, id));
        ASSERT_NE(button, nullptr);
        button->click();
    }
    void ShowPage() {
        Click(m_dialog.get(), 518);
        ASSERT_TRUE(m_page->isVisible());
    }

    // A mouse event on the page, delivered as the window system would (through the pre-filter).
    void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, int x,
               Qt::KeyboardModifiers modifiers = {}) {
        const QPointF pos(x, 100);
        QMouseEvent event(type, pos, m_page->mapToGlobal(pos), button, held, modifiers);
        QApplication::sendEvent(m_page, &event);
    }
    void Press(Qt::MouseButton button, int x, Qt::KeyboardModifiers modifiers = {}) {
        Mouse(QEvent::MouseButtonPress, button, button, x, modifiers);
    }
    void Release(Qt::MouseButton button, int x) {
        Mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, x);
    }
    void Move(Qt::MouseButtons held, int x) { Mouse(QEvent::MouseMove, Qt::NoButton, held, x); }
    void Key(Qt::Key key) { QTest::keyClick(m_dialog->GetDlgItem(440), key); }

    audio::QWORD Start() { return g_loopRegion.qwStartPoint.load(); }
    audio::QWORD End() { return g_loopRegion.qwEndPoint; }
    audio::QWORD Column(int x) { return audio::QWORD(x - 20) * m_page->m_dwBytesPerColumn; }

    // Left bar height of one picture column as the screen shows it.
    static int LeftBarOnScreen(const QImage& shot, int x) {
        int n = 0;
        while (n < 75 && shot.pixelColor(x, 20 + 74 - n) != QColor(Qt::black)) ++n;
        return n;
    }
    static int CountColour(const QImage& shot, QRect area, const QColor& colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += shot.pixelColor(x, y) == colour;
        return n;
    }

    testenv::TempAppData m_appData;
    QTemporaryDir m_media;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
    CQuorvelLoopPropertyPage* m_page = nullptr;
};

TEST_F(WaveformPageTest, LoopButtonShowsThePageBelowTheControlsAndGrowsTheWindow) {
    EXPECT_EQ(m_dialog->size(), QSize(544, 416));
    const QRect outline = m_dialog->mask().boundingRect();
    Click(m_dialog.get(), 518);
    EXPECT_EQ(m_dialog->size(), QSize(544, 610));
    EXPECT_TRUE(m_page->isVisible());
    EXPECT_EQ(m_page->geometry(), QRect(10, 380, 516, 190));
    EXPECT_EQ(m_page->m_nWaveWidth, 446);  // fixed at creation
    EXPECT_EQ(m_dialog->mask().boundingRect().height(), outline.height() + 194);

    Click(m_dialog.get(), 518);
    EXPECT_EQ(m_dialog->size(), QSize(544, 416));
    EXPECT_FALSE(m_page->isVisible());
    EXPECT_EQ(m_dialog->mask().boundingRect(), outline);
}

TEST_F(WaveformPageTest, WithTheEqualiserPageShownTheLoopPageGoesAboveIt) {
    QWidget* eq = m_dialog->EqPage();
    ASSERT_NE(eq, nullptr);
    EXPECT_TRUE(eq->isHidden());
    Click(m_dialog.get(), 519);
    EXPECT_EQ(m_dialog->size(), QSize(544, 610));
    EXPECT_EQ(eq->geometry(), QRect(10, 380, 516, 190));
    EXPECT_TRUE(eq->isVisible());

    Click(m_dialog.get(), 518);
    EXPECT_EQ(m_dialog->size(), QSize(544, 804));
    EXPECT_EQ(m_page->geometry(), QRect(10, 380, 516, 190));
    EXPECT_EQ(eq->geometry(), QRect(10, 570, 516, 190));
    EXPECT_TRUE(m_page->isVisible());
    EXPECT_TRUE(eq->isVisible());
    const QRect tall = m_dialog->mask().boundingRect();

    Click(m_dialog.get(), 518);
    EXPECT_EQ(m_dialog->size(), QSize(544, 610));
    EXPECT_FALSE(m_page->isVisible());
    EXPECT_EQ(eq->geometry(), QRect(10, 380, 516, 190));
    EXPECT_TRUE(eq->isVisible());
    EXPECT_EQ(m_dialog->mask().boundingRect().height(), tall.height() - 194);

    Click(m_dialog.get(), 519);
    EXPECT_EQ(m_dialog->size(), QSize(544, 416));
    EXPECT_FALSE(eq->isVisible());
}

TEST_F(WaveformPageTest, ShowsTheSongsPictureInsideTheArea) {
    ShowPage();
    // Full scale on the right channel only.
    Load(10, [](std::size_t frame, int c) -> std::int16_t {
        return c == 1 ? ((frame / 50) % 2 ? 32767 : -32768) : 0;
    });
    const QImage shot = m_page->grab().toImage();
    const QRgb red = m_page->Waveform().Image().color(74);
    EXPECT_EQ(shot.pixel(30, 20 + 149), red);                    // the bottom row
    EXPECT_EQ(shot.pixel(30, 20 + 76), qRgb(3, 252, 0));         // just below the centre
    EXPECT_EQ(shot.pixelColor(30, 20 + 75), QColor(Qt::black));  // the centre row
    EXPECT_EQ(shot.pixelColor(30, 20 + 74), QColor(Qt::black));  // the silent left channel
    EXPECT_NE(shot.pixel(30, 20 + 150), red);                    // below the area: the page
}

TEST_F(WaveformPageTest, MarkersStandAtTheirPositionsWithTheirColoursAndLabels) {
    ShowPage();
    Load(10);  // silence: a black picture
    m_page->SetLoopStart(m_page->ColumnToPosition(100), false);
    m_page->SetLoopEnd(m_page->ColumnToPosition(400), false);
    // The stream takes whole frames only: the next one up stays in the same column.
    ASSERT_TRUE(audio::ChannelSetPosition(Stream(), (m_page->ColumnToPosition(250) + 3) / 4 * 4));
    const QImage shot = m_page->grab().toImage();
    const struct {
        int x;
        QColor colour;
        int labelTop;
        bool labelRight;
    } markers[] = {{100, kStart, 34, true}, {400, kEnd, 48, false}, {250, kPosition, 20, false}};
    for (const auto& marker : markers) {
        SCOPED_TRACE(marker.x);
        EXPECT_EQ(shot.pixelColor(marker.x, 20), marker.colour);
        EXPECT_EQ(shot.pixelColor(marker.x, 169), marker.colour);
        EXPECT_NE(shot.pixelColor(marker.x, 170), marker.colour);
        EXPECT_EQ(shot.pixelColor(marker.x - 1, 120), QColor(Qt::black));
        EXPECT_EQ(shot.pixelColor(marker.x + 1, 120), QColor(Qt::black));
        // The label: a line of text in the colour on one side of the line, nothing on the other.
        const QRect right(marker.x + 1, marker.labelTop, 60, 13);
        const QRect left(marker.x - 61, marker.labelTop, 60, 13);
        EXPECT_GT(CountColour(shot, marker.labelRight ? right : left, marker.colour), 20);
        EXPECT_EQ(CountColour(shot, marker.labelRight ? left : right, marker.colour), 0);
        // The label starts at its offset.
        EXPECT_EQ(
            CountColour(shot, QRect(marker.x - 61, marker.labelTop - 1, 60, 1), marker.colour), 0);
        EXPECT_EQ(CountColour(shot, QRect(marker.x + 1, marker.labelTop - 1, 60, 1), marker.colour),
                  0);
    }
}

TEST_F(WaveformPageTest, MarkersOutsideTheViewAreNotDrawnAndNoneWithoutAStream) {
    ShowPage();
    Load(10);
    // At the view start: x = 20. At the right edge (x = 466): not drawn.
    m_page->SetLoopStart(0, false);
    m_page->SetLoopEnd(audio::QWORD(446) * m_page->m_dwBytesPerColumn, false);
    ASSERT_TRUE(audio::ChannelSetPosition(Stream(), Bytes(9.99)));
    QImage shot = m_page->grab().toImage();
    EXPECT_EQ(shot.pixelColor(20, 100), kStart);
    EXPECT_EQ(CountColour(shot, shot.rect(), kEnd), 0);
    EXPECT_EQ(shot.pixelColor(m_page->PositionToX(Bytes(9.99)), 100), kPosition);

    // All three at one place: the playing position is drawn last.
    m_page->SetLoopEnd(m_page->ColumnToPosition(300), false);
    m_page->SetLoopStart(m_page->ColumnToPosition(300), false);
    ASSERT_TRUE(audio::ChannelSetPosition(Stream(), m_page->ColumnToPosition(300)));
    shot = m_page->grab().toImage();
    EXPECT_EQ(shot.pixelColor(300, 100), kPosition);

    m_page->ClearStream();
    shot = m_page->grab().toImage();
    for (const QColor& colour : {kStart, kEnd, kPosition})
        EXPECT_EQ(CountColour(shot, QRect(20, 20, 446, 150), colour), 0);
}

TEST_F(WaveformPageTest, LeftButtonSetsTheStartAndRightButtonTheEndDraggingThem) {
    ShowPage();
    // Without a song there is no region to edit, and nothing to count as unsaved.
    Press(Qt::LeftButton, 120);
    Press(Qt::RightButton, 300);
    EXPECT_EQ(Start(), 0u);
    EXPECT_EQ(End(), 0u);
    EXPECT_EQ(g_bModified, 0);
    Load(10);
    const QPoint windowPlace = m_dialog->pos();
    Press(Qt::LeftButton, 120);
    EXPECT_EQ(Start(), Column(120));
    EXPECT_EQ(g_bModified, 1);
    g_bModified = 0;
    Release(Qt::LeftButton, 120);
    Press(Qt::RightButton, 300);
    EXPECT_EQ(End(), Column(300));
    EXPECT_EQ(g_bModified, 1);
    Release(Qt::RightButton, 300);

    // Beside the area: its nearest column.
    Press(Qt::LeftButton, 3);
    EXPECT_EQ(Start(), 0u);
    Press(Qt::RightButton, 700);
    EXPECT_EQ(End(), Column(465));

    // A drag moves the held button's marker; with both held, both markers.
    Press(Qt::LeftButton, 50);
    Move(Qt::LeftButton, 200);
    EXPECT_EQ(Start(), Column(200));
    EXPECT_EQ(End(), Column(465));
    Move(Qt::LeftButton | Qt::RightButton, 250);
    EXPECT_EQ(Start(), Column(250));
    EXPECT_EQ(End(), Column(250));
    Release(Qt::LeftButton, 250);
    Move(Qt::NoButton, 400);
    EXPECT_EQ(Start(), Column(250));
    EXPECT_EQ(End(), Column(250));
    // The presses belonged to the page: the window did not move.
    EXPECT_EQ(m_dialog->pos(), windowPlace);
}

TEST_F(WaveformPageTest, OnAShortSongAClickPastItsEndGivesAPositionPastTheLength) {
    ShowPage();
    Load(2);
    EXPECT_EQ(m_page->m_dwBytesPerColumn, Bytes(0.02));
    Press(Qt::LeftButton, 400);
    EXPECT_EQ(Start(), audio::QWORD(380) * Bytes(0.02));
    EXPECT_GT(Start(), audio::ChannelGetLength(Stream()));
}

TEST_F(WaveformPageTest, TheMoveAfterTheOpenDialogIsIgnored) {
    ShowPage();
    Load(10);
    // The next song, chosen in the open dialog with a double click.
    const std::string next = m_media.path().toStdString() + "/next.wav";
    testmedia::WriteWav(next, {.seconds = 10});
    ui::ModalScript<ui::OpenFileQuestion> files;
    files.Queue(next);
    Click(m_dialog.get(), 402);
    ASSERT_EQ(files.Asked().size(), 1u);
    ASSERT_EQ(m_dialog->Engine().m_strSongPath, next);
    g_bModified = 0;

    // The move that follows, with the button still down, leaves the start alone once.
    Move(Qt::LeftButton, 300);
    EXPECT_EQ(Start(), 0u);
    EXPECT_EQ(g_bModified, 0);
    Move(Qt::LeftButton, 300);
    EXPECT_EQ(Start(), Column(300));
}

TEST_F(WaveformPageTest, ZoomModeClicksZoomWithTheirPointersAndNeverChangeTheRegion) {
    ShowPage();
    Load(10);
    m_page->SetLoopStart(1000, false);
    m_page->SetLoopEnd(2000, false);
    Click(m_page, 603);
    ASSERT_TRUE(m_page->m_bZoomMode);
    EXPECT_TRUE(IsCursor(m_dialog->cursor(), 106));

    Press(Qt::LeftButton, 244);
    EXPECT_EQ(m_page->m_nZoom, 2);
    EXPECT_TRUE(IsCursor(m_dialog->cursor(), 107));
    Move(Qt::LeftButton, 100);
    Release(Qt::LeftButton, 100);
    EXPECT_TRUE(IsCursor(m_dialog->cursor(), 106));
    Press(Qt::RightButton, 244);
    EXPECT_EQ(m_page->m_nZoom, 1);
    EXPECT_TRUE(IsCursor(m_dialog->cursor(), 108));
    Release(Qt::RightButton, 244);
    // The first column and anything beside the area do not zoom.
    for (int x : {5, 20, 466, 500}) {
        Press(Qt::LeftButton, x);
        Release(Qt::LeftButton, x);
    }
    EXPECT_EQ(m_page->m_nZoom, 1);
    EXPECT_EQ(Start(), 1000u);
    EXPECT_EQ(End(), 2000u);
    EXPECT_EQ(g_bModified, 0);

    Click(m_page, 603);
    EXPECT_FALSE(m_page->m_bZoomMode);
    EXPECT_EQ(m_dialog->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(WaveformPageTest, ZoomingInAtTheRightEdgeShowsTheEndOfTheSongAndStopsAt32) {
    ShowPage();
    Load(20, LoudLeftFrom(10));
    QImage shot = m_page->grab().toImage();
    EXPECT_EQ(LeftBarOnScreen(shot, 20 + 100), 0);
    EXPECT_EQ(LeftBarOnScreen(shot, 20 + 300), 68);

    Click(m_page, 603);
    Press(Qt::LeftButton, 465);
    Release(Qt::LeftButton, 465);
    EXPECT_EQ(m_page->m_nZoom, 2);
    EXPECT_FLOAT_EQ(m_page->m_fViewStart, 10);  // the second half, ending at the song's end
    shot = m_page->grab().toImage();
    for (int x = 20; x < 465; ++x) ASSERT_EQ(LeftBarOnScreen(shot, x), 68) << x;

    for (int i = 0; i < 4; ++i) m_page->ZoomIn(465);
    EXPECT_EQ(m_page->m_nZoom, 32);
    EXPECT_FLOAT_EQ(m_page->m_fViewStart, 20 - 20.0f / 32);
    m_page->ZoomIn(100);
    EXPECT_EQ(m_page->m_nZoom, 32);
    EXPECT_FLOAT_EQ(m_page->m_fViewStart, 20 - 20.0f / 32);
    for (int i = 0; i < 5; ++i) m_page->ZoomOut(21);
    EXPECT_EQ(m_page->m_nZoom, 1);
    EXPECT_EQ(m_page->m_fViewStart, 0);
    m_page->ZoomOut(21);
    EXPECT_EQ(m_page->m_nZoom, 1);
}

TEST_F(WaveformPageTest, ShiftClickInZoomModePansTheViewWithinTheSong) {
    ShowPage();
    Load(20, LoudLeftFrom(10));
    m_page->SetLoopStart(1000, false);
    Click(m_page, 603);
    m_page->m_nZoom = 4;
    m_page->m_fViewStart = 5;
    Key(Qt::Key_Up);  // recomputed once at zoom 8 around the playing position (0)
    ASSERT_EQ(m_page->m_nZoom, 8);
    ASSERT_EQ(m_page->m_fViewStart, 0);
    m_page->m_nZoom = 4;
    m_page->m_fViewStart = 5;

    // 50 columns from the left edge: 173 columns of zoom 4 left of the centre.
    const audio::DWORD perColumn = m_page->m_dwBytesPerColumn;
    Press(Qt::LeftButton, 70, Qt::ShiftModifier);
    const double moved = double(std::int64_t(173) * perColumn / 4) / (kRate * 4);
    EXPECT_NEAR(m_page->m_fViewStart, 5 - moved, 1e-4);
    EXPECT_EQ(m_page->m_nZoom, 4);
    // A click right of the area moves the view to 10 s .. 15 s: the loud half from its start.
    const int x = 20 + 223 + int(std::lround((10 - m_page->m_fViewStart) * 446 / 5));
    Press(Qt::LeftButton, x, Qt::ShiftModifier);
    EXPECT_NEAR(m_page->m_fViewStart, 10, 0.02);
    // At zoom 4 one reading spans two columns: every other column is drawn, all of them loud.
    const QImage shot = m_page->grab().toImage();
    int drawn = 0;
    for (int column = 20; column < 466; ++column) {
        const int bar = LeftBarOnScreen(shot, column);
        EXPECT_TRUE(bar == 0 || bar == 68) << column;
        drawn += bar == 68;
    }
    EXPECT_GT(drawn, 200);
    // Never before the start, never past the end; the right button does not pan.
    for (int i = 0; i < 5; ++i) Press(Qt::LeftButton, 0, Qt::ShiftModifier);
    EXPECT_EQ(m_page->m_fViewStart, 0);
    for (int i = 0; i < 5; ++i) Press(Qt::LeftButton, 600, Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(m_page->m_fViewStart, 15);
    Press(Qt::RightButton, 0, Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(m_page->m_fViewStart, 15);
    EXPECT_EQ(m_page->m_nZoom, 4);
    EXPECT_EQ(Start(), 1000u);
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(WaveformPageTest, UpAndDownZoomAroundThePlayingPositionAndZShowsTheWholeSong) {
    ShowPage();
    Key(Qt::Key_Up);  // no song: nothing
    EXPECT_EQ(m_page->m_nZoom, 1);
    Load(10);
    m_page->SetLoopStart(1000, false);
    m_page->SetLoopEnd(2000, false);
    ASSERT_TRUE(audio::ChannelSetPosition(Stream(), Bytes(8)));
    Key(Qt::Key_Up);
    EXPECT_EQ(m_page->m_nZoom, 2);
    EXPECT_FLOAT_EQ(m_page->m_fViewStart, 5);  // centred on 8 s, then kept inside the song
    Key(Qt::Key_Up);
    EXPECT_EQ(m_page->m_nZoom, 4);
    EXPECT_NEAR(m_page->m_fViewStart, 8 - 1.25, 0.03);  // within two columns of 11 ms
    Key(Qt::Key_Down);
    EXPECT_EQ(m_page->m_nZoom, 2);
    Key(Qt::Key_Z);
    EXPECT_EQ(m_page->m_nZoom, 1);
    EXPECT_EQ(m_page->m_fViewStart, 0);

    // A playing position out of view still zooms, centred on it.
    m_page->m_nZoom = 4;
    m_page->SetSong(false, Stream(), m_page->SongPath(), false);
    Key(Qt::Key_Up);
    EXPECT_EQ(m_page->m_nZoom, 8);
    EXPECT_NEAR(m_page->m_fViewStart, 8 - 0.625, 0.03);
    EXPECT_EQ(Start(), 1000u);
    EXPECT_EQ(End(), 2000u);
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(WaveformPageTest, ShiftShowsTheCrosshairWhileHeldInZoomMode) {
    ShowPage();
    Load(2);
    QWidget* target = m_dialog->GetDlgItem(440);
    QTest::keyPress(target, Qt::Key_Shift);
    EXPECT_EQ(m_dialog->cursor().shape(), Qt::ArrowCursor);
    QTest::keyRelease(target, Qt::Key_Shift);
    EXPECT_EQ(m_dialog->cursor().shape(), Qt::ArrowCursor);

    Click(m_page, 603);
    QTest::keyPress(target, Qt::Key_Shift);
    EXPECT_TRUE(IsCursor(m_dialog->cursor(), 104));
    QTest::keyRelease(target, Qt::Key_Shift);
    EXPECT_TRUE(IsCursor(m_dialog->cursor(), 106));
}

// Loudness growing from quiet to loud over the song, on a square wave of 100 frames.
std::function<std::int16_t(std::size_t, int)> Growing(double seconds, int rate) {
    return [seconds, rate](std::size_t frame, int) -> std::int16_t {
        const int amplitude = 2000 + static_cast<int>(30000 * (double(frame) / rate) / seconds);
        return static_cast<std::int16_t>((frame / 50) % 2 ? amplitude : -amplitude);
    };
}

// Two tones swelling and fading slowly, differently on each side.
std::int16_t Swelling(std::size_t frame, int c) {
    const double t = double(frame) / kRate;
    const double envelope =
        c == 0 ? 0.5 + 0.45 * std::sin(2 * M_PI * t / 7) : 0.5 + 0.45 * std::cos(2 * M_PI * t / 5);
    return static_cast<std::int16_t>(
        std::lround(32000 * envelope * std::sin(2 * M_PI * (c == 0 ? 220 : 330) * t)));
}

TEST_F(WaveformPageTest, ALongSongLoadsAtOnceAndItsPictureFillsInToTheDecodedOne) {
    ShowPage();
    const std::string path = Write("long.wav", 600, Growing(600, 22050), 22050, 1);
    LoadPath(path);
    // Loaded and playable while the peaks are still being read.
    EXPECT_FALSE(m_page->IsWaveformComplete());
    EXPECT_FALSE(m_page->Peaks().IsFinal());
    EXPECT_EQ(m_page->m_dwBytesPerColumn, audio::DWORD(600 * 22050 * 2 / 446));

    std::vector<QImage> seen;
    WaitForPicture(&seen);
    const QImage done = m_page->Waveform().Image();
    const CWaveformImage decoded = picture::Decoded(
        path, m_page->m_nWaveWidth, m_page->m_nWaveHeight, 0, m_page->m_dwBytesPerColumn);
    EXPECT_TRUE(done == decoded.Image());
    EXPECT_EQ(picture::LeftBar(done, 445), 73);  // loud at the end: 75 * 31999 >> 15
    // Each picture on the way shows the song's start as the end shows it, and nothing after.
    int before = -1;
    for (const QImage& image : seen) {
        int last = -1;
        for (int column = 0; column < image.width(); ++column)
            if (picture::Drawn(image, column)) last = column;
        EXPECT_GE(last, before);
        before = std::max(before, last);
        for (int column = 0; column < last; ++column) {
            ASSERT_EQ(picture::LeftBar(image, column), picture::LeftBar(done, column)) << column;
            ASSERT_EQ(picture::RightBar(image, column), picture::RightBar(done, column)) << column;
        }
    }
    // The screen shows the finished picture.
    const QImage shot = m_page->grab().toImage();
    EXPECT_EQ(LeftBarOnScreen(shot, 20 + 445), 73);
}

TEST_F(WaveformPageTest, ANewSongOrClosingWhileThePictureIsReadStopsTheReading) {
    ShowPage();
    const std::string first = Write("first.wav", 600, Growing(600, 22050), 22050, 1);
    const std::string second = Write("second.wav", 20, LoudLeftFrom(10));
    LoadPath(first);
    ASSERT_FALSE(m_page->Peaks().IsFinal());
    LoadPath(second);
    // The first song's reader and stream are both gone.
    EXPECT_EQ(picture::OpenCount(first), 0);
    EXPECT_EQ(m_page->Peaks().Path(), second);
    WaitForPicture();
    const CWaveformImage decoded = picture::Decoded(
        second, m_page->m_nWaveWidth, m_page->m_nWaveHeight, 0, m_page->m_dwBytesPerColumn);
    EXPECT_TRUE(m_page->Waveform().Image() == decoded.Image());
    EXPECT_EQ(picture::LeftBar(m_page->Waveform().Image(), 100), 0);
    EXPECT_EQ(picture::LeftBar(m_page->Waveform().Image(), 300), 68);

    // The window goes while the long song is read: the reader stops before the layer is freed.
    LoadPath(first);
    ASSERT_FALSE(m_page->Peaks().IsFinal());
    m_dialog.reset();
    EXPECT_EQ(picture::OpenCount(first), 0);
}

TEST_F(WaveformPageTest, ZoomAndPanRedrawFromThePeaksWithoutReadingTheSongAgain) {
    ShowPage();
    const std::string path = Write("swelling.wav", 60, Swelling);
    LoadPath(path);
    WaitForPicture();
    // The song's beat is read from a decoder of its own, closed once it is found.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dialog->PracticePage()->IsFindingBeat(); }, 30000));
    const PeakStep* peaks = m_page->Peaks().Steps().data();
    const int openFiles = picture::OpenCount(path);  // the playback stream's
    const auto expectDecodedView = [&] {
        SCOPED_TRACE(testing::Message()
                     << "zoom " << m_page->m_nZoom << " at " << m_page->m_fViewStart << " s");
        // Drawn at once, from the same peaks, with no decoder of its own.
        EXPECT_TRUE(m_page->IsWaveformComplete());
        EXPECT_EQ(m_page->Peaks().Steps().data(), peaks);
        EXPECT_EQ(picture::OpenCount(path), openFiles);
        const CWaveformImage decoded =
            picture::Decoded(path, m_page->m_nWaveWidth, m_page->m_nWaveHeight,
                             audio::ChannelSeconds2Bytes(Stream(), m_page->m_fViewStart),
                             m_page->m_dwBytesPerColumn / m_page->m_nZoom);
        EXPECT_TRUE(picture::AlikeWithinOneBar(m_page->Waveform().Image(), decoded.Image(),
                                               audio::ChannelSeconds2Bytes(Stream(), 0.02),
                                               m_page->m_dwBytesPerColumn / m_page->m_nZoom));
    };
    Click(m_page, 603);
    for (int i = 0; i < 5; ++i) {
        Press(Qt::LeftButton, 150 + 40 * i);
        Release(Qt::LeftButton, 150 + 40 * i);
        expectDecodedView();
    }
    ASSERT_EQ(m_page->m_nZoom, 32);
    Press(Qt::LeftButton, 60, Qt::ShiftModifier);
    expectDecodedView();
    for (int i = 0; i < 5; ++i) {
        Press(Qt::RightButton, 300);
        Release(Qt::RightButton, 300);
        expectDecodedView();
    }
    ASSERT_EQ(m_page->m_nZoom, 1);
    EXPECT_TRUE(m_page->Waveform().Image() == picture::Decoded(path, m_page->m_nWaveWidth,
                                                               m_page->m_nWaveHeight, 0,
                                                               m_page->m_dwBytesPerColumn)
                                                  .Image());
}

}  // namespace
