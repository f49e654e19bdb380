#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "app/ShippedData.h"
#include "ui/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

class ShippedDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(Lang());
        fs::create_directories(Help() + "/images");
        fs::create_directories(Target());
        testenv::WriteFile(Lang() + "/English.lan", "English\n");
        testenv::WriteFile(Lang() + "/Deutsch.lan", "Deutsch\n");
        testenv::WriteFile(Lang() + "/notes.txt", "not a language\n");
        testenv::WriteFile(Help() + "/Quorvel.html", "<html>help</html>");
        testenv::WriteFile(Help() + "/images/face.png", "png");
        fs::permissions(Lang() + "/English.lan", fs::perms::owner_read | fs::perms::group_read);
    }
    std::string Root() const { return m_dir.path().toStdString(); }
    std::string Lang() const { return Root() + "/lang"; }
    std::string Help() const { return Root() + "/help"; }
    std::string Target() const { return Root() + "/Quorvel"; }
    void Install() {
        InstallShippedData(Target(), QString::fromStdString(Lang()),
                           QString::fromStdString(Help()));
    }

    QTemporaryDir m_dir;
};

TEST_F(ShippedDataTest, FirstStartCopiesLanguagesAndHelpAndMakesEnglishCurrent) {
    testenv::WriteFile(Target() + "/Deutsch.lan", "edited by the user\n");
    Install();
    EXPECT_EQ(testenv::ReadFile(Target() + "/English.lan"), "English\n");
    EXPECT_EQ(testenv::ReadFile(Target() + "/Deutsch.lan"), "edited by the user\n");
    EXPECT_EQ(testenv::ReadFile(Target() + "/Default.lan"), "English\n");
    EXPECT_EQ(testenv::ReadFile(Target() + "/Quorvel.html"), "<html>help</html>");
    EXPECT_EQ(testenv::ReadFile(Target() + "/images/face.png"), "png");
    EXPECT_FALSE(fs::exists(Target() + "/notes.txt"));
    // Read-only sources (as resources are) still give files that a language choice may replace.
    const fs::perms perms = fs::status(Target() + "/Default.lan").permissions();
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
}

TEST_F(ShippedDataTest, AnExistingDefaultLanguageIsNeverTouched) {
    testenv::WriteFile(Target() + "/Default.lan", "Deutsch\n");
    Install();
    EXPECT_EQ(testenv::ReadFile(Target() + "/Default.lan"), "Deutsch\n");
    EXPECT_FALSE(fs::exists(Target() + "/English.lan"));
}

TEST_F(ShippedDataTest, NothingHappensWithoutADataFolder) {
    fs::remove(Target());
    Install();
    EXPECT_FALSE(fs::exists(Target()));
}

}  // namespace
