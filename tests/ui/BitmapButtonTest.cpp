#include <gtest/gtest.h>

#include <QTest>

#include "ui/BitmapButton.h"
#include "ui/SkinResource.h"

namespace {

// Uses the shipped picture sets: "BITMAP_CLOSE" has only U and D, "BITMAP_OPEN" all four.
bool ShippedSkinPresent() {
    return !ui::LoadSkinBitmap("BITMAP_CLOSEU").isNull() &&
           !ui::LoadSkinBitmap("BITMAP_OPENX").isNull();
}

TEST(BitmapButton, WithoutAnUpPictureBindingFailsAndNothingIsDrawn) {
    ui::CBitmapButton button;
    button.setText("BITMAP_NOT_SHIPPED");
    button.resize(30, 20);
    EXPECT_FALSE(button.LoadBitmaps());
    EXPECT_FALSE(button.HasBitmaps());
    EXPECT_EQ(button.size(), QSize(30, 20));
    QImage image(30, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    button.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_EQ(image.pixel(15, 10), qRgba(0, 0, 0, 0));
}

TEST(BitmapButton, PictureFollowsPressFocusAndDisabledStateWhenItExists) {
    if (!ShippedSkinPresent()) GTEST_SKIP() << "skin pictures not shipped";
    QWidget window;
    auto* close = new ui::CBitmapButton(&window);
    auto* open = new ui::CBitmapButton(&window);
    close->setText("BITMAP_CLOSE");
    open->setText("BITMAP_OPEN");
    close->move(5, 7);
    ASSERT_TRUE(close->LoadBitmaps());
    ASSERT_TRUE(open->LoadBitmaps());
    EXPECT_EQ(close->geometry(), QRect(QPoint(5, 7), ui::LoadSkinBitmap("BITMAP_CLOSEU").size()));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    EXPECT_EQ(close->StateLetter(), 'U');
    close->setFocus();
    EXPECT_EQ(close->StateLetter(), 'U');  // no focus picture
    close->setDown(true);
    EXPECT_EQ(close->StateLetter(), 'D');
    close->setDown(false);

    open->setFocus();
    EXPECT_EQ(open->StateLetter(), 'F');
    open->setDown(true);
    EXPECT_EQ(open->StateLetter(), 'D');
    open->setDown(false);
    open->setEnabled(false);
    EXPECT_EQ(open->StateLetter(), 'X');

    // The chosen picture is what is painted, unscaled from the corner.
    const QImage expected = ui::LoadSkinBitmap("BITMAP_OPENX").toImage();
    const QImage painted = open->grab().toImage();
    const QPoint probe(expected.width() / 2, expected.height() / 2);
    EXPECT_EQ(painted.pixelColor(probe), expected.pixelColor(probe));
}

}  // namespace
