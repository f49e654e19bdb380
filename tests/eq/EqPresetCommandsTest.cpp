// Saving, creating and deleting presets: the settings file and the list follow, the sound and
// the unsaved-changes flag do not.
#include <QLineEdit>
#include <filesystem>

#include "EqPageFixture.h"
#include "eq/QuorvelPresetNameDlg.h"

using eqtest::EqPageFixture;

namespace {

class EqPresetCommandsTest : public EqPageFixture {
protected:
    const ui::MessageQuestion& OnlyMessage() {
        EXPECT_EQ(m_boxes.Asked().size(), 1u);
        static const ui::MessageQuestion none;
        return m_boxes.Asked().empty() ? none : m_boxes.Asked().back();
    }
};

TEST_F(EqPresetCommandsTest, SaveCopiesTheSlidersIntoTheChosenPresetAndConfirms) {
    OpenWithSong();
    ClickLine(4);  // Rock
    Drag(0, -6);
    Drag(8, 2);
    g_bModified = 0;
    PressButton(740);
    const ui::MessageQuestion& box = OnlyMessage();
    EXPECT_EQ(box.text, "text 35");
    EXPECT_EQ(box.caption, "Quorvel");
    EXPECT_EQ(box.style, 0u);
    EXPECT_EQ(box.owner, m_page);
    // The whole table is written, numbered from 0; the language section is gone.
    const std::string file = SettingsFile();
    EXPECT_EQ(file.find("[Language]"), std::string::npos);
    EXPECT_EQ(file.rfind("[EQPresets]\r\n", 0), 0u);
    EXPECT_NE(file.find("Preset4=\"Rock\" 6 2 3 -1 -1 0 0 4 -2\r\n"), std::string::npos);
    EXPECT_NE(file.find("Preset7=\"Bass\" 15 10 8 6 0 -3 -6 -8 -8\r\n"), std::string::npos);
    EXPECT_EQ(g_bModified, 0);
    EXPECT_EQ(List()->GetCurSel(), 4);
}

TEST_F(EqPresetCommandsTest, SaveWithoutAChoiceWritesTheTableUnchanged) {
    testenv::WriteFile(PresetFilePath(),
                       "[EQPresets]\r\nPreset3=\"A\" 1 2 3 4 5 6 7 8 9\r\n"
                       "Preset9=\"B\" -1 -2 -3 -4 -5 -6 -7 -8 -9\r\n");
    OpenWithSong();
    Drag(3, 5);
    PressButton(740);
    EXPECT_EQ(OnlyMessage().text, "text 35");
    EXPECT_EQ(SettingsFile(),
              "[EQPresets]\r\nPreset0=\"A\" 1 2 3 4 5 6 7 8 9\r\n"
              "Preset1=\"B\" -1 -2 -3 -4 -5 -6 -7 -8 -9\r\n");
}

TEST_F(EqPresetCommandsTest, ASaveThatCannotBeWrittenSaysSoInsteadOfConfirming) {
    OpenWithSong();
    ClickLine(1);
    // Something that is not a file now stands where the settings file was.
    std::filesystem::remove(PresetFilePath());
    std::filesystem::create_directory(PresetFilePath());
    PressButton(740);
    EXPECT_EQ(OnlyMessage().text, "text 45 " + PresetFilePath());
    EXPECT_TRUE(std::filesystem::is_directory(PresetFilePath()));

    // Creating fails the same way: nothing can be listed, and the new preset is not kept.
    m_boxes.Clear();
    ui::ModalScript<PresetNameQuestion> names;
    names.Queue(std::string("Lost"));
    PressButton(741);
    EXPECT_EQ(OnlyMessage().text, "text 45 " + PresetFilePath());
    EXPECT_EQ(List()->GetCount(), 0);
    EXPECT_EQ(m_page->m_nPresetCount, 8);
    EXPECT_EQ(m_page->m_arrPresets[7].name, "Bass");
}

TEST_F(EqPresetCommandsTest, CreateAppendsThePresetUnderTheGivenNameAndChoosesIt) {
    OpenWithSong();
    ClickLine(2);  // Volume +10
    Drag(0, -12);
    g_bModified = 0;
    ui::ModalScript<PresetNameQuestion> names;
    names.Queue(std::string("My Mix"));
    PressButton(741);
    ASSERT_EQ(names.Asked().size(), 1u);
    EXPECT_EQ(names.Asked()[0].owner, m_page);
    EXPECT_TRUE(m_boxes.Asked().empty());
    EXPECT_EQ(m_page->m_nPresetCount, 9);
    EXPECT_EQ(ListedNames().back(), "My Mix");
    EXPECT_EQ(List()->GetCurSel(), 8);
    EXPECT_NE(SettingsFile().find("Preset8=\"My Mix\" 12 10 10 10 10 10 10 10 10\r\n"),
              std::string::npos);
    // The chosen Volume +10 was not overwritten by the sliders.
    EXPECT_NE(SettingsFile().find("Preset2=\"Volume +10\" 10 10 10 10"), std::string::npos);
    EXPECT_EQ(g_bModified, 0);
    EXPECT_EQ(StreamGains()[0], 12.0f);

    // Cancelled: nothing is created.
    const std::string before = SettingsFile();
    PressButton(741);
    EXPECT_EQ(names.Asked().size(), 2u);
    EXPECT_EQ(SettingsFile(), before);
    EXPECT_EQ(m_page->m_nPresetCount, 9);
    EXPECT_TRUE(m_boxes.Asked().empty());
}

TEST_F(EqPresetCommandsTest, CreateIsRefusedWhenTheListIsFull) {
    std::string file = "[EQPresets]\r\n";
    for (int i = 0; i < 100; ++i)
        file +=
            "Preset" + std::to_string(i) + "=\"P" + std::to_string(i) + "\" 0 0 0 0 0 0 0 0 0\r\n";
    testenv::WriteFile(PresetFilePath(), file);
    OpenWithSong();
    ui::ModalScript<PresetNameQuestion> names;
    names.Queue(std::string("One too many"));
    PressButton(741);
    EXPECT_EQ(OnlyMessage().text, "text 109 100");
    EXPECT_EQ(m_page->m_nPresetCount, 100);
    EXPECT_EQ(SettingsFile(), file);
}

TEST_F(EqPresetCommandsTest, DeleteRemovesTheChosenPresetAndKeepsTheSound) {
    testenv::WriteFile(PresetFilePath(),
                       "[EQPresets]\r\nPreset0=\"A\" 1 2 3 4 5 6 7 8 9\r\n"
                       "Preset1=\"B\" 0 0 0 0 0 0 0 0 0\r\n"
                       "Preset2=\"C\" -1 -2 -3 -4 -5 -6 -7 -8 -9\r\n");
    OpenWithSong();

    PressButton(742);  // nothing chosen
    EXPECT_EQ(OnlyMessage().text, "text 36");
    EXPECT_EQ(OnlyMessage().owner, m_page);
    EXPECT_EQ(m_page->m_nPresetCount, 3);

    ClickLine(1);
    Drag(0, 7);
    g_bModified = 0;
    PressButton(742);
    EXPECT_EQ(m_boxes.Asked().size(), 1u);
    EXPECT_EQ(SettingsFile(),
              "[EQPresets]\r\nPreset0=\"A\" 1 2 3 4 5 6 7 8 9\r\n"
              "Preset1=\"C\" -1 -2 -3 -4 -5 -6 -7 -8 -9\r\n");
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(List()->GetCurSel(), -1);
    EXPECT_EQ(Slider(0)->value(), 7);
    EXPECT_EQ(StreamGains()[0], -7.0f);
    EXPECT_EQ(g_bModified, 0);

    // The last one gone, the default presets come back.
    ClickLine(0);
    PressButton(742);
    ClickLine(0);
    PressButton(742);
    EXPECT_EQ(SettingsFile(), kDefaultPresetFile);
    EXPECT_EQ(m_page->m_nPresetCount, 8);
}

// The dialog itself, driven through the seam as a user would.
class PresetNameDialogTest : public EqPageFixture {};

TEST_F(PresetNameDialogTest, TakesTheNameWithoutBlanksAndInsistsOnOne) {
    OpenWithSong();
    int asked = 0;
    ui::ScopedModalResponder<PresetNameQuestion> user(
        [&](const PresetNameQuestion& question) -> std::optional<std::string> {
            ++asked;
            QuorvelPresetNameDlg* dialog = question.dialog;
            EXPECT_EQ(dialog->windowTitle(), "text 74");
            EXPECT_EQ(dialog->GetDlgItem(508)->property("text").toString(), "text 77");
            EXPECT_EQ(dialog->GetDlgItem(780)->property("text").toString(), "text 75");
            EXPECT_EQ(dialog->GetDlgItem(781)->property("text").toString(), "text 76");
            QLineEdit* edit = dialog->NameEdit();
            EXPECT_TRUE(edit->text().isEmpty());
            dialog->show();
            // Blanks only: the dialog stays, its text selected for typing again.
            QTest::keyClicks(edit, "   ");
            QTest::keyClick(edit, Qt::Key_Return);
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(edit->selectedText(), "   ");
            edit->setText("  Late Night \t");
            QTest::keyClick(edit, Qt::Key_Return);  // Enter is OK
            EXPECT_FALSE(dialog->isVisible());
            if (dialog->result() != QDialog::Accepted) return std::nullopt;
            return dialog->m_strName;
        });
    PressButton(741);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ListedNames().back(), "Late Night");
}

TEST_F(PresetNameDialogTest, CancelAndEscapeCreateNothing) {
    OpenWithSong();
    const std::string before = SettingsFile();
    for (bool bEscape : {false, true}) {
        ui::ScopedModalResponder<PresetNameQuestion> user(
            [&](const PresetNameQuestion& question) -> std::optional<std::string> {
                QuorvelPresetNameDlg* dialog = question.dialog;
                dialog->show();
                dialog->NameEdit()->setText("Kept out");
                if (bEscape)
                    QTest::keyClick(dialog->NameEdit(), Qt::Key_Escape);
                else
                    qobject_cast<QAbstractButton*>(dialog->GetDlgItem(781))->click();
                EXPECT_FALSE(dialog->isVisible());
                if (dialog->result() != QDialog::Accepted) return std::nullopt;
                return dialog->m_strName;
            });
        PressButton(741);
    }
    EXPECT_EQ(SettingsFile(), before);
    EXPECT_EQ(m_page->m_nPresetCount, 8);
}

}  // namespace
