#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QUrl>
#include <cstdlib>

#include "UrlCatcher.h"
#include "app/QuorvelMainDlg.h"
#include "lang/DataFolder.h"
#include "lang/LanguageText.h"
#include "support/NumberedLanguage.h"
#include "ui/BitmapButton.h"
#include "ui/CaptionGroupBox.h"
#include "ui/ControlId.h"
#include "ui/FocusSink.h"
#include "ui/ModalResponder.h"
#include "ui/NoRepeatSliderCtrl.h"
#include "ui/ShowMessage.h"
#include "ui/SkinResource.h"
#include "ui/StaticText.h"
#include "ui/TestEnvironment.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::WriteFile(DataFolder() + "/Default.lan",
                           testenv::NumberedLanguage({{123, "Help Page.html"}}));
        m_dialog = std::make_unique<CQuorvelMainDlg>();
        ASSERT_TRUE(m_dialog->InitDialog());
    }

    QWidget* Item(int id) { return m_dialog->GetDlgItem(id); }

    testenv::TempAppData m_appData;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::unique_ptr<CQuorvelMainDlg> m_dialog;
};

enum class Kind { Bitmap, FocusSink, Slider, SoundSlider, Text, Group };

struct ExpectedControl {
    int id;
    Kind kind;
    const char* caption;
    bool enabled;
};

constexpr ExpectedControl kControls[] = {
    {402, Kind::Bitmap, "BITMAP_OPEN", true},
    {403, Kind::Bitmap, "BITMAP_SAVE", false},
    {404, Kind::Bitmap, "BITMAP_SAVEAS", false},
    {409, Kind::Bitmap, "BITMAP_HELP", true},
    {405, Kind::Bitmap, "BITMAP_RIPCD", true},
    {407, Kind::Bitmap, "BITMAP_PLAY", false},
    {408, Kind::Bitmap, "BITMAP_PAUSE", false},
    {406, Kind::Bitmap, "BITMAP_STOP", false},
    {420, Kind::Slider, "", false},
    {432, Kind::Bitmap, "BITMAP_TEMPODOWN", false},
    {439, Kind::SoundSlider, "", false},
    {433, Kind::Bitmap, "BITMAP_TEMPOUP", false},
    {430, Kind::Bitmap, "BITMAP_TEMPODOWN", false},
    {438, Kind::SoundSlider, "", false},
    {431, Kind::Bitmap, "BITMAP_TEMPOUP", false},
    {434, Kind::Bitmap, "BITMAP_TEMPODOWN", true},
    {440, Kind::SoundSlider, "", true},
    {435, Kind::Bitmap, "BITMAP_TEMPOUP", true},
    {436, Kind::Bitmap, "BITMAP_TEMPODOWN", false},
    {441, Kind::SoundSlider, "", false},
    {437, Kind::Bitmap, "BITMAP_TEMPOUP", false},
    {518, Kind::Bitmap, "BITMAP_LOOP", true},
    {519, Kind::Bitmap, "BITMAP_EQ", true},
    {521, Kind::Bitmap, "BITMAP_PRACTICE", true},
    {500, Kind::Text, "text 104", true},
    {501, Kind::Text, "00:00 / 00:00", true},
    {503, Kind::Group, "text 67", true},
    {502, Kind::Group, "text 68", true},
    {504, Kind::Group, "text 69", true},
    {505, Kind::Group, "text 70", true},
    {520, Kind::FocusSink, "BITMAP_EQ", true},
    {400, Kind::Bitmap, "BITMAP_MINIMIZE", true},
    {401, Kind::Bitmap, "BITMAP_CLOSE", true},
};

QString CaptionOf(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* text = qobject_cast<ui::CStaticText*>(control)) return text->text();
    if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
    return {};
}

TEST_F(MainWindowTest, HasEveryControlWithItsKindCaptionAndStartState) {
    // The template's controls; the pages are children without an identifier.
    std::vector<QWidget*> children = ui::ChildWindowsTopFirst(m_dialog.get());
    std::erase_if(children, [](QWidget* child) { return ui::GetDlgCtrlID(child) == 0; });
    ASSERT_EQ(children.size(), std::size(kControls));
    for (size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& expected = kControls[i];
        SCOPED_TRACE(expected.id);
        QWidget* control = children[i];
        EXPECT_EQ(ui::GetDlgCtrlID(control), expected.id);
        EXPECT_EQ(control->isEnabled(), expected.enabled);
        EXPECT_FALSE(control->isHidden());
        EXPECT_EQ(CaptionOf(control), QString::fromUtf8(expected.caption));
        switch (expected.kind) {
            case Kind::Bitmap: {
                auto* button = qobject_cast<ui::CBitmapButton*>(control);
                ASSERT_NE(button, nullptr);
                const QPixmap up = ui::LoadSkinBitmap(std::string(expected.caption) + "U");
                if (!up.isNull()) {
                    EXPECT_EQ(button->size(), up.size());  // bound to its set
                }
                break;
            }
            case Kind::FocusSink:  // never bound, never drawn, no mouse input
                ASSERT_NE(qobject_cast<ui::CFocusSink*>(control), nullptr);
                EXPECT_FALSE(qobject_cast<ui::CBitmapButton*>(control)->HasBitmaps());
                EXPECT_FALSE(control->autoFillBackground());
                EXPECT_TRUE(control->testAttribute(Qt::WA_TransparentForMouseEvents));
                break;
            case Kind::Slider:
                EXPECT_NE(qobject_cast<ui::CSliderCtrl*>(control), nullptr);
                EXPECT_EQ(qobject_cast<ui::CNoRepeatSliderCtrl*>(control), nullptr);
                break;
            case Kind::SoundSlider:
                EXPECT_NE(qobject_cast<ui::CNoRepeatSliderCtrl*>(control), nullptr);
                break;
            case Kind::Text:
                EXPECT_NE(qobject_cast<ui::CStaticText*>(control), nullptr);
                EXPECT_TRUE(control->testAttribute(Qt::WA_TransparentForMouseEvents));
                break;
            case Kind::Group:
                EXPECT_NE(qobject_cast<ui::CCaptionGroupBox*>(control), nullptr);
                break;
        }
    }
    EXPECT_TRUE(qobject_cast<ui::CStaticText*>(Item(500))->IsEndEllipsis());
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(MainWindowTest, IsAFramelessQuorvelWindowOf544By416WithTheSkinFonts) {
    EXPECT_EQ(m_dialog->size(), QSize(544, 416));
    EXPECT_EQ(m_dialog->windowTitle(), "Quorvel");
    EXPECT_TRUE(m_dialog->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(g_szLanguageFile, DataFolder() + "/Default.lan");

    const QFont time = Item(501)->font();
    EXPECT_EQ(QFontInfo(time).family(), "DejaVu Sans");
    EXPECT_EQ(time.pixelSize(), 18);
    EXPECT_EQ(time.weight(), QFont::Black);
    const QFont title = Item(500)->font();
    EXPECT_EQ(QFontInfo(title).family(), "DejaVu Sans Condensed");
    EXPECT_EQ(title.pixelSize(), 11);
    EXPECT_EQ(Item(502)->font().pixelSize(), 11);

    const QColor grey(226, 226, 226);
    for (int id : {500, 501, 502, 420, 440, 402}) {
        EXPECT_EQ(Item(id)->palette().color(Item(id)->backgroundRole()), grey) << id;
        EXPECT_TRUE(Item(id)->autoFillBackground()) << id;
        EXPECT_EQ(Item(id)->palette().color(QPalette::Active, QPalette::WindowText),
                  QApplication::palette().color(QPalette::Active, QPalette::WindowText));
    }
}

TEST_F(MainWindowTest, ControlsSitOnTheFixedPixelsWhateverTheScreenResolution) {
    // Run a second time by CTest with QT_FONT_DPI=120 and scaling off.
    const char* dpi = std::getenv("QT_FONT_DPI");
    EXPECT_EQ(m_dialog->logicalDpiY(), dpi ? std::atoi(dpi) : 96);
    EXPECT_EQ(Item(420)->geometry(), QRect(105, 280, 209, 18));  // 70, 172, 139, 11 units
    EXPECT_EQ(Item(500)->geometry(), QRect(38, 179, 251, 21));   // 25, 110, 167, 13
    EXPECT_EQ(Item(501)->geometry(), QRect(38, 203, 251, 33));   // 25, 125, 167, 20
    EXPECT_EQ(Item(503)->geometry(), QRect(350, 127, 153, 42));  // 233, 78, 102, 26
    EXPECT_EQ(Item(441)->geometry(), QRect(377, 294, 98, 18));   // 251, 181, 65, 11
    EXPECT_EQ(Item(401)->pos(), QPoint(483, 7));                 // 322, 4
    EXPECT_EQ(Item(402)->pos(), QPoint(284, 67));                // 189, 41
}

TEST_F(MainWindowTest, OutlineIsARoundedRectangleThatFollowsTheHeight) {
    QRegion mask = m_dialog->mask();
    EXPECT_TRUE(mask.contains(QPoint(270, 1)));
    EXPECT_FALSE(mask.contains(QPoint(270, 0)));
    EXPECT_TRUE(mask.contains(QPoint(534, 200)));
    EXPECT_FALSE(mask.contains(QPoint(536, 200)));
    EXPECT_FALSE(mask.contains(QPoint(3, 3)));
    EXPECT_TRUE(mask.contains(QPoint(12, 12)));
    EXPECT_FALSE(mask.contains(QPoint(532, 412)));
    EXPECT_TRUE(mask.contains(QPoint(524, 404)));

    m_dialog->show();
    m_dialog->resize(544, 610);  // a page shown
    mask = m_dialog->mask();
    EXPECT_TRUE(mask.contains(QPoint(270, 608)));
    EXPECT_FALSE(mask.contains(QPoint(270, 609)));
    EXPECT_TRUE(mask.contains(QPoint(1, 500)));
    EXPECT_FALSE(mask.contains(QPoint(532, 606)));
}

TEST_F(MainWindowTest, PaintsTheSkinBitmapsAtTheirPlaces) {
    const QImage top = ui::LoadSkinBitmap(111).toImage();
    const QImage bottom = ui::LoadSkinBitmap(112).toImage();
    const QImage edge = ui::LoadSkinBitmap(113).toImage();
    ASSERT_FALSE(top.isNull());
    ASSERT_FALSE(bottom.isNull());
    ASSERT_FALSE(edge.isNull());
    m_dialog->resize(544, 610);
    const QImage face = m_dialog->grab().toImage();
    EXPECT_EQ(face.pixelColor(100, 30), top.pixelColor(100, 30));
    EXPECT_EQ(face.pixelColor(100, 610 - 36 + 20), bottom.pixelColor(100, 20));
    EXPECT_EQ(face.pixelColor(3, 300), edge.pixelColor(3, 264));
    EXPECT_EQ(face.pixelColor(533, 300), edge.pixelColor(3, 264));
}

TEST_F(MainWindowTest, CaptionsComeFromTheLanguageFileAndAMissingFileShowsOneBoxPerText) {
    EXPECT_EQ(qobject_cast<QGroupBox*>(Item(503))->title(), "text 67");
    EXPECT_EQ(qobject_cast<ui::CStaticText*>(Item(500))->text(), "text 104");

    std::remove((DataFolder() + "/Default.lan").c_str());
    m_dialog.reset();  // the audio device is the process's: one main window at a time
    CQuorvelMainDlg second;
    ASSERT_TRUE(second.InitDialog());
    // 26 tooltips, the loop page's five texts, the equaliser page's five, the practice page's
    // seventeen (the count-in's three and the beat's line among them), then the window's five
    // captions
    ASSERT_EQ(m_boxes.Asked().size(), 58u);
    EXPECT_EQ(m_boxes.Asked()[0].caption, "Missing Language File");
    EXPECT_EQ(m_boxes.Asked()[0].owner, &second);
    EXPECT_EQ(qobject_cast<QGroupBox*>(second.GetDlgItem(502))->title(),
              "Can't open Default.lan language file.");
}

TEST_F(MainWindowTest, EscapeNeverClosesButTheCloseButtonDoes) {
    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QTest::keyClick(Item(440), Qt::Key_Escape);
    EXPECT_TRUE(m_dialog->isVisible());

    QTest::mouseClick(Item(401), Qt::LeftButton);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(MainWindowTest, FocusRestsOnTheHiddenSinkSoNoButtonShowsItsFocusPicture) {
    m_dialog->show();
    m_dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), Item(520));
}

TEST_F(MainWindowTest, DragsFromTheFaceAndThroughTheTextsButNotFromControls) {
    m_dialog->move(100, 100);
    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    auto dragFrom = [&](QPoint start) {
        const QPoint before = m_dialog->pos();
        // Through the window, so that the control under the pointer gets the press.
        QWindow* window = m_dialog->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, start);
        QTest::mouseMove(window, start + QPoint(30, 20));
        // Window coordinates: once the window has followed the pointer, it is back at start.
        const QPoint end = m_dialog->pos() == before ? start + QPoint(30, 20) : start;
        QTest::mouseRelease(window, Qt::LeftButton, {}, end);
        return m_dialog->pos() - before;
    };
    EXPECT_EQ(dragFrom(QPoint(150, 20)), QPoint(30, 20));                 // the face
    EXPECT_EQ(dragFrom(Item(500)->geometry().center()), QPoint(30, 20));  // the title text
    EXPECT_EQ(dragFrom(Item(402)->geometry().center()), QPoint(0, 0));    // a button
    EXPECT_EQ(dragFrom(Item(440)->geometry().center()), QPoint(0, 0));    // a slider
}

TEST_F(MainWindowTest, RightClickOnTheFaceOffersTheLanguagesAndChoosingOneSwitchesToIt) {
    std::string german;
    for (int line = 1; line <= 123; ++line)
        german += (line == 122 ? std::string("Sprache gewechselt.") : "Text") + "\n";
    testenv::WriteFile(DataFolder() + "/Deutsch.lan", german);
    m_dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    QWindow* window = m_dialog->windowHandle();

    QTest::mouseClick(window, Qt::RightButton, {}, Item(402)->geometry().center());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);  // not on a button

    QTest::mouseClick(window, Qt::RightButton, {}, QPoint(150, 20));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    // "Language", the separator, Deutsch (Default is left out), then the player's own items.
    ASSERT_EQ(actions.size(), 8);
    EXPECT_EQ(actions[2]->text(), "Deutsch");
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions[4]->text(), "text 126");
    ASSERT_NE(actions[4]->menu(), nullptr);  // Recent Songs, none yet
    EXPECT_EQ(actions[4]->menu()->actions().size(), 1);
    EXPECT_FALSE(actions[4]->menu()->actions()[0]->isEnabled());
    EXPECT_EQ(actions[5]->text(), "text 158");  // Time-Stretching
    ASSERT_NE(actions[5]->menu(), nullptr);
    EXPECT_EQ(actions[5]->menu()->actions().size(), 3);
    EXPECT_EQ(actions[6]->text(), "text 165");  // Output Device, the system's default first
    ASSERT_NE(actions[6]->menu(), nullptr);
    EXPECT_EQ(actions[6]->menu()->actions().value(0)->text(), "text 166");
    EXPECT_TRUE(actions[6]->menu()->actions().value(0)->isChecked());
    EXPECT_EQ(actions[7]->text(), "text 125");
    EXPECT_TRUE(actions[7]->isChecked());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions[2]).center());

    EXPECT_EQ(testenv::ReadFile(g_szLanguageFile), german);
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].text, "Sprache gewechselt.");
    EXPECT_EQ(m_boxes.Asked()[0].caption, "Quorvel");
    EXPECT_EQ(m_boxes.Asked()[0].owner, m_dialog.get());
    // Captions keep the language they were read in until the next start.
    EXPECT_EQ(qobject_cast<QGroupBox*>(Item(503))->title(), "text 67");
}

TEST_F(MainWindowTest, HelpOpensTheFileNamedByText123InTheDataFolder) {
    apptest::UrlCatcher catcher;
    QTest::mouseClick(Item(409), Qt::LeftButton);
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), DataFolder() + "/Help Page.html");
    EXPECT_TRUE(m_boxes.Asked().empty());
}

}  // namespace
