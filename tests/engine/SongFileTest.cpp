#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "engine/OpenedFiles.h"
#include "engine/SongFile.h"
#include "ui/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

TEST(SongFile, Mp4DecoderIsChosenByACaseSensitiveSubstringOfTheWholePath) {
    EXPECT_TRUE(UsesMp4Decoder("/music/live.mp4"));
    EXPECT_TRUE(UsesMp4Decoder("/music/clips.mp4/song.mp3"));
    EXPECT_TRUE(UsesMp4Decoder("/music/a.mp4a"));
    EXPECT_FALSE(UsesMp4Decoder("/music/LIVE.MP4"));
    EXPECT_FALSE(UsesMp4Decoder("/music/song.m4a"));
}

TEST(SongFile, TitleIsTheNameAfterTheLastSlash) {
    EXPECT_EQ(SongTitleOf("/home/me/Songs/Blue Bossa.mp3"), "Blue Bossa.mp3");
    EXPECT_EQ(SongTitleOf("plain.wav"), "plain.wav");
    EXPECT_EQ(SongTitleOf("/dev/sr0/Track03.cda"), "Track03.cda");
    EXPECT_EQ(SongTitleOf("/odd/folder/"), "");
}

TEST(OpenedFiles, OnlyTemporaryEntriesAreDeleted) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    const std::string users = base + "/mine.wav";
    const std::string ripped = base + "/Track01.wav";
    const std::string shared = base + "/both.wav";
    const std::string folder = base + "/folder";
    for (const std::string& path : {users, ripped, shared}) testenv::WriteFile(path, "RIFF");
    fs::create_directory(folder);

    DeleteTemporaryFiles({users, base + "/gone.wav", ripped, shared, shared, folder, ripped},
                         {0, 1, 1, 0, 1, 1, 1});

    EXPECT_TRUE(fs::exists(users));
    EXPECT_FALSE(fs::exists(ripped));
    EXPECT_FALSE(fs::exists(shared));  // its flag-1 entry deletes it
    EXPECT_TRUE(fs::exists(folder));   // only files are deleted
}

}  // namespace
