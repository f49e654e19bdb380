#include <gtest/gtest.h>

#include <filesystem>

#include "lang/DataFolder.h"
#include "lang/LanguageText.h"
#include "lang/SelectLanguage.h"
#include "ui/TestEnvironment.h"

namespace {

TEST(SelectLanguage, CopiesTheChosenFileOverTheCurrentOne) {
    testenv::TempAppData appData;
    const std::string folder = DataFolder();
    g_szLanguageFile = folder + "/Default.lan";
    testenv::WriteFile(g_szLanguageFile, "old\n");
    testenv::WriteFile(folder + "/Deutsch.lan", "neu\n");
    std::filesystem::permissions(g_szLanguageFile, std::filesystem::perms::owner_read);

    EXPECT_TRUE(SelectLanguage("Deutsch"));
    EXPECT_EQ(testenv::ReadFile(g_szLanguageFile), "neu\n");
    EXPECT_EQ(testenv::ReadFile(folder + "/Deutsch.lan"), "neu\n");
    EXPECT_FALSE(std::filesystem::exists(g_szLanguageFile + ".partial"));
}

TEST(SelectLanguage, AMissingSourceLeavesTheCurrentLanguageAlone) {
    testenv::TempAppData appData;
    g_szLanguageFile = DataFolder() + "/Default.lan";
    testenv::WriteFile(g_szLanguageFile, "kept\n");

    EXPECT_FALSE(SelectLanguage("Klingon"));
    EXPECT_EQ(testenv::ReadFile(g_szLanguageFile), "kept\n");
}

}  // namespace
