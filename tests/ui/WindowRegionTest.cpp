#include <gtest/gtest.h>

#include "ui/WindowRegion.h"

namespace {

TEST(RoundRectRegion, CutsTheCornersAndLeavesTheLastRowAndColumnOut) {
    const QRegion region = ui::RoundRectRegion(1, 1, 536, 416, 53, 53);
    EXPECT_EQ(region.boundingRect(), QRect(QPoint(1, 1), QPoint(534, 414)));
    // Straight edges.
    EXPECT_TRUE(region.contains(QPoint(268, 1)));
    EXPECT_FALSE(region.contains(QPoint(268, 0)));
    EXPECT_TRUE(region.contains(QPoint(1, 200)));
    EXPECT_FALSE(region.contains(QPoint(0, 200)));
    EXPECT_TRUE(region.contains(QPoint(534, 200)));
    EXPECT_FALSE(region.contains(QPoint(535, 200)));
    EXPECT_TRUE(region.contains(QPoint(268, 414)));
    EXPECT_FALSE(region.contains(QPoint(268, 415)));
    // Each corner: the corner pixel is cut, a point just inside the arc is kept. The arc of a
    // 53-pixel circle passes about 7.6 pixels in from the corner along the diagonal.
    const QPoint corners[] = {{1, 1}, {534, 1}, {1, 414}, {534, 414}};
    for (const QPoint& corner : corners) {
        const int sx = corner.x() == 1 ? 1 : -1;
        const int sy = corner.y() == 1 ? 1 : -1;
        EXPECT_FALSE(region.contains(corner));
        EXPECT_FALSE(region.contains(corner + QPoint(6 * sx, 6 * sy)));
        EXPECT_TRUE(region.contains(corner + QPoint(9 * sx, 9 * sy)));
        EXPECT_TRUE(region.contains(corner + QPoint(26 * sx, 0)));
        EXPECT_FALSE(region.contains(corner + QPoint(0, 10 * sy)));
        EXPECT_FALSE(region.contains(corner + QPoint(10 * sx, 0)));
    }
}

TEST(RoundRectRegion, SmallEllipsesGiveAPlainRectangle) {
    EXPECT_EQ(ui::RoundRectRegion(0, 0, 10, 10, 1, 1), QRegion(0, 0, 9, 9));
}

}  // namespace
