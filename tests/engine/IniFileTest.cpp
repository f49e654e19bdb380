#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <climits>

#include "engine/IniFile.h"
#include "ui/TestEnvironment.h"

namespace {

std::string Lookup(std::string_view text, std::string_view section, std::string_view key,
                   std::size_t size = 200) {
    return GetProfileStringFromText(text, section, key, "<none>", size);
}

TEST(IniFile, SectionAndKeyMatchWithoutRegardToCaseAndBlanksAroundTheValueGo) {
    const std::string text =
        "; tempo options\r\n"
        "  [fx]  \r\n"
        "  Use_QuickAlgo   =   1  \r\n"
        "Sequence_MS=\t40\t\r\n"
        "[Other]\r\n"
        "USE_QUICKALGO=9\r\n";
    EXPECT_EQ(Lookup(text, "FX", "USE_QUICKALGO"), "1");
    EXPECT_EQ(Lookup(text, "Fx", "sequence_ms"), "40");
    EXPECT_EQ(Lookup(text, "other", "use_quickalgo"), "9");
}

TEST(IniFile, MissingSectionOrKeyOrEqualsSignGivesTheDefault) {
    const std::string text = "[FX]\nOVERLAP_MS\nEMPTY=\nQUOTED=\"<none>\"\n";
    EXPECT_EQ(Lookup(text, "FX", "SEEKWINDOW_MS"), "<none>");
    EXPECT_EQ(Lookup(text, "EQ", "EMPTY"), "<none>");
    EXPECT_EQ(Lookup(text, "FX", "OVERLAP_MS"), "<none>");
    EXPECT_EQ(Lookup(text, "FX", "EMPTY"), "");
    EXPECT_EQ(Lookup("", "FX", "EMPTY"), "<none>");
    // Keys before any section belong to none.
    EXPECT_EQ(Lookup("EMPTY=1\n[FX]\n", "FX", "EMPTY"), "<none>");
}

TEST(IniFile, FirstSectionAndFirstKeyOfANameCount) {
    const std::string text = "[FX]\nA=1\nA=2\n[Other]\nB=3\n[fx]\nB=4\nA=5\n";
    EXPECT_EQ(Lookup(text, "FX", "A"), "1");
    EXPECT_EQ(Lookup(text, "FX", "B"), "<none>");
}

TEST(IniFile, MatchingQuotesAroundTheValueAreDropped) {
    const std::string text =
        "[EQPresets]\nPreset0=\"Rock\" 1 2\nP1=\"Jazz\"\nP2='x'\nP3=\"half\nP4=\"\n";
    EXPECT_EQ(Lookup(text, "EQPresets", "Preset0"), "\"Rock\" 1 2");
    EXPECT_EQ(Lookup(text, "EQPresets", "P1"), "Jazz");
    EXPECT_EQ(Lookup(text, "EQPresets", "P2"), "x");
    EXPECT_EQ(Lookup(text, "EQPresets", "P3"), "\"half");
    EXPECT_EQ(Lookup(text, "EQPresets", "P4"), "\"");
}

TEST(IniFile, ValuesAreCutToTheBuffer) {
    const std::string text = "[S]\nK=" + std::string(300, 'v') + "\n";
    EXPECT_EQ(Lookup(text, "S", "K").size(), 199u);
    EXPECT_EQ(Lookup(text, "S", "K", 4), "vvv");
    EXPECT_EQ(GetProfileStringFromText(text, "S", "missing", "default", 4), "def");
}

TEST(IniFile, ReadsFilesAndTreatsUnreadableOnesAsEmpty) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/FX.ini";
    testenv::WriteFile(path, "[FX]\r\nKEY = value one \r\n");
    EXPECT_EQ(GetPrivateProfileString("fx", "key", "<none>", 200, path), "value one");
    EXPECT_EQ(GetPrivateProfileString("fx", "key", "<none>", 200, path + ".missing"), "<none>");
    EXPECT_EQ(GetPrivateProfileString("fx", "key", "<none>", 200, dir.path().toStdString()),
              "<none>");
}

TEST(IniFile, AsciiToIntTakesTheLeadingDecimalNumber) {
    EXPECT_EQ(AsciiToInt("1"), 1);
    EXPECT_EQ(AsciiToInt("abc"), 0);
    EXPECT_EQ(AsciiToInt(""), 0);
    EXPECT_EQ(AsciiToInt("  -12ms"), -12);
    EXPECT_EQ(AsciiToInt("+7"), 7);
    EXPECT_EQ(AsciiToInt("- 7"), 0);
    EXPECT_EQ(AsciiToInt("4.9"), 4);
    EXPECT_EQ(AsciiToInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(AsciiToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(AsciiToInt("-99999999999999999999"), INT_MIN);
}

}  // namespace
