// The main window's skinned controls as the user meets them: pictures, focus that follows the
// pointer, tooltips, arrows, sliders and caption frames.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "support/NumberedLanguage.h"
#include "ui/AutoRepeatButton.h"
#include "ui/CaptionGroupBox.h"
#include "ui/ControlColours.h"
#include "ui/ControlId.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/SliderCtrl.h"
#include "ui/TestEnvironment.h"
#include "ui/ToolTipProbe.h"

namespace {

class MainWindowControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan", testenv::NumberedLanguage());
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
    }
    void ShowActive() {
        m_dialog->move(40, 40);
        m_dialog->show();
        m_dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    }
    QWidget* Item(int id) { return m_dialog->GetDlgItem(id); }
    ui::CBitmapButton* Button(int id) { return m_dialog->GetDlgItem<ui::CBitmapButton>(id); }
    ui::CSliderCtrl* Slider(int id) { return m_dialog->GetDlgItem<ui::CSliderCtrl>(id); }
    // Moves the pointer (no button held) over the middle of a control, or a point of the face.
    void PointAt(int id) { QTest::mouseMove(Item(id), Item(id)->rect().center()); }
    void PointAtFace(QPoint pos) { QTest::mouseMove(m_dialog.get(), pos); }
    QWidget* Focus() { return QApplication::focusWidget(); }

    testenv::TempAppData m_appData;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
};

TEST_F(MainWindowControlsTest, ArrowsAreAutoRepeatButtonsAndEveryButtonHasItsPictures) {
    for (int id = 400; id <= 437; ++id) {
        if (id > 409 && id < 430) continue;
        SCOPED_TRACE(id);
        ASSERT_NE(Button(id), nullptr);
        EXPECT_TRUE(Button(id)->HasBitmaps());
        EXPECT_EQ(qobject_cast<ui::CAutoRepeatButton*>(Button(id)) != nullptr, id >= 430);
    }
    EXPECT_TRUE(Button(518)->HasBitmaps());
    EXPECT_TRUE(Button(519)->HasBitmaps());
    EXPECT_FALSE(Button(520)->HasBitmaps());  // the sink is never bound
    EXPECT_EQ(Button(403)->StateLetter(), 'X');
    EXPECT_EQ(Button(402)->StateLetter(), 'U');
}

TEST_F(MainWindowControlsTest, FocusFollowsThePointerToListedButtonsAndOtherwiseRestsOnTheSink) {
    ShowActive();
    QWidget* sink = Item(520);
    PointAt(402);
    EXPECT_EQ(Focus(), Item(402));
    EXPECT_EQ(Button(402)->StateLetter(), 'F');
    PointAt(440);  // a slider is not listed
    EXPECT_EQ(Focus(), sink);
    EXPECT_EQ(Button(402)->StateLetter(), 'U');
    PointAt(434);
    EXPECT_EQ(Focus(), Item(434));
    PointAtFace(QPoint(150, 20));
    EXPECT_EQ(Focus(), sink);

    // The close and minimise buttons take the focus but have no picture for it.
    PointAt(401);
    EXPECT_EQ(Focus(), Item(401));
    EXPECT_EQ(Button(401)->StateLetter(), 'U');

    // A disabled Save takes no mouse input: the pointer is on the window, so the sink.
    PointAt(403);
    EXPECT_EQ(Focus(), sink);
    EXPECT_EQ(Button(403)->StateLetter(), 'X');
    Item(403)->setEnabled(true);
    PointAtFace(QPoint(150, 20));
    PointAt(403);
    EXPECT_EQ(Focus(), Item(403));

    // The vocal-reduction arrows never take the focus, enabled or not.
    Item(436)->setEnabled(true);
    PointAt(436);
    EXPECT_EQ(Focus(), sink);
    EXPECT_EQ(Button(436)->StateLetter(), 'U');
}

TEST_F(MainWindowControlsTest, PageButtonsTakeTheFocusTooButNotTheZoomButton) {
    QWidget* page = m_dialog->LoopPage();
    ASSERT_NE(page, nullptr);
    m_dialog->resize(544, 610);  // as the loop button lays the page out below the face
    page->move(9, 416);
    page->show();
    ShowActive();
    auto pointAtPageButton = [&](int id) {
        QWidget* button = ui::FindChildById(page, id);
        QTest::mouseMove(button, button->rect().center());
        return button;
    };
    QWidget* restart = pointAtPageButton(601);
    EXPECT_EQ(Focus(), restart);
    EXPECT_EQ(Focus()->window(), m_dialog.get());
    pointAtPageButton(603);
    EXPECT_EQ(Focus(), Item(520));  // the main window's sink, also for the pages
    QWidget* reset = pointAtPageButton(602);
    EXPECT_EQ(Focus(), reset);
}

TEST_F(MainWindowControlsTest, HeldPressesKeepThePointerExceptOnTheArrows) {
    ShowActive();
    const auto centreIn = [&](int from, int to) {
        return Item(from)->mapFromGlobal(Item(to)->mapToGlobal(Item(to)->rect().center()));
    };
    // A slider held by its thumb keeps the pointer: passing over a button moves no focus.
    QTest::mousePress(Item(440), Qt::LeftButton);
    QTest::mouseMove(Item(440), centreIn(440, 402));
    EXPECT_EQ(ui::GetDlgCtrlID(Focus()), 440);
    QTest::mouseRelease(Item(440), Qt::LeftButton, {}, centreIn(440, 402));

    // A held arrow lets the pointer go: the focus follows it off the arrow.
    QTest::mousePress(Item(434), Qt::LeftButton);
    QTest::mouseMove(Item(434), centreIn(434, 435));
    EXPECT_EQ(ui::GetDlgCtrlID(Focus()), 435);
    QTest::mouseRelease(Item(434), Qt::LeftButton, {}, centreIn(434, 435));
}

TEST_F(MainWindowControlsTest, EveryControlShowsItsOwnTipInTheLanguageOfTheStart) {
    constexpr std::pair<int, int> kTips[] = {
        {400, 8},  {401, 9},  {402, 10}, {403, 11}, {404, 12}, {405, 13}, {406, 14},
        {407, 15}, {408, 16}, {409, 17}, {420, 18}, {438, 19}, {439, 20}, {440, 21},
        {441, 22}, {430, 23}, {431, 24}, {432, 25}, {433, 26}, {434, 27}, {435, 28},
        {436, 29}, {437, 30}, {518, 31}, {519, 32}, {521, 137},
    };
    ShowActive();
    // Without a song most controls are disabled, and a disabled control explains nothing.
    int disabled = 0;
    for (const auto& [id, text] : kTips) {
        const bool enabled = Item(id)->isEnabled();
        disabled += !enabled;
        EXPECT_EQ(testenv::TipShownAt(Item(id), Item(id)->rect().center()),
                  enabled ? QString("text %1").arg(text) : QString())
            << id;
    }
    EXPECT_EQ(disabled, 15);
    for (const auto& [id, text] : kTips) {
        Item(id)->setEnabled(true);
        EXPECT_EQ(testenv::TipShownAt(Item(id), Item(id)->rect().center()),
                  QString("text %1").arg(text))
            << id;
    }
    // The texts are read once: a new language shows at the next start.
    testenv::WriteFile(DataFolder() + "/Default.lan", "");
    EXPECT_EQ(testenv::TipShownAt(Item(402), QPoint(3, 3)), "text 10");
}

TEST_F(MainWindowControlsTest, SlidersStartWithTheirRangesThumbsAndTickMarks) {
    struct Expected {
        int id, minimum, maximum, value, page;
        bool enabled;
        std::vector<int> ticks;
    };
    auto every = [](int from, int to, int step) {
        std::vector<int> ticks;
        for (int p = from; p <= to; p += step) ticks.push_back(p);
        return ticks;
    };
    const Expected expected[] = {
        {420, 0, 100, 0, 10000, false, {}},
        {438, 5, 400, 100, 10, false, {25, 50, 100, 200, 400}},
        {439, -2400, 2400, 0, 100, false, every(-2400, 2400, 400)},
        {440, 0, 100, 50, 10, true, every(0, 100, 10)},
        {441, 0, 256, 0, 10, false,
         [&] {
             auto ticks = every(0, 240, 20);
             ticks.push_back(256);
             return ticks;
         }()},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.id);
        ui::CSliderCtrl* slider = Slider(e.id);
        EXPECT_EQ(slider->minimum(), e.minimum);
        EXPECT_EQ(slider->maximum(), e.maximum);
        EXPECT_EQ(slider->value(), e.value);
        EXPECT_EQ(slider->pageStep(), e.page);
        EXPECT_EQ(slider->isEnabled(), e.enabled);
        EXPECT_EQ(slider->GetThumbLength(), 14);
        EXPECT_EQ(slider->TickPositions(), e.ticks);
    }
}

TEST_F(MainWindowControlsTest, CaptionFramesShowTheWindowsFaceInsideAndTheirCaptionOnTheFrame) {
    const QImage face = m_dialog->grab().toImage();
    for (int id : {502, 503, 504, 505}) {
        SCOPED_TRACE(id);
        const QRect box = Item(id)->geometry();
        // Inside the frame, below the caption and left of the arrows: the face grey.
        EXPECT_EQ(face.pixelColor(box.left() + 3, box.bottom() - 3), ui::kControlGrey);
        EXPECT_EQ(face.pixelColor(box.right() - 3, box.bottom() - 3), ui::kControlGrey);
        // The caption interrupts the frame's top line.
        auto* group = qobject_cast<ui::CCaptionGroupBox*>(Item(id));
        const QRect caption = group->CaptionRect().translated(box.topLeft());
        const int frameTop = box.top() + caption.height() / 2;
        EXPECT_NE(face.pixelColor(box.left() + 4, frameTop), ui::kControlGrey);
        EXPECT_EQ(face.pixelColor(caption.left() - 1, frameTop), ui::kControlGrey);
    }
}

}  // namespace
