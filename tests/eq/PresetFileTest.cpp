// The settings file that keeps the equaliser presets, read and written as real files.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "DefaultPresetFile.h"
#include "eq/PresetFile.h"
#include "eq/PresetTokens.h"
#include "support/Files.h"

namespace {

class PresetFileTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir.path().toStdString() + "/Quorvel.ini"; }
    void Write(const std::string& text) const { testenv::WriteFile(Path(), text); }
    std::string Read() const { return testenv::ReadFile(Path()); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const EqPreset& preset : ReadPresets(Path())) names.push_back(preset.name);
        return names;
    }

    QTemporaryDir m_dir;
};

const std::vector<std::string> kDefaultNames = {"Reset", "Volume +5", "Volume +10", "Classical",
                                                "Rock",  "Acoustic",  "Vocal",      "Bass"};

TEST_F(PresetFileTest, AMissingFileBecomesTheDefaultPresets) {
    ASSERT_TRUE(EnsurePresetFile(Path()));
    EXPECT_EQ(Read(), kDefaultPresetFile);
    EXPECT_EQ(Names(), kDefaultNames);
    const std::vector<EqPreset> presets = ReadPresets(Path());
    EXPECT_EQ(presets[6].gains, (std::array<int, 9>{-2, 2, 6, 6, -2, -2, -2, -2, -2}));

    // A usable file is left alone.
    Write("[EQPresets]\r\nPreset3=\"Mine\" 1 2 3 4 5 6 7 8 9\r\n");
    ASSERT_TRUE(EnsurePresetFile(Path()));
    EXPECT_EQ(Names(), std::vector<std::string>{"Mine"});
}

TEST_F(PresetFileTest, DeletingEveryPresetBringsTheDefaultsBackAtTheNextLoad) {
    ASSERT_TRUE(WritePresets(Path(), {}));
    EXPECT_EQ(Read(), "[EQPresets]\r\n");  // 13 bytes: too small to hold a preset
    ASSERT_TRUE(EnsurePresetFile(Path()));
    EXPECT_EQ(Names(), kDefaultNames);
}

TEST_F(PresetFileTest, KeysWithGapsAreReadInOrderAndWrittenFromZero) {
    Write(
        "[Language]\r\nLanguage=English\r\n[eqpresets]\r\n"
        "preset5=\"Second\" 1 1 1 1 1 1 1 1 1\r\n"
        "Preset0 = \"First one\" 20 -99 +3 x4 7x 0 0 0 -0\r\n");
    const std::vector<EqPreset> presets = ReadPresets(Path());
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0].name, "First one");
    EXPECT_EQ(presets[0].gains, (std::array<int, 9>{15, -15, 3, 0, 7, 0, 0, 0, 0}));
    EXPECT_EQ(presets[1].name, "Second");

    ASSERT_TRUE(WritePresets(Path(), presets));
    EXPECT_EQ(Read(),
              "[EQPresets]\r\n"
              "Preset0=\"First one\" 15 -15 3 0 7 0 0 0 0\r\n"
              "Preset1=\"Second\" 1 1 1 1 1 1 1 1 1\r\n");  // the language section is dropped
}

TEST_F(PresetFileTest, MalformedValuesAreSkipped) {
    Write(
        "[EQPresets]\r\n"
        "Preset0=\"Eight\" 1 2 3 4 5 6 7 8\r\n"
        "Preset1=\"Tab\" 1 2 3 4 5 6 7 8\t9\r\n"
        "Preset2=\r\n"
        "Preset3=<odd> 1 2 3 4 5 6 7 8 9\r\n"
        "Preset4=\"\" 0 0 0 0 0 0 0 0 0\r\n"
        "Preset5=\"Eleven\" 1 2 3 4 5 6 7 8 9 10\r\n"
        "Preset6=Plain 0 0 0 0 0 0 0 0 0\r\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"", "Plain"}));
}

TEST_F(PresetFileTest, AValueIsReadCutTo199Characters) {
    const std::string name(179, 'n');
    Write("[EQPresets]\r\nPreset0=\"" + name + "\" 1 2 3 4 5 6 7 8 1234\r\n");
    // 181 characters of name and quotes, 16 of the first eight gains: the last one keeps one digit.
    const std::vector<EqPreset> presets = ReadPresets(Path());
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0].gains[8], 1);
}

TEST_F(PresetFileTest, ANameWithADoubleQuoteIsKeptAsAnApostrophe) {
    ASSERT_TRUE(WritePresets(Path(), {EqPreset{"12\" speaker", {1, 2, 3, 4, 5, 6, 7, 8, 9}}}));
    const std::vector<EqPreset> presets = ReadPresets(Path());
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0].name, "12' speaker");
    EXPECT_EQ(presets[0].gains[8], 9);
}

TEST_F(PresetFileTest, ALongNameFromAHandEditedFileIsShortenedNotLostWhenSaved) {
    // Unquoted, the name fits the 199 characters the reader takes; quoted, it would push the
    // last gain out and the preset would be skipped at the next reading.
    const std::string longName(180, 'a');
    const std::string accented = std::string(87, 'b') + "\xc3\xa9\xc3\xa9";  // é é
    Write("[EQPresets]\r\nPreset0=" + longName + " 1 2 3 4 5 6 7 8 9\r\nPreset1=\"" + accented +
          "\" -15 -15 -15 -15 -15 -15 -15 -15 -15\r\n");
    const std::vector<EqPreset> read = ReadPresets(Path());
    ASSERT_EQ(read.size(), 2u);
    ASSERT_EQ(read[0].name, longName);

    ASSERT_TRUE(WritePresets(Path(), read));
    const std::vector<EqPreset> reread = ReadPresets(Path());
    ASSERT_EQ(reread.size(), 2u);
    EXPECT_EQ(reread[0].gains, read[0].gains);
    EXPECT_EQ(reread[0].name, longName.substr(0, reread[0].name.size()));
    EXPECT_GE(reread[0].name.size(), 170u);
    EXPECT_EQ(reread[1].name, read[1].name);  // short enough: unchanged
    EXPECT_EQ(reread[1].gains, read[1].gains);

    // Cut between characters, never inside one.
    std::string euros(60, 'c');
    for (int i = 0; i < 50; ++i) euros += "\xe2\x82\xac";  // €
    ASSERT_TRUE(WritePresets(Path(), {EqPreset{euros, {}}}));
    const std::vector<EqPreset> cut = ReadPresets(Path());
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_LT(cut[0].name.size(), euros.size());
    EXPECT_EQ((cut[0].name.size() - 60) % 3, 0u);
    EXPECT_EQ(cut[0].name, euros.substr(0, cut[0].name.size()));
}

TEST_F(PresetFileTest, AFileThatCannotBeWrittenLeavesNoPresetsAndNothingBroken) {
    const std::string nowhere = m_dir.path().toStdString() + "/missing/Quorvel.ini";
    EXPECT_FALSE(EnsurePresetFile(nowhere));
    EXPECT_FALSE(WritePresets(nowhere, {EqPreset{"A", {}}}));
    EXPECT_TRUE(ReadPresets(nowhere).empty());
    // A folder where the file should be is neither replaced nor read.
    std::filesystem::create_directory(Path());
    EXPECT_FALSE(EnsurePresetFile(Path()));
    EXPECT_TRUE(std::filesystem::is_directory(Path()));
    EXPECT_TRUE(ReadPresets(Path()).empty());
}

TEST(PresetTokens, QuotedNamesHoldSpacesAndOnlySpacesSeparate) {
    using Tokens = std::vector<std::string>;
    EXPECT_EQ(SplitPresetTokens("\"Volume +5\" 5  -5"), (Tokens{"Volume +5", "5", "-5"}));
    EXPECT_EQ(SplitPresetTokens("  a\tb \"\" \"open end"), (Tokens{"a\tb", "", "open end"}));
    EXPECT_EQ(SplitPresetTokens("x\"y z"), (Tokens{"x\"y", "z"}));
    EXPECT_TRUE(SplitPresetTokens("   ").empty());
}

}  // namespace
