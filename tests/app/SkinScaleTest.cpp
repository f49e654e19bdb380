// The skin on screens of every scale: the window is drawn in the screen's own pixels from the
// pictures made for that scale, its layout stays in device-independent pixels, its edges stay
// as sharp as at 1x, and the loop editor's picture has the screen's resolution. ctest runs these
// at QT_SCALE_FACTOR 1, 1.5 and 2.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/QuorvelMainDlg.h"
#include "engine/TestMedia.h"
#include "lang/DataFolder.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "loop/WaveformView.h"
#include "support/NumberedLanguage.h"
#include "ui/BitmapButton.h"
#include "ui/ControlId.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/SkinResource.h"
#include "ui/TestEnvironment.h"

namespace {

int ToPixels(int logical, qreal scale) {
    return static_cast<int>(std::lround(logical * scale));
}

// The pixels of a picture of `size` device-independent pixels at `scale`.
QSize PixelSize(QSize size, qreal scale) {
    return {static_cast<int>(std::ceil(size.width() * scale)),
            static_cast<int>(std::ceil(size.height() * scale))};
}

// Pixels of `picture` that differ from the shot where the picture was drawn at `logical` (its
// top-left corner in device-independent pixels), leaving out a margin where neighbours may
// overlap it. The screen may round a half-pixel place either way: the best of the neighbouring
// places counts.
int Mismatches(const QImage& shot, QPoint logical, const QImage& picture, qreal scale) {
    const QImage wanted = picture.convertToFormat(QImage::Format_RGB32);
    const int margin = ToPixels(3, scale);
    int best = wanted.width() * wanted.height();
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint at(ToPixels(logical.x(), scale) + dx, ToPixels(logical.y(), scale) + dy);
            int wrong = 0;
            for (int y = margin; y < wanted.height() - margin; ++y)
                for (int x = margin; x < wanted.width() - margin; ++x) {
                    const QPoint p = at + QPoint(x, y);
                    if (!shot.rect().contains(p) || shot.pixel(p) != wanted.pixel(x, y)) ++wrong;
                }
            best = std::min(best, wrong);
        }
    return best;
}

// The colours along a row of pixels other than its two ends' colours: the steps by which its
// edges change from one colour to the other. A picture drawn at the screen's resolution steps
// through as few colours at every scale; one stretched from 1x smears each edge over more.
int EdgeSteps(const QImage& image, int y, int x0, int x1) {
    QSet<QRgb> colours;
    for (int x = x0; x <= x1; ++x) colours.insert(image.pixel(x, y) & 0xFFFFFFu);
    colours.remove(image.pixel(x0, y) & 0xFFFFFFu);
    colours.remove(image.pixel(x1, y) & 0xFFFFFFu);
    return static_cast<int>(colours.size());
}

class SkinScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan", testenv::NumberedLanguage());
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }

    QImage Shot(QWidget* widget) {
        return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    testenv::TempAppData m_appData;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
};

TEST(SkinScale, EveryScreenGetsThePicturesOfTheScaleAtOrAboveItsRatio) {
    const struct {
        qreal ratio;
        qreal scale;
    } kCases[] = {{1, 1}, {1.25, 1.5}, {1.5, 1.5}, {1.75, 2}, {2, 2}, {3, 2}};
    const ui::CSkinBitmap brand(110);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.ratio);
        EXPECT_EQ(ui::SkinScaleFor(c.ratio), c.scale);
        // The same device-independent size, in as many pixels as the scale gives it.
        const QPixmap& picture = brand.ForRatio(c.ratio);
        EXPECT_EQ(brand.Size(), QSize(223, 102));
        EXPECT_EQ(picture.devicePixelRatio(), c.scale);
        EXPECT_EQ(picture.size(), PixelSize({223, 102}, c.scale));
        // Pointers likewise, their hot spot on the same place of the shape.
        const QCursor cross = ui::LoadSkinCursor(104, c.ratio);
        EXPECT_EQ(cross.pixmap().size(), QSize(32, 32) * c.scale);
        EXPECT_EQ(cross.pixmap().devicePixelRatio(), c.scale);
        EXPECT_EQ(cross.hotSpot(), QPoint(15, 15));
    }
}

TEST_F(SkinScaleTest, TheWindowShowsThePicturesOfItsScalePixelForPixelAndKeepsItsLayout) {
    const qreal scale = m_dialog->devicePixelRatio();
    const QImage shot = Shot(m_dialog.get());
    EXPECT_EQ(m_dialog->size(), QSize(544, 416));
    EXPECT_EQ(shot.size(), QSize(ToPixels(544, scale), ToPixels(416, scale)));

    // The face's pictures where the window draws them, compared where nothing covers them: the
    // rounded outline cuts the corners, the display carries texts, the top strip two buttons.
    const struct {
        int id;
        QPoint at;     // where the window draws the picture
        QRect shown;   // the part compared, in the picture's device-independent pixels
    } kFace[] = {{110, {5, 40}, {0, 0, 223, 102}},
                 {111, {0, 0}, {40, 0, 400, 36}},
                 {113, {0, 36}, {0, 40, 6, 260}},
                 {113, {530, 36}, {0, 40, 6, 260}}};
    for (const auto& face : kFace) {
        SCOPED_TRACE(face.id);
        const QImage picture = ui::CSkinBitmap(face.id).ForRatio(scale).toImage();
        const QRect part(ToPixels(face.shown.x(), scale), ToPixels(face.shown.y(), scale),
                         ToPixels(face.shown.width(), scale), ToPixels(face.shown.height(), scale));
        EXPECT_EQ(Mismatches(shot, face.at + face.shown.topLeft(), picture.copy(part), scale), 0);
    }

    // Every button shows its own state's picture at this scale, at its place of 1x.
    int buttons = 0;
    for (auto* button : m_dialog->findChildren<ui::CBitmapButton*>()) {
        if (!button->isVisible() || !button->HasBitmaps()) continue;
        const std::string name = ui::FromQtText(button->text()) + button->StateLetter();
        SCOPED_TRACE(name);
        const ui::CSkinBitmap picture(name);
        ASSERT_FALSE(picture.IsNull());
        EXPECT_EQ(button->size(), picture.Size());
        const QPoint at = button->mapTo(m_dialog.get(), QPoint(0, 0));
        EXPECT_EQ(Mismatches(shot, at, picture.ForRatio(scale).toImage(), scale), 0);
        ++buttons;
    }
    EXPECT_GE(buttons, 12);
}

TEST_F(SkinScaleTest, EdgesAreAsSharpAsAt1xAndAStretchedPictureIsNot) {
    const qreal scale = m_dialog->devicePixelRatio();
    const QImage shot = Shot(m_dialog.get());
    // Rows across the emblem and the wordmark of the brand panel (drawn at 5, 40), each as the
    // 1x picture has it and as this screen shows it.
    const struct {
        int y, x0, x1;  // in the picture, device-independent
    } kRows[] = {{51, 10, 215}, {30, 20, 90}, {70, 10, 90}};
    const QPoint at(5, 40);
    const QImage brand1x = ui::LoadSkinBitmap(110).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage stretched =
        brand1x.scaled(brand1x.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Where an edge falls within a pixel moves its steps by one either way from row to row, so
    // the rows count together; a stretched picture has three to four times the steps of 1x.
    int at1x = 0, shown = 0, blurred = 0;
    for (const auto& row : kRows) {
        at1x += EdgeSteps(brand1x, row.y, row.x0, row.x1);
        shown += EdgeSteps(shot, ToPixels(at.y() + row.y, scale), ToPixels(at.x() + row.x0, scale),
                           ToPixels(at.x() + row.x1, scale));
        blurred += EdgeSteps(stretched, ToPixels(row.y, scale), ToPixels(row.x0, scale),
                             ToPixels(row.x1, scale));
    }
    EXPECT_LE(shown, at1x * 5 / 4) << "at 1x " << at1x << ", shown " << shown;
    if (scale > 1) {
        EXPECT_GT(blurred, 2 * at1x) << "the measure cannot tell a stretched picture";
    }
}

TEST_F(SkinScaleTest, TheLoopEditorsPictureHasTheScreensPixelsAndItsArithmeticStaysInColumns) {
    const qreal scale = m_dialog->devicePixelRatio();
    QTemporaryDir media;
    // Silence for 4 s, then a loud left channel: the bar's edge falls inside a column.
    constexpr int kRate = 44100;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(10 * kRate) * 2);
    for (std::size_t i = 4 * kRate + 777; i < samples.size() / 2; ++i) samples[2 * i] = 30000;
    const std::string song =
        testmedia::WriteWavSamples(media.path().toStdString() + "/song.wav", kRate, 2, samples);
    m_dialog->Engine().LoadSong(song);
    auto* showPage = qobject_cast<QAbstractButton*>(ui::FindChildById(m_dialog.get(), 518));
    ASSERT_NE(showPage, nullptr);
    showPage->click();
    CQuorvelLoopPropertyPage* page = m_dialog->LoopPage();
    ASSERT_TRUE(page->isVisible());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!page->IsWaveformComplete() && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(10);
    ASSERT_TRUE(page->IsWaveformComplete());
    const QImage shot = Shot(page);  // painting it also makes the picture for the screen

    const CWaveformImage& wave = page->Waveform();
    EXPECT_EQ(wave.Scale(), scale);
    EXPECT_EQ(wave.Image().size(), PixelSize({page->m_nWaveWidth, page->m_nWaveHeight}, scale));
    // Shown pixel for pixel, right of the markers and their labels at the song's start.
    const QImage right = wave.Image().copy(ToPixels(120, scale), 0,
                                           wave.Image().width() - ToPixels(120, scale),
                                           wave.Image().height());
    EXPECT_EQ(Mismatches(shot,
                         {CQuorvelLoopPropertyPage::kWaveLeft + 120,
                          CQuorvelLoopPropertyPage::kWaveTop},
                         right, scale),
              0);
    // The loud part starts in the same device-independent column at every scale, and the
    // positions under the columns are the view's, whatever the screen.
    WaveformView view;
    view.nWaveWidth = page->m_nWaveWidth;
    view.dwBytesPerColumn = page->m_dwBytesPerColumn;
    int firstLoud = -1;
    for (int x = 0; x < wave.Width() && firstLoud < 0; ++x)
        if (wave.Image().pixelIndex(x, wave.CentreRow() - 1) != 0) firstLoud = x;
    const int column = view.PositionToX(audio::QWORD(4 * kRate + 777) * 4) - view.kLeft;
    EXPECT_NEAR(firstLoud / scale, column, 1.5);
}

}  // namespace
