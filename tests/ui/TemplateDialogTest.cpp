#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <vector>

#include "ui/BitmapButton.h"
#include "ui/CaptionGroupBox.h"
#include "ui/ControlId.h"
#include "ui/NoRepeatSliderCtrl.h"
#include "ui/StaticText.h"
#include "ui/TemplateDialog.h"
#include "ui/UserMessage.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

// A slider inside a group box that frames it, as the sound controls are laid out.
constexpr DialogItem kItems[] = {
    {10, ControlKind::BitmapButton, "NO_SUCH_SET", 5, 5, 20, 10, 0},
    {11, ControlKind::SoundSlider, "", 10, 30, 80, 11, 0},
    {12, ControlKind::Slider, "", 10, 50, 80, 11, ui::kDisabled},
    {13, ControlKind::StaticText, "Title", 10, 70, 80, 10, ui::kCentred | ui::kEndEllipsis},
    {14, ControlKind::GroupBox, "Caption", 5, 20, 100, 26, ui::kNotify},
    {15, ControlKind::BitmapButton, "", 0, 0, 10, 9, ui::kHidden},
};
constexpr ui::DialogTemplate kTemplate{950, 120, 100,   "DejaVu Sans Condensed",
                                       8,   400, false, kItems};

class RecordingDialog : public ui::CTemplateDialog {
public:
    RecordingDialog() : ui::CTemplateDialog(kTemplate) {}
    using ui::CTemplateDialog::InstallMessagePreFilter;

    std::vector<std::pair<int, int>> commands;
    std::vector<std::pair<int, int>> scrolls;  // code, position
    std::vector<std::tuple<int, quintptr, qintptr>> messages;
    std::vector<int> filteredKeys;
    int initCalls = 0;

protected:
    bool OnInitDialog() override {
        ++initCalls;
        return true;
    }
    void OnCommand(int id, int code) override { commands.emplace_back(id, code); }
    void OnHScroll(int code, int position, QWidget*) override {
        scrolls.emplace_back(code, position);
    }
    void OnUserMessage(int n, quintptr w, qintptr l) override { messages.emplace_back(n, w, l); }
    bool PreTranslateMessage(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        filteredKeys.push_back(key);
        return key == Qt::Key_Q;
    }
};

TEST(TemplateDialog, CreatesOneControlPerItemWithItsIdKindAndState) {
    RecordingDialog dialog;
    EXPECT_NE(dialog.GetDlgItem<ui::CBitmapButton>(10), nullptr);
    EXPECT_NE(dialog.GetDlgItem<ui::CNoRepeatSliderCtrl>(11), nullptr);
    ASSERT_NE(dialog.GetDlgItem<ui::CSliderCtrl>(12), nullptr);
    EXPECT_EQ(dialog.GetDlgItem<ui::CNoRepeatSliderCtrl>(12), nullptr);
    EXPECT_FALSE(dialog.GetDlgItem(12)->isEnabled());
    ASSERT_NE(dialog.GetDlgItem<ui::CStaticText>(13), nullptr);
    EXPECT_EQ(dialog.GetDlgItem<ui::CStaticText>(13)->text(), "Title");
    ASSERT_NE(dialog.GetDlgItem<ui::CCaptionGroupBox>(14), nullptr);
    EXPECT_EQ(dialog.GetDlgItem<ui::CCaptionGroupBox>(14)->title(), "Caption");
    EXPECT_TRUE(dialog.GetDlgItem(15)->isHidden());
    EXPECT_EQ(dialog.GetDlgItem(99), nullptr);
    EXPECT_EQ(ui::GetDlgCtrlID(dialog.GetDlgItem(14)), 14);
}

TEST(TemplateDialog, FirstItemIsTopmostSoFramedControlsTakeTheirClicks) {
    RecordingDialog dialog;
    dialog.show();
    const std::vector<QWidget*> order = ui::ChildWindowsTopFirst(&dialog);
    ASSERT_EQ(order.size(), 6u);
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(ui::GetDlgCtrlID(order[i]), kItems[i].id);

    QWidget* slider = dialog.GetDlgItem(11);
    EXPECT_EQ(dialog.childAt(slider->geometry().center()), slider);
}

TEST(TemplateDialog, ClicksBecomeCommandsAndSlidersReportScrolls) {
    RecordingDialog dialog;
    dialog.show();
    auto* button = dialog.GetDlgItem<ui::CBitmapButton>(10);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseClick(dialog.GetDlgItem(14), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_GE(dialog.commands.size(), 3u);
    EXPECT_EQ(dialog.commands.front(), std::make_pair(10, ui::BN_CLICKED));
    EXPECT_NE(std::find(dialog.commands.begin(), dialog.commands.end(),
                        std::make_pair(10, ui::BN_DOUBLECLICKED)),
              dialog.commands.end());
    EXPECT_EQ(dialog.commands.back(), std::make_pair(14, ui::BN_CLICKED));

    auto* slider = dialog.GetDlgItem<ui::CSliderCtrl>(11);
    slider->setRange(0, 100);
    slider->setValue(40);  // set by the program: not reported
    EXPECT_TRUE(dialog.scrolls.empty());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    ASSERT_EQ(dialog.scrolls.size(), 2u);
    EXPECT_EQ(dialog.scrolls[0], std::make_pair(ui::TB_LINEDOWN, 41));  // after the move
    EXPECT_EQ(dialog.scrolls[1].first, ui::TB_ENDTRACK);
}

TEST(TemplateDialog, InitialisesOnceAndPostedUserMessagesArrive) {
    RecordingDialog dialog;
    EXPECT_TRUE(dialog.InitDialog());
    EXPECT_TRUE(dialog.InitDialog());
    EXPECT_EQ(dialog.initCalls, 1);

    ui::PostUserMessage(&dialog, 100, 7, -3);
    EXPECT_TRUE(dialog.messages.empty());  // posted, not sent
    QCoreApplication::sendPostedEvents(&dialog);
    ASSERT_EQ(dialog.messages.size(), 1u);
    EXPECT_EQ(dialog.messages[0], std::make_tuple(100, quintptr{7}, qintptr{-3}));
}

TEST(TemplateDialog, PreFilterSeesTheWindowsEventsFirstAndMaySwallowThem) {
    RecordingDialog dialog;
    dialog.InstallMessagePreFilter();
    dialog.show();
    auto* slider = dialog.GetDlgItem<ui::CSliderCtrl>(11);
    slider->setRange(0, 100);
    slider->setValue(50);
    QTest::keyClick(slider, Qt::Key_Q);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(dialog.filteredKeys, (std::vector<int>{Qt::Key_Q, Qt::Key_Right}));
    EXPECT_EQ(slider->value(), 51);

    QWidget elsewhere;  // another window: not the dialog's business
    QTest::keyClick(&elsewhere, Qt::Key_Q);
    EXPECT_EQ(dialog.filteredKeys.size(), 2u);
}

TEST(StaticText, LongTextEndsWithAnEllipsisAndMouseInputPassesThrough) {
    ui::CStaticText text(true, true);
    text.resize(80, 13);
    text.setText("A rather long song title that cannot fit");
    const QString shown = text.DisplayedText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_LE(text.fontMetrics().horizontalAdvance(shown), 80);
    text.setText("Short");
    EXPECT_EQ(text.DisplayedText(), "Short");
    EXPECT_TRUE(text.testAttribute(Qt::WA_TransparentForMouseEvents));
    text.setText("<b>not markup</b>");
    EXPECT_EQ(text.textFormat(), Qt::PlainText);
}

}  // namespace
