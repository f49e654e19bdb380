// Track file folders over CUE/BIN images: where they go and who may enter, one file per audio
// track that the audio layer opens as the track itself, and files of discs no longer there gone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "audio/CdTrackFiles.h"
#include "support/CdImage.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

using namespace cd_test;
namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> FileNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadTrack(const std::string& trackFile) {
    const audio::HSTREAM h = audio::CD_StreamCreateFile(trackFile.c_str(), audio::STREAM_DECODE);
    EXPECT_NE(h, 0u) << trackFile << ": error " << audio::ErrorGetCode();
    std::string bytes;
    std::vector<char> block(20000);
    for (;;) {
        const audio::DWORD n = audio::ChannelGetData(h, block.data(), 20000);
        if (n == audio::DWORD(-1) || n == 0) break;
        bytes.append(block.data(), n);
    }
    audio::StreamFree(h);
    return bytes;
}

class CdTrackFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override { audio::CD_SetDrives(nullptr, 0); }
    std::string Path(const std::string& name) const {
        return m_dir.filePath(name.c_str()).toStdString();
    }
    void UseDrives(const std::vector<std::string>& devices) {
        std::vector<const char*> list;
        for (const std::string& d : devices) list.push_back(d.c_str());
        audio::CD_SetDrives(list.data(), static_cast<audio::DWORD>(list.size()));
    }

    QTemporaryDir m_dir;
};

TEST_F(CdTrackFiles, RuntimeFolderIsPrivateToTheUser) {
    {
        const std::string runtime = Path("run");
        fs::create_directory(runtime);
        testenv::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.c_str());
        EXPECT_EQ(CdRuntimeFolder(), runtime + "/quorvel/cd");
        EXPECT_EQ(ModeOf(runtime + "/quorvel"), 0700u);
        EXPECT_EQ(ModeOf(runtime + "/quorvel/cd"), 0700u);
    }
    // Without a runtime folder: the temporary folder, where others may have been first.
    testenv::ScopedEnv xdg("XDG_RUNTIME_DIR", "");
    testenv::ScopedEnv tmp("TMPDIR", Path("tmp").c_str());
    fs::create_directory(Path("tmp"));
    const std::string mine = Path("tmp") + "/quorvel-" + std::to_string(geteuid());
    fs::create_directory(mine);
    chmod(mine.c_str(), 0777);
    EXPECT_EQ(CdRuntimeFolder(), mine + "/cd");
    EXPECT_EQ(ModeOf(mine), 0700u);
    EXPECT_EQ(ModeOf(mine + "/cd"), 0700u);

    // A link planted under our name, to somewhere that would take our files, is not followed.
    fs::remove_all(mine);
    fs::create_directory(Path("elsewhere"));
    fs::create_directory_symlink(Path("elsewhere"), mine);
    EXPECT_EQ(CdRuntimeFolder(), "");
    EXPECT_TRUE(fs::is_empty(Path("elsewhere")));
    // A file under the name.
    fs::remove(mine);
    std::ofstream(mine) << "not a folder";
    EXPECT_EQ(CdRuntimeFolder(), "");
}

TEST_F(CdTrackFiles, EachAudioTrackOfEachDiscHasAFileThatOpensAsTheTrack) {
    testenv::ScopedEnv xdg("XDG_RUNTIME_DIR", Path("").c_str());
    const CdImage first(Path(""), "first", {Audio(20), Data(30), Audio(25)}, "First Disc");
    const CdImage second(Path(""), "second", {Audio(10)});
    UseDrives({first.Cue(), Path("empty.cue"), second.Cue()});

    const std::vector<CdTrackFolderEntry> folders = RefreshCdTrackFolders();
    ASSERT_EQ(folders.size(), 2u);  // the empty drive has none
    const std::string runtime = Path("quorvel/cd");
    std::string expectedName = first.Cue();
    std::replace(expectedName.begin(), expectedName.end(), '/', '_');
    EXPECT_EQ(folders[0].drive, 0u);
    EXPECT_EQ(folders[0].device, first.Cue());
    EXPECT_EQ(folders[0].folder, runtime + "/" + expectedName);
    EXPECT_EQ(folders[0].folder, CdTrackFolder(0));
    EXPECT_EQ(folders[1].drive, 2u);
    EXPECT_EQ(folders[1].folder, CdTrackFolder(2));
    EXPECT_FALSE(fs::exists(CdTrackFolder(1)));

    // The data track has no file; the numbers are the disc's own.
    EXPECT_EQ(FileNames(folders[0].folder),
              (std::vector<std::string>{"Track01.cda", "Track03.cda"}));
    EXPECT_EQ(CdTrackFilePath(0, 3), folders[0].folder + "/Track03.cda");
    EXPECT_EQ(testenv::ReadFile(CdTrackFilePath(0, 3)), "device=" + first.Cue() + "\ntrack=3\n");
    EXPECT_TRUE(ReadTrack(CdTrackFilePath(0, 1)) == first.TrackBytes(0));
    EXPECT_TRUE(ReadTrack(CdTrackFilePath(0, 3)) == first.TrackBytes(2));
    EXPECT_EQ(FileNames(folders[1].folder), (std::vector<std::string>{"Track01.cda"}));
    EXPECT_TRUE(ReadTrack(CdTrackFilePath(2, 1)) == second.TrackBytes(0));

    // Past the last drive there is nothing.
    EXPECT_EQ(CdTrackFolder(3), "");
    EXPECT_EQ(CdTrackFilePath(3, 1), "");
}

TEST_F(CdTrackFiles, FilesOfTracksNoLongerThereAreRemoved) {
    testenv::ScopedEnv xdg("XDG_RUNTIME_DIR", Path("").c_str());
    CdImage(Path(""), "tray", {Audio(10), Audio(10), Audio(10)});
    const std::string device = Path("tray.cue");
    UseDrives({device});
    ASSERT_EQ(RefreshCdTrackFolders().size(), 1u);
    const std::string folder = CdTrackFolder(0);
    EXPECT_EQ(FileNames(folder).size(), 3u);
    std::ofstream(folder + "/notes.txt") << "the user's own";
    std::ofstream(folder + "/.Track02.cda.tmp") << "half written";

    // Another disc, with fewer tracks and a data track where track 2 was.
    const CdImage other(Path(""), "tray", {Audio(12), Data(30)});
    ASSERT_EQ(RefreshCdTrackFolders().size(), 1u);
    EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"Track01.cda", "notes.txt"}));
    EXPECT_TRUE(ReadTrack(CdTrackFilePath(0, 1)) == other.TrackBytes(0));

    // The disc taken out: its files go, the folder stays only for what is not ours.
    fs::remove(device);
    EXPECT_TRUE(RefreshCdTrackFolders().empty());
    EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"notes.txt"}));
    fs::remove(folder + "/notes.txt");
    CdImage(Path(""), "tray", {Audio(5)});
    ASSERT_EQ(RefreshCdTrackFolders().size(), 1u);
    fs::remove(device);
    EXPECT_TRUE(RefreshCdTrackFolders().empty());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(CdTrackFiles, NoRuntimeFolderMeansNoTrackFiles) {
    // The temporary folder's place for us is taken by a file: nothing is written, nothing breaks.
    testenv::ScopedEnv xdg("XDG_RUNTIME_DIR", "");
    testenv::ScopedEnv tmp("TMPDIR", Path("").c_str());
    std::ofstream(Path("quorvel-" + std::to_string(geteuid()))) << "in the way";
    const CdImage disc(Path(""), "disc", {Audio(10)});
    UseDrives({disc.Cue()});
    EXPECT_TRUE(RefreshCdTrackFolders().empty());
    EXPECT_EQ(CdTrackFilePath(0, 1), "");
}

}  // namespace
