#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <vector>

#include "ui/AutoRepeatButton.h"
#include "ui/EventWait.h"
#include "ui/TemplateDialog.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

constexpr DialogItem kItems[] = {
    {431, ControlKind::AutoRepeatButton, "BITMAP_TEMPOUP", 10, 10, 10, 9, 0},
    {432, ControlKind::AutoRepeatButton, "BITMAP_TEMPODOWN", 60, 10, 10, 9, 0},
};
constexpr ui::DialogTemplate kTemplate{951, 120, 60,    "DejaVu Sans Condensed",
                                       8,   400, false, kItems};

// Records the commands its buttons send, as the main window's dispatcher receives them.
class ArrowDialog : public ui::CTemplateDialog {
public:
    ArrowDialog() : ui::CTemplateDialog(kTemplate) {
        for (int id : {431, 432}) Arrow(id)->LoadBitmaps();
        show();
    }
    ui::CAutoRepeatButton* Arrow(int id) { return GetDlgItem<ui::CAutoRepeatButton>(id); }
    int Count(int id, int code) const {
        return static_cast<int>(std::count(commands.begin(), commands.end(), std::pair{id, code}));
    }
    std::vector<std::pair<int, int>> commands;

protected:
    void OnCommand(int id, int code) override { commands.emplace_back(id, code); }
};

// Lets `ticks` periods of the repeat go by in the event loop; the assertions that follow never
// depend on how long that took.
void LetRepeatPeriodsPass(int ticks) {
    int seen = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] { ++seen; });
    clock.start(ui::CAutoRepeatButton::kRepeatMs);
    ASSERT_TRUE(testenv::WaitUntil([&] { return seen >= ticks; }));
}

TEST(AutoRepeatButton, StepsAtOnceThenKeepsSteppingWhileHeldAndStopsOnRelease) {
    ArrowDialog dialog;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::CAutoRepeatButton* arrow = dialog.Arrow(431);

    QTest::mousePress(arrow, Qt::LeftButton);
    EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, int>>{{431, ui::BN_CLICKED}}));
    EXPECT_TRUE(arrow->isDown());
    EXPECT_EQ(arrow->StateLetter(), 'D');
    ASSERT_TRUE(testenv::WaitUntil([&] { return dialog.commands.size() >= 4; }));
    EXPECT_EQ(dialog.Count(431, ui::BN_CLICKED), static_cast<int>(dialog.commands.size()));

    QTest::mouseRelease(arrow, Qt::LeftButton);
    EXPECT_FALSE(arrow->isDown());
    EXPECT_FALSE(arrow->IsRepeating());
    const size_t afterRelease = dialog.commands.size();
    LetRepeatPeriodsPass(3);
    EXPECT_EQ(dialog.commands.size(), afterRelease);
}

TEST(AutoRepeatButton, LeavingTheButtonEndsThePressRepeatEvenWhenThePointerComesBack) {
    ArrowDialog dialog;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::CAutoRepeatButton* arrow = dialog.Arrow(431);
    ui::CAutoRepeatButton* other = dialog.Arrow(432);
    const QPoint onOther = arrow->mapFromGlobal(other->mapToGlobal(other->rect().center()));

    QTest::mousePress(arrow, Qt::LeftButton);
    QTest::mouseMove(arrow, onOther);  // held: the move still comes to the pressed arrow
    ASSERT_TRUE(testenv::WaitUntil([&] { return !arrow->IsRepeating(); }));
    EXPECT_EQ(dialog.Count(432, ui::BN_CLICKED), 0);
    QTest::mouseMove(arrow, arrow->rect().center());
    const size_t afterLeaving = dialog.commands.size();
    LetRepeatPeriodsPass(3);
    EXPECT_EQ(dialog.commands.size(), afterLeaving);
    EXPECT_TRUE(arrow->isDown());  // pushed until the button comes up
    QTest::mouseRelease(arrow, Qt::LeftButton);
    EXPECT_FALSE(arrow->isDown());
}

TEST(AutoRepeatButton, DoubleClickGivesTwoStepsAndNoRepeat) {
    ArrowDialog dialog;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::CAutoRepeatButton* arrow = dialog.Arrow(432);
    QTest::mouseClick(arrow, Qt::LeftButton);
    QTest::mouseDClick(arrow, Qt::LeftButton);
    EXPECT_FALSE(arrow->IsRepeating());
    EXPECT_EQ(arrow->StateLetter(), 'D');
    QTest::mouseRelease(arrow, Qt::LeftButton);
    EXPECT_FALSE(arrow->isDown());
    EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, int>>{{432, ui::BN_CLICKED},
                                                                 {432, ui::BN_DOUBLECLICKED}}));
}

TEST(AutoRepeatButton, DisablingAHeldButtonStopsIt) {
    ArrowDialog dialog;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ui::CAutoRepeatButton* arrow = dialog.Arrow(431);
    QTest::mousePress(arrow, Qt::LeftButton);
    arrow->setEnabled(false);
    EXPECT_FALSE(arrow->IsRepeating());
    EXPECT_EQ(arrow->StateLetter(), 'X');
    QTest::mouseRelease(&dialog, Qt::LeftButton);
}

}  // namespace
