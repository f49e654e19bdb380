#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>

#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/FixedScaleLayout.h"
#include "ui/TemplateDialog.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

constexpr DialogItem kCreated[] = {
    {1, ControlKind::StaticText, "one", 10, 10, 40, 8, 0},
    {2, ControlKind::StaticText, "two", 10, 20, 40, 8, 0},
    {3, ControlKind::StaticText, "three", 10, 30, 40, 8, 0},
};
constexpr ui::DialogTemplate kCreatedTemplate{900, 200, 100,   "DejaVu Sans Condensed",
                                              8,   400, false, kCreated};

// The same controls listed out of their creation order, at other places.
constexpr DialogItem kShuffled[] = {
    {1, ControlKind::StaticText, "", 25, 8, 20, 8, 0},
    {3, ControlKind::StaticText, "", 50, 16, 20, 8, 0},
    {2, ControlKind::StaticText, "", 75, 24, 20, 8, 0},
};
constexpr ui::DialogTemplate kShuffledTemplate{901, 100, 50,    "DejaVu Sans Condensed",
                                               8,   400, false, kShuffled};

TEST(DialogUnits, RoundHalfUpOfUnitsTimesBaseOverFourAndEight) {
    const ui::DialogBaseUnits units{6, 13};
    EXPECT_EQ(units.ToPixelsX(25), 38);  // 37.5
    EXPECT_EQ(units.ToPixelsX(400), 600);
    EXPECT_EQ(units.ToPixelsY(254), 413);  // 412.75
    EXPECT_EQ(units.ToPixelsY(3), 5);      // 4.875
    EXPECT_EQ(units.ToPixels(70, 172, 139, 11), QRect(105, 280, 209, 18));
}

TEST(DialogUnits, TemplateFontIsElevenPixelDejaVuSansCondensedMeasuringSixByThirteen) {
    const QFont font = ui::CreateTemplateFont(kCreatedTemplate, 96);
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(QFontInfo(font).family(), "DejaVu Sans Condensed");  // the font is installed
    const ui::DialogBaseUnits units = ui::MeasureBaseUnits(font);
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 13);
}

TEST(DialogUnits, MeasurementDoesNotDependOnTheDeviceResolution) {
    const QFont font = ui::CreateTemplateFont(kCreatedTemplate, 96);
    QImage at96(10, 10, QImage::Format_RGB32);
    QImage at120(10, 10, QImage::Format_RGB32);
    at96.setDotsPerMeterX(3780);
    at96.setDotsPerMeterY(3780);
    at120.setDotsPerMeterX(4724);
    at120.setDotsPerMeterY(4724);
    ASSERT_EQ(at120.logicalDpiY(), 120);
    const ui::DialogBaseUnits a = ui::MeasureBaseUnits(font, &at96);
    const ui::DialogBaseUnits b = ui::MeasureBaseUnits(font, &at120);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    // A font made for another resolution is larger: the resolution is the caller's choice.
    EXPECT_EQ(ui::CreateTemplateFont(kCreatedTemplate, 120).pixelSize(), 13);
}

TEST(FixedScaleLayout, PlacesDialogAndControlsAndRestoresFonts) {
    ui::CTemplateDialog dialog(kCreatedTemplate);
    QFont oldFont("DejaVu Serif");
    oldFont.setPixelSize(20);
    dialog.setFont(oldFont);

    ui::CFixedScaleLayout layout;
    layout.Apply(&dialog, kCreatedTemplate, 96);
    EXPECT_TRUE(layout.IsApplied());
    EXPECT_EQ(dialog.size(), QSize(300, 163));
    EXPECT_EQ(dialog.GetDlgItem(2)->geometry(), QRect(15, 33, 60, 13));
    EXPECT_EQ(dialog.GetDlgItem(3)->font().pixelSize(), 11);

    layout.Restore();
    EXPECT_FALSE(layout.IsApplied());
    EXPECT_EQ(dialog.font().family(), "DejaVu Serif");
    EXPECT_EQ(dialog.GetDlgItem(3)->font().family(), "DejaVu Serif");
}

TEST(FixedScaleLayout, WalkStopsAtAnItemListedBeforeThePreviousMatch) {
    ui::CTemplateDialog dialog(kCreatedTemplate);
    ui::CFixedScaleLayout layout;
    layout.Apply(&dialog, kCreatedTemplate, 96);
    const QRect oldTwo = dialog.GetDlgItem(2)->geometry();

    layout.Apply(&dialog, kShuffledTemplate, 96);
    EXPECT_EQ(dialog.GetDlgItem(1)->geometry(), QRect(38, 13, 30, 13));
    EXPECT_EQ(dialog.GetDlgItem(3)->geometry(), QRect(75, 26, 30, 13));
    EXPECT_EQ(dialog.GetDlgItem(2)->geometry(), oldTwo);  // searched for below 3: not found
}

TEST(FixedScaleLayout, RestoreSkipsADialogThatIsGone) {
    ui::CFixedScaleLayout layout;
    {
        ui::CTemplateDialog dialog(kCreatedTemplate);
        layout.Apply(&dialog, kCreatedTemplate, 96);
    }
    EXPECT_FALSE(layout.IsApplied());
    layout.Restore();
}

}  // namespace
