#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <filesystem>

#include "app/LanguageMenu.h"
#include "lang/DataFolder.h"
#include "lang/LanguageText.h"
#include "lang/SelectLanguage.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

using Names = std::vector<std::string>;

// A language file whose line 122 is the given text.
std::string LanguageWith122(const std::string& text) {
    std::string file;
    for (int line = 1; line < 122; ++line) file += "x\n";
    return file + text + "\n";
}

class LanguageMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = DataFolder();
        g_szLanguageFile = m_folder + "/Default.lan";
    }
    void Write(const std::string& name, const std::string& bytes = "x\n") {
        testenv::WriteFile(m_folder + "/" + name, bytes);
    }

    testenv::TempAppData m_appData;
    std::string m_folder;
    ui::ModalScript<ui::MessageQuestion> m_boxes{IDOK};
    std::vector<int> m_commands;
    CLanguageMenu m_menu{[this](int command) { m_commands.push_back(command); }};
    QWidget m_owner;
};

TEST_F(LanguageMenuTest, EntriesAreNamesBeforeTheLastDotWithoutDefault) {
    Write("Default.lan");
    Write("DEFAULT.lan");
    Write("English.lan");
    Write("Deutsch.lan");
    Write(".lan");
    Write("Pt.BR.lan");
    Write("notes.txt");
    std::filesystem::create_directory(m_folder + "/folder.lan");
    EXPECT_EQ(LanguageMenuEntries(m_folder), (Names{"", "Deutsch", "English", "Pt.BR"}));

    std::filesystem::remove(m_folder + "/.lan");
    std::filesystem::remove(m_folder + "/Deutsch.lan");
    std::filesystem::remove(m_folder + "/English.lan");
    std::filesystem::remove(m_folder + "/Pt.BR.lan");
    EXPECT_EQ(LanguageMenuEntries(m_folder), Names{});  // only the current language
    std::filesystem::remove(m_folder + "/Default.lan");
    std::filesystem::remove(m_folder + "/DEFAULT.lan");
    EXPECT_EQ(LanguageMenuEntries(m_folder), std::nullopt);
}

TEST_F(LanguageMenuTest, BuiltOnceWithAHeadingThatCannotBeChosenAndNumberedEntries) {
    Write("Default.lan", LanguageWith122("old"));
    Write("English.lan", LanguageWith122("Language changed.\\rRestart to see it."));
    Write("R&B.lan", LanguageWith122("rb"));
    EXPECT_FALSE(m_menu.OnCommand(&m_owner, 2000));  // nothing before the first right click

    m_menu.OnRButtonDown(&m_owner, QPoint(10, 10));
    QMenu* popup = m_menu.Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    const QList<QAction*> actions = popup->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), "Language");
    EXPECT_EQ(actions[0]->data().toInt(), CLanguageMenu::kLanguageItemId);
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->data().toInt(), 2000);
    EXPECT_EQ(actions[2]->text(), "English");
    EXPECT_EQ(actions[3]->data().toInt(), 2001);
    EXPECT_EQ(actions[3]->text(), "R&&B");  // shown as "R&B"

    // The heading stays put when clicked; an entry sends its command.
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(actions[0]).center());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(m_commands.empty());
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(actions[2]).center());
    EXPECT_EQ(m_commands, std::vector<int>{2000});

    // A new file is not seen until the next start.
    Write("Italiano.lan");
    m_menu.OnRButtonDown(&m_owner, QPoint(10, 10));
    EXPECT_EQ(m_menu.Popup(), popup);
    EXPECT_EQ(popup->actions().size(), 4);
    popup->hide();
}

TEST_F(LanguageMenuTest, ChoosingCopiesTheFileAndSaysSoInTheNewLanguage) {
    Write("Default.lan", LanguageWith122("old language"));
    Write("English.lan", LanguageWith122("Language changed.\\rRestart to see it."));
    Write("Zulu.lan", LanguageWith122("zulu"));
    m_menu.OnRButtonDown(&m_owner, QPoint(0, 0));
    m_menu.Popup()->hide();

    EXPECT_TRUE(m_menu.OnCommand(&m_owner, 2000));
    EXPECT_EQ(testenv::ReadFile(g_szLanguageFile),
              LanguageWith122("Language changed.\\rRestart to see it."));
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].caption, "Quorvel");
    EXPECT_EQ(m_boxes.Asked()[0].text, "Language changed.\rRestart to see it.");
    EXPECT_EQ(m_boxes.Asked()[0].owner, &m_owner);
    EXPECT_EQ(m_boxes.Asked()[0].style, MB_OK);

    EXPECT_FALSE(m_menu.OnCommand(&m_owner, 2002));  // past the last entry
    EXPECT_FALSE(m_menu.OnCommand(&m_owner, 1999));
    EXPECT_EQ(m_boxes.Asked().size(), 1u);
}

TEST_F(LanguageMenuTest, NoLanguageFileGivesAFatalErrorOnceThenOnlyThePlayersItems) {
    // The player's items are made anew at each opening.
    int openings = 0;
    m_menu.SetPlayerItems([&openings](QMenu& menu) {
        menu.addAction(QString("player item %1").arg(++openings));
    });
    m_menu.OnRButtonDown(&m_owner, QPoint(0, 0));
    ASSERT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(m_boxes.Asked()[0].caption, "Fatal Error");
    EXPECT_EQ(m_boxes.Asked()[0].text, "No language files found!");
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    Write("English.lan");  // too late for this run
    m_menu.OnRButtonDown(&m_owner, QPoint(0, 0));
    EXPECT_EQ(m_boxes.Asked().size(), 1u);
    ASSERT_NE(m_menu.Popup(), nullptr);
    EXPECT_TRUE(m_menu.Popup()->isVisible());
    ASSERT_EQ(m_menu.Popup()->actions().size(), 1);
    EXPECT_EQ(m_menu.Popup()->actions()[0]->text(), "player item 1");
    EXPECT_FALSE(m_menu.OnCommand(&m_owner, 2001));
    m_menu.Popup()->hide();
    m_menu.OnRButtonDown(&m_owner, QPoint(0, 0));
    ASSERT_EQ(m_menu.Popup()->actions().size(), 1);
    EXPECT_EQ(m_menu.Popup()->actions()[0]->text(), "player item 2");
    m_menu.Popup()->hide();
}

}  // namespace
