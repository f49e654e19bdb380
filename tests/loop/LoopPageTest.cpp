#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <cstdlib>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "engine/PlaybackState.h"
#include "loop/LoopRegion.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "support/NumberedLanguage.h"
#include "ui/BitmapButton.h"
#include "ui/CaptionGroupBox.h"
#include "ui/ControlId.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

class LoopPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan", testenv::NumberedLanguage());
        g_bModified = 0;
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
        m_page = m_dialog->LoopPage();
        ASSERT_NE(m_page, nullptr);
    }

    QWidget* Item(int id) { return m_page->GetDlgItem(id); }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(Item(id)); }
    // The tip a pointer resting at `pos` on `widget` shows, from whichever of the page's
    // tooltips has one there; null when none has.
    QString TipAt(const QWidget* widget, QPoint pos) {
        QString text;
        for (const auto& tooltip : m_page->ToolTips())
            if (const QString tip = tooltip->TextAt(widget, pos); !tip.isNull()) text = tip;
        return text;
    }

    testenv::TempAppData m_appData;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
    CQuorvelLoopPropertyPage* m_page = nullptr;
};

TEST_F(LoopPageTest, IsAHiddenChildOfTheMainWindowWithItsControlsTextsAndTips) {
    EXPECT_EQ(m_page->parentWidget(), m_dialog.get());
    EXPECT_FALSE(m_page->isWindow());
    EXPECT_TRUE(m_page->isHidden());
    m_dialog->show();
    EXPECT_FALSE(m_page->isVisible());  // still hidden when the main window shows

    const std::vector<QWidget*> children = ui::ChildWindowsTopFirst(m_page);
    ASSERT_EQ(children.size(), 4u);
    const char* captions[] = {"BITMAP_LOOPRESTART", "BITMAP_LOOPRESET", "BITMAP_LOOPZOOM"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(601 + i);
        EXPECT_EQ(ui::GetDlgCtrlID(children[i]), 601 + i);
        auto* button = qobject_cast<ui::CBitmapButton*>(children[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), captions[i]);
        EXPECT_TRUE(button->HasBitmaps());
        EXPECT_EQ(button->size(), QSize(28, 26));  // the size of its pictures
        EXPECT_TRUE(button->isEnabled());
        EXPECT_EQ(TipAt(button, QPoint(5, 5)), QString("text %1").arg(4 + i));
    }
    EXPECT_EQ(ui::GetDlgCtrlID(children[3]), 600);
    auto* frame = qobject_cast<ui::CCaptionGroupBox*>(children[3]);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), "text 71");
    // The page's area tip covers it all, the waveform and the frame included.
    ASSERT_EQ(m_page->ToolTips().size(), 4u);
    EXPECT_TRUE(TipAt(frame, QPoint(100, 100)).isNull());
    EXPECT_EQ(TipAt(m_page, QPoint(100, 100)), "text 7");
    EXPECT_EQ(TipAt(m_page, QPoint(521, 189)), "text 7");

    EXPECT_EQ(m_page->palette().color(m_page->backgroundRole()), QColor(226, 226, 226));
    EXPECT_EQ(QFontInfo(frame->font()).family(), "DejaVu Sans Condensed");
    EXPECT_EQ(frame->font().pixelSize(), 11);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(LoopPageTest, ControlsSitOnTheFixedPixels) {
    // Run a second time by CTest with QT_FONT_DPI=120 and scaling off.
    const char* dpi = std::getenv("QT_FONT_DPI");
    EXPECT_EQ(m_page->logicalDpiY(), dpi ? std::atoi(dpi) : 96);
    EXPECT_EQ(m_page->size(), QSize(522, 190));                // 348 x 117 units
    EXPECT_EQ(Item(600)->geometry(), QRect(11, 0, 492, 180));  // 7, 0, 328, 111
    EXPECT_EQ(Item(601)->pos(), QPoint(470, 57));              // 313, 35
    EXPECT_EQ(Item(602)->pos(), QPoint(470, 85));              // 313, 52
    EXPECT_EQ(Item(603)->pos(), QPoint(470, 114));             // 313, 70
    EXPECT_EQ(m_page->m_nWaveWidth, 446);
    EXPECT_EQ(m_page->m_nWaveHeight, 150);
}

TEST_F(LoopPageTest, WaveformAreaIsBlackInsideTheGreyPage) {
    const QImage picture = m_page->grab().toImage();
    EXPECT_EQ(picture.pixelColor(20, 20), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(20 + 445, 20 + 149), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(240, 90), QColor(Qt::black));
    EXPECT_NE(picture.pixelColor(20 + 446, 100), QColor(Qt::black));
    EXPECT_NE(picture.pixelColor(100, 20 + 150), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(5, 100), QColor(226, 226, 226));  // left of the frame
}

TEST_F(LoopPageTest, WithoutASongTheButtonsChangeNothing) {
    g_loopRegion.qwStartPoint = 1000;
    g_loopRegion.qwEndPoint = 2000;
    for (int id : {601, 602, 603}) Button(id)->click();
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 1000u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 2000u);
    EXPECT_FALSE(m_page->m_bZoomMode);
    EXPECT_EQ(m_dialog->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(g_bModified, 0);
}

TEST_F(LoopPageTest, OnlyMarkedRegionEditsCountAsUnsavedChanges) {
    m_page->SetLoopStart(4000, false);
    m_page->SetLoopEnd(8000, false);
    EXPECT_EQ(g_bModified, 0);
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 4000u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 8000u);
    m_page->SetLoopStart(400, true);
    EXPECT_EQ(g_bModified, 1);
    g_bModified = 0;
    m_page->SetLoopEnd(800, true);
    EXPECT_EQ(g_bModified, 1);
    g_bModified = 0;
    // A new song empties the region without counting as a change.
    m_page->SetSong(true, 0, "song.wav", false);
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 0u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    EXPECT_EQ(m_page->SongPath(), "song.wav");
    EXPECT_EQ(g_bModified, 0);
}

TEST(LoopPageStart, ANewPageHasNoSongAndAnEmptyRegion) {
    g_loopRegion.qwStartPoint = 5000;
    g_loopRegion.qwEndPoint = 9000;
    CQuorvelLoopPropertyPage page;
    EXPECT_EQ(g_loopRegion.qwStartPoint.load(), 0u);
    EXPECT_EQ(g_loopRegion.qwEndPoint, 0u);
    EXPECT_EQ(page.Stream(), 0u);
    EXPECT_FALSE(page.m_bZoomMode);
}

}  // namespace
