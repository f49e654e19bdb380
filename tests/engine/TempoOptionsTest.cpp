#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "engine/TempoOptions.h"
#include "ui/TestEnvironment.h"

namespace {

class TempoOptionsTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir.path().toStdString() + "/FX.ini"; }
    std::vector<TempoOption> Read(std::string_view text) {
        testenv::WriteFile(Path(), text);
        return ReadTempoOptions(Path());
    }
    QTemporaryDir m_dir;
};

TEST_F(TempoOptionsTest, EachKeySetsItsOptionUnlessItSaysNone) {
    const std::vector<TempoOption> options = Read(
        "[FX]\n"
        "BASS_FX_TEMPO_OPTION_OVERLAP_MS=<none>\n"
        "BASS_FX_TEMPO_OPTION_SEQUENCE_MS=abc\n"
        "BASS_FX_TEMPO_OPTION_USE_QUICKALGO=1\n"
        "BASS_FX_TEMPO_OPTION_SEEKWINDOW_MS=\n"
        "bass_fx_tempo_option_use_aa_filter = 0\n");
    const std::vector<TempoOption> expected{
        {audio::FX_TEMPO_OPTION_USE_AA_FILTER, 0},
        {audio::FX_TEMPO_OPTION_USE_QUICKALGO, 1},
        {audio::FX_TEMPO_OPTION_SEQUENCE_MS, 0},
        {audio::FX_TEMPO_OPTION_SEEKWINDOW_MS, 0},
    };
    EXPECT_EQ(options, expected);
}

TEST_F(TempoOptionsTest, NoneIsComparedWithItsCase) {
    const std::vector<TempoOption> options = Read(
        "[FX]\nBASS_FX_TEMPO_OPTION_AA_FILTER_LENGTH=<NONE>\n"
        "BASS_FX_TEMPO_OPTION_OVERLAP_MS=\" <none>\"\n");
    const std::vector<TempoOption> expected{{audio::FX_TEMPO_OPTION_AA_FILTER_LENGTH, 0},
                                            {audio::FX_TEMPO_OPTION_OVERLAP_MS, 0}};
    EXPECT_EQ(options, expected);
}

TEST_F(TempoOptionsTest, OnlyARegularFileIsRead) {
    EXPECT_TRUE(ReadTempoOptions(Path()).empty());                        // no file
    EXPECT_TRUE(Read("BASS_FX_TEMPO_OPTION_USE_QUICKALGO=1\n").empty());  // outside [FX]
    std::filesystem::remove(Path());
    std::filesystem::create_directory(Path());
    testenv::WriteFile(Path() + "/FX.ini", "[FX]\nBASS_FX_TEMPO_OPTION_USE_QUICKALGO=1\n");
    EXPECT_TRUE(ReadTempoOptions(Path()).empty());
}

}  // namespace
