#include <gtest/gtest.h>

#include <QPushButton>

#include "ui/ControlId.h"
#include "ui/ToolTipCtrl.h"
#include "ui/ToolTipProbe.h"

namespace {

using testenv::TipShownAt;

class ToolTipTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window.resize(200, 100);
        m_button = new QPushButton(&m_window);
        m_button->setGeometry(10, 10, 40, 20);
        ui::SetDlgCtrlID(m_button, 402);
        m_window.show();
    }
    QWidget m_window;
    QPushButton* m_button = nullptr;
};

TEST_F(ToolTipTest, ControlTipShowsOverTheControlAndASecondAddReplacesIt) {
    ui::CToolTipCtrl tooltip(&m_window);
    EXPECT_EQ(ui::AddControlTip(tooltip, 402, "Open"), 1);
    EXPECT_EQ(TipShownAt(m_button, QPoint(5, 5)), "Open");
    EXPECT_EQ(ui::AddControlTip(tooltip, 402,
                                "\xC3\x96"
                                "ffnen"),
              1);  // UTF-8
    EXPECT_EQ(tooltip.GetToolCount(), 1);
    EXPECT_EQ(TipShownAt(m_button, QPoint(5, 5)), QString::fromUtf8("Öffnen"));
    EXPECT_EQ(TipShownAt(&m_window, QPoint(150, 80)), "");  // the window itself has none

    // A disabled control explains nothing; enabled again, it does.
    m_button->setEnabled(false);
    EXPECT_EQ(TipShownAt(m_button, QPoint(5, 5)), "");
    EXPECT_TRUE(tooltip.TextAt(m_button, QPoint(5, 5)).isNull());
    m_button->setEnabled(true);
    EXPECT_EQ(TipShownAt(m_button, QPoint(5, 5)), QString::fromUtf8("Öffnen"));
}

TEST_F(ToolTipTest, NothingIsAddedForAMissingControlOrAGoneOwner) {
    ui::CToolTipCtrl tooltip(&m_window);
    EXPECT_EQ(ui::AddControlTip(tooltip, 999, "None"), 0);
    EXPECT_EQ(tooltip.GetToolCount(), 0);

    auto* owner = new QWidget;
    ui::CToolTipCtrl* orphan = new ui::CToolTipCtrl(owner);
    QPointer<ui::CToolTipCtrl> watch(orphan);
    delete owner;  // the tooltip goes with its owner
    EXPECT_TRUE(watch.isNull());

    // A tooltip made without an owner adds nothing.
    ui::CToolTipCtrl unowned(nullptr);
    EXPECT_EQ(ui::AddControlTip(unowned, 402, "Open"), 0);
}

TEST_F(ToolTipTest, AreaTipCoversItsRectangleOnlyAndControlsKeepTheirOwn) {
    ui::CToolTipCtrl pageTips(&m_window);
    ui::AddControlTip(pageTips, 402, "Open");
    EXPECT_EQ(ui::AddAreaTip(pageTips, &m_window, "Click to set the loop", QRect(0, 0, 200, 50), 0),
              1);
    EXPECT_EQ(pageTips.GetToolCount(), 2);
    EXPECT_EQ(TipShownAt(&m_window, QPoint(100, 40)), "Click to set the loop");
    EXPECT_EQ(TipShownAt(&m_window, QPoint(100, 70)), "");
    EXPECT_EQ(TipShownAt(m_button, QPoint(5, 5)), "Open");

    // A disabled control takes no pointer: the window's area behind it answers.
    m_button->setEnabled(false);
    EXPECT_EQ(TipShownAt(m_button, QPoint(5, 5)), "Click to set the loop");
}

}  // namespace
