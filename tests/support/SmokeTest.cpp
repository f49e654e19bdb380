#include <gtest/gtest.h>

#include <QApplication>

TEST(TestHarness, RunsHeadlessWithAnApplicationObject) {
    ASSERT_NE(QApplication::instance(), nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
}
