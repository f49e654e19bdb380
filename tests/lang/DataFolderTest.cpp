#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "lang/DataFolder.h"
#include "ui/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

TEST(DataFolder, IsQuorvelUnderAppDataAndIsCreated) {
    testenv::TempAppData appData;
    testenv::ScopedEnv xdg("XDG_DATA_HOME", "/nonexistent-xdg");
    EXPECT_EQ(DataFolder(), appData.Folder());
    EXPECT_TRUE(fs::is_directory(appData.Folder()));
}

TEST(DataFolder, FallsBackToXdgDataHomeThenToHome) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    testenv::ScopedEnv noAppData("APPDATA", nullptr);
    {
        testenv::ScopedEnv xdg("XDG_DATA_HOME", (root + "/xdg").c_str());
        EXPECT_EQ(DataFolder(), root + "/xdg/Quorvel");
        EXPECT_TRUE(fs::is_directory(root + "/xdg/Quorvel"));
    }
    testenv::ScopedEnv noXdg("XDG_DATA_HOME", nullptr);
    testenv::ScopedEnv home("HOME", (root + "/home").c_str());
    EXPECT_EQ(DataFolder(), root + "/home/.local/share/Quorvel");
    EXPECT_TRUE(fs::is_directory(root + "/home/.local/share/Quorvel"));
}

TEST(DataFolder, CreatesOnlyTheLastLevelUnderAppData) {
    QTemporaryDir dir;
    const std::string missingParent = dir.path().toStdString() + "/not/there";
    testenv::ScopedEnv appData("APPDATA", missingParent.c_str());
    EXPECT_EQ(DataFolder(), missingParent + "/Quorvel");
    EXPECT_FALSE(fs::exists(missingParent));
}

TEST(DataFolder, APlainFileInThePlaceFailsSilentlyAndSurvives) {
    testenv::TempAppData appData;
    testenv::WriteFile(appData.Folder(), "user data");
    EXPECT_EQ(DataFolder(), appData.Folder());
    EXPECT_EQ(DataFolder(), appData.Folder());
    EXPECT_TRUE(fs::is_regular_file(appData.Folder()));
    EXPECT_EQ(testenv::ReadFile(appData.Folder()), "user data");
}

}  // namespace
