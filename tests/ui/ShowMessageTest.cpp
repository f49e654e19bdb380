#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <string>

#include "ui/ModalResponder.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"

namespace {

using Script = ui::ModalScript<ui::MessageQuestion>;

TEST(ShowMessage, FormatsPrintfStyleWithoutLimit) {
    Script boxes(IDOK);
    ShowMessage(nullptr, "Quorvel", MB_OK, "100%% done");
    const std::string longPath(5000, 'x');
    ShowMessage(nullptr, "Quorvel", MB_OK, "Can't open %s (%d)", longPath.c_str(), 41);

    ASSERT_EQ(boxes.Asked().size(), 2u);
    EXPECT_EQ(boxes.Asked()[0].text, "100% done");
    EXPECT_EQ(boxes.Asked()[0].caption, "Quorvel");
    EXPECT_EQ(boxes.Asked()[1].text, "Can't open " + longPath + " (41)");
}

TEST(ShowMessage, LanguageTextsThatDoNotTakeTheArgumentsAreShownAsTheyStand) {
    // Message formats come from the language file, which a user may edit: a text with more or
    // other placeholders than the message passes must not read arguments that were never given.
    Script boxes(IDOK);
    const std::string path = "/home/user/song.mp3";
    ShowMessage(nullptr, "Quorvel", MB_OK, "Can't open %s%s%s%s%n", path.c_str());
    ShowMessage(nullptr, "Quorvel", MB_OK, "Error %s", 41);
    ShowMessage(nullptr, "Quorvel", MB_OK, "Please open a song first %s");
    ShowMessage(nullptr, "Quorvel", MB_OK, "%s (%d)", path.c_str(), 41);
    ShowMessage(nullptr, "Quorvel", MB_OK, "%d%%", 5);
    ShowMessage(nullptr, "Quorvel", MB_OK, "Width %2000000000d", 7);
    ShowMessage(nullptr, "Quorvel", MB_OK, "%.1f %%", 99.25);

    ASSERT_EQ(boxes.Asked().size(), 7u);
    EXPECT_EQ(boxes.Asked()[0].text, "Can't open %s%s%s%s%n");
    EXPECT_EQ(boxes.Asked()[1].text, "Error %s");
    EXPECT_EQ(boxes.Asked()[2].text, "Please open a song first %s");
    EXPECT_EQ(boxes.Asked()[3].text, path + " (41)");
    EXPECT_EQ(boxes.Asked()[4].text, "5%");
    EXPECT_EQ(boxes.Asked()[5].text, "Width %2000000000d");  // would be 2 GB of spaces
    EXPECT_EQ(boxes.Asked()[6].text, "99.2 %");
}

TEST(ShowMessage, ReturnsTheAnswerAndPassesOwnerAndStyle) {
    Script boxes;
    boxes.Queue(IDYES);
    boxes.Queue(IDNO);
    QWidget owner;
    EXPECT_EQ(ShowMessage(&owner, "Quorvel", 0x134, "Discard?"), IDYES);
    EXPECT_EQ(ShowMessage(&owner, "Quorvel", 0x134, "Discard?"), IDNO);
    EXPECT_EQ(ShowMessage(&owner, "Fatal Error", 0x1010, "Stop"), 0);  // the script's default
    ASSERT_EQ(boxes.Asked().size(), 3u);
    EXPECT_EQ(boxes.Asked()[0].owner, &owner);
    EXPECT_EQ(boxes.Asked()[0].style, 0x134u);
    EXPECT_EQ(boxes.Asked()[2].style, 0x1010u);
}

TEST(ShowMessage, ResponderScopesNestAndRestore) {
    Script outer(IDOK);
    {
        Script inner(IDNO);
        EXPECT_EQ(ShowMessage(nullptr, "Quorvel", MB_YESNO, "inner"), IDNO);
    }
    EXPECT_EQ(ShowMessage(nullptr, "Quorvel", MB_OK, "outer"), IDOK);
    ASSERT_EQ(outer.Asked().size(), 1u);
    EXPECT_EQ(outer.Asked()[0].text, "outer");
}

// Answers the box that is open when the timer fires, the way a user would.
void AnswerOpenBoxWith(Qt::Key key, QMessageBox** seen) {
    QTimer::singleShot(0, [key, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        *seen = box;
        if (!box) return;
        QWidget* target = box->focusWidget() ? box->focusWidget() : box;
        QTest::keyClick(target, key);
    });
}

TEST(ShowMessage, RealQuestionBoxAnsweredWithEnterGivesNo) {
    ASSERT_FALSE(ui::ModalResponder<ui::MessageQuestion>::IsInstalled());
    QMessageBox* seen = nullptr;
    AnswerOpenBoxWith(Qt::Key_Return, &seen);
    const int answer = ShowMessage(nullptr, "Quorvel", 0x134, "Line one\rline two");
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(answer, IDNO);
}

TEST(ShowMessage, RealBoxesHaveTheStyleButtonsIconAndText) {
    QMessageBox* seen = nullptr;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    Qt::WindowModality modality = Qt::NonModal;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        seen = box;
        if (!box) return;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttonCount = static_cast<int>(box->buttons().size());
        modality = box->windowModality();
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
    });
    QWidget owner;
    EXPECT_EQ(ShowMessage(&owner, "Fatal Error", 0x1010, "Bad\rthing %s", "here"), IDOK);
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(text, "Bad\nthing here");
    EXPECT_EQ(title, "Fatal Error");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttonCount, 1);
    EXPECT_EQ(modality, Qt::ApplicationModal);
}

TEST(QtText, CarriageReturnsBecomeLineFeedsAndUtf8IsDecoded) {
    EXPECT_EQ(ui::ToQtText("a\rb\r\nc \xC3\xA9"), QString::fromUtf8("a\nb\nc \xC3\xA9"));
    EXPECT_EQ(ui::FromQtText(QString::fromUtf8("\xC3\xA9")), "\xC3\xA9");
}

}  // namespace
