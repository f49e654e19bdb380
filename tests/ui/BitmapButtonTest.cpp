#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

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
    ASSERT_TRUE(ShippedSkinPresent()) << "the skin pictures are shipped with the player";
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

// A window holding one button, with the notifications it gave counted.
class ButtonWindow : public QWidget {
public:
    ButtonWindow() : button(new ui::CBitmapButton(this)) {
        resize(120, 80);
        button->setGeometry(30, 20, 40, 30);
        connect(button, &QAbstractButton::clicked, [this] { ++clicks; });
        connect(button, &ui::CBitmapButton::doubleClicked, [this] { ++doubleClicks; });
        show();
    }
    // As the user does it: two presses in quick succession, through the window system.
    void DoubleClick() {
        QTest::mouseDClick(windowHandle(), Qt::LeftButton, {}, button->geometry().center());
    }
    void Click() {
        QTest::mouseClick(windowHandle(), Qt::LeftButton, {}, button->geometry().center());
    }

    ui::CBitmapButton* button;
    int clicks = 0;
    int doubleClicks = 0;
};

TEST(BitmapButton, DoubleClickIsOneClickAndOneDoubleClickAndTheNextClickCountsAgain) {
    ButtonWindow window;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.DoubleClick();
    EXPECT_EQ(window.clicks, 1);
    EXPECT_EQ(window.doubleClicks, 1);
    EXPECT_FALSE(window.button->isDown());
    window.Click();
    EXPECT_EQ(window.clicks, 2);
    EXPECT_EQ(window.doubleClicks, 1);
}

TEST(BitmapButton, ASecondPressThatDisablesItsButtonLeavesItUpAndClickableLater) {
    ButtonWindow window;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The handler ends what the button stands for: its release never reaches it.
    QObject::connect(window.button, &ui::CBitmapButton::doubleClicked,
                     [&] { window.button->setEnabled(false); });
    window.DoubleClick();
    EXPECT_EQ(window.doubleClicks, 1);
    EXPECT_FALSE(window.button->isDown());
    window.button->setEnabled(true);
    window.Click();
    EXPECT_EQ(window.clicks, 2);
}

}  // namespace
