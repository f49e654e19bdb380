#include <gtest/gtest.h>

#include <QTest>

#include "ui/ListBox.h"

namespace {

TEST(ListBox, ReportsTheUsersChoicesOnlyIncludingAClickOnTheChosenLine) {
    ui::CListBox list;
    list.resize(120, 100);
    int reports = 0;
    QObject::connect(&list, &ui::CListBox::selChanged, [&] { ++reports; });
    for (const char* name : {"one", "two", "three"}) list.AddString(name);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetCurSel(), -1);

    list.SetCurSel(2);
    EXPECT_EQ(list.GetCurSel(), 2);
    list.SetCurSel(-1);
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_EQ(reports, 0);

    const auto click = [&](int line) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(line)).center());
    };
    click(1);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(reports, 1);
    click(1);
    EXPECT_EQ(reports, 2);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.GetCurSel(), 2);
    EXPECT_EQ(reports, 3);
    EXPECT_EQ(list.GetText(2), "three");

    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(reports, 3);
}

}  // namespace
