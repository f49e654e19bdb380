#include <gtest/gtest.h>

#include <QStyleOptionSlider>
#include <QTest>
#include <vector>

#include "ui/ControlColours.h"
#include "ui/EventWait.h"
#include "ui/NoRepeatSliderCtrl.h"

namespace {

// Exposes what the slider's own geometry says about its thumb.
template <class Base>
class Probed : public Base {
public:
    Probed() : Base(Qt::Horizontal) {}
    using Base::repeatAction;
    QRect Thumb() const {
        QStyleOptionSlider option;
        this->initStyleOption(&option);
        return this->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                             this);
    }
};

void Configure(QSlider& slider, int minimum, int maximum, int value, int page, QSize size) {
    slider.setRange(minimum, maximum);
    slider.setPageStep(page);
    slider.setValue(value);
    slider.resize(size);
}

TEST(Sliders, HeldOnTheChannelSoundSliderPagesOnceWherePositionSliderPagesUpToThePointer) {
    QWidget window;
    auto* sound = new Probed<ui::CNoRepeatSliderCtrl>;
    auto* position = new Probed<ui::CSliderCtrl>;
    sound->setParent(&window);
    position->setParent(&window);
    Configure(*sound, 5, 400, 100, 10, QSize(98, 18));
    Configure(*position, 0, 100000, 0, 10000, QSize(300, 18));
    position->move(0, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<int> positionCodes;
    QObject::connect(position, &ui::CSliderCtrl::scrolled,
                     [&](int code) { positionCodes.push_back(code); });

    QTest::mousePress(sound, Qt::LeftButton, {}, QPoint(95, 9));
    EXPECT_EQ(sound->value(), 110);
    // The thumb's target lies at two thirds of the channel: 70000 is the first page past it.
    QTest::mousePress(position, Qt::LeftButton, {}, QPoint(200, 9));
    EXPECT_EQ(position->value(), 10000);

    // Both are held as long as the position slider keeps paging.
    ASSERT_TRUE(testenv::WaitUntil(
        [&] { return position->repeatAction() == QAbstractSlider::SliderNoAction; }));
    EXPECT_EQ(position->value(), 70000);
    EXPECT_EQ(positionCodes, std::vector<int>(7, ui::TB_PAGEDOWN));
    EXPECT_EQ(sound->value(), 110);
    EXPECT_EQ(sound->repeatAction(), QAbstractSlider::SliderNoAction);

    QTest::mouseRelease(sound, Qt::LeftButton, {}, QPoint(95, 9));
    QTest::mouseRelease(position, Qt::LeftButton, {}, QPoint(200, 9));
    EXPECT_EQ(positionCodes.back(), ui::TB_ENDTRACK);
}

TEST(Sliders, PressingOnTheDrawnThumbDragsItInsteadOfPaging) {
    Probed<ui::CSliderCtrl> slider;
    Configure(slider, 0, 100, 50, 10, QSize(109, 18));
    slider.SetTicFreq(10);
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
    const QRect thumb = slider.Thumb();
    EXPECT_EQ(thumb.height(), 14);
    EXPECT_EQ(thumb.top(), 0);  // room for the tick marks below
    EXPECT_EQ(thumb.left(), 50);
    std::vector<int> codes;
    QObject::connect(&slider, &ui::CSliderCtrl::scrolled, [&](int code) { codes.push_back(code); });
    QTest::mousePress(&slider, Qt::LeftButton, {}, thumb.center());
    EXPECT_EQ(slider.value(), 50);
    QTest::mouseMove(&slider, thumb.center() + QPoint(20, 0));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, thumb.center() + QPoint(20, 0));
    EXPECT_EQ(slider.value(), 70);
    EXPECT_EQ(codes.front(), ui::TB_THUMBTRACK);
    EXPECT_EQ(codes.back(), ui::TB_ENDTRACK);
}

TEST(Sliders, TickMarksAtTheGivenPositionsOrEveryStepWithBothEnds) {
    ui::CSliderCtrl slider;
    slider.setRange(0, 256);
    EXPECT_FALSE(slider.HasTicks());
    slider.SetTicFreq(20);
    std::vector<int> expected;
    for (int p = 0; p <= 240; p += 20) expected.push_back(p);
    expected.push_back(256);
    EXPECT_EQ(slider.TickPositions(), expected);

    slider.setRange(5, 400);
    slider.SetTicks({400, 25, 50, 100, 200, 1000});
    EXPECT_EQ(slider.TickPositions(), (std::vector<int>{25, 50, 100, 200, 400}));
}

// Counts the pixels of a colour in a row of the slider's picture.
int CountInRow(const QImage& image, int y, const QColor& colour) {
    int count = 0;
    for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour;
    return count;
}

TEST(Sliders, ChannelIsAmberUpToTheThumbAndTicksSitUnderTheirPositions) {
    Probed<ui::CSliderCtrl> slider;
    Configure(slider, 0, 100, 50, 10, QSize(109, 18));
    slider.SetTicFreq(50);
    slider.setAutoFillBackground(true);
    slider.setPalette(QPalette(ui::kControlGrey));
    QImage image = slider.grab().toImage();
    // Channel: rows 2 to 5 under the thumb's body; its middle rows are amber left of the thumb.
    EXPECT_EQ(image.pixelColor(20, 3), ui::kSkinAmber);
    EXPECT_NE(image.pixelColor(90, 3), ui::kSkinAmber);
    // Ticks: one dark column under the middle of where the thumb would be for 0, 50 and 100.
    const QColor tick(90, 90, 90);
    EXPECT_EQ(CountInRow(image, 16, tick), 3);
    for (int x : {4, 54, 104}) EXPECT_EQ(image.pixelColor(x, 16), tick) << x;

    slider.setEnabled(false);
    image = slider.grab().toImage();
    EXPECT_EQ(CountInRow(image, 3, ui::kSkinAmber), 0);
}

TEST(Sliders, AmberSpansFromTheFillOriginToTheThumb) {
    Probed<ui::CSliderCtrl> slider;
    Configure(slider, -15, 15, 10, 1, QSize(109, 18));
    slider.SetFillOrigin(0);
    slider.setAutoFillBackground(true);
    slider.setPalette(QPalette(ui::kControlGrey));
    const QImage image = slider.grab().toImage();
    const int row = slider.Thumb().center().y();
    EXPECT_NE(image.pixelColor(20, row), ui::kSkinAmber);  // below the origin
    EXPECT_EQ(image.pixelColor(62, row), ui::kSkinAmber);  // between the origin and the thumb
    EXPECT_NE(image.pixelColor(slider.Thumb().right() + 4, row), ui::kSkinAmber);
}

TEST(Sliders, AnActionThatChangesNothingLeavesNoReportForTheProgramsNextChange) {
    ui::CSliderCtrl slider;
    Configure(slider, -15, 15, -15, 1, QSize(18, 120));
    std::vector<int> codes;
    QObject::connect(&slider, &ui::CSliderCtrl::scrolled, [&](int code) { codes.push_back(code); });
    slider.triggerAction(QAbstractSlider::SliderToMinimum);  // already there
    slider.setValue(0);                                      // the program's
    EXPECT_TRUE(codes.empty());
    slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(codes, std::vector<int>{ui::TB_LINEDOWN});
}

}  // namespace
