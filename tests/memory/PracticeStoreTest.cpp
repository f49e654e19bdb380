// The practice memory's database file: what is written comes back exactly, in any script and
// across a reopening; a file the store cannot use is reported and never lost or overwritten.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <functional>

#include "memory/PracticeStore.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;
using memory::NamedLoop;
using memory::PracticeStore;
using memory::SongSettings;
using memory::SongWrite;
using memory::StoreState;

SongSettings Practised() {
    SongSettings settings;
    settings.tempo = 80;
    settings.pitch = -200;
    settings.vocal = 120;
    settings.eqGains = {0, 2, 3, -1, -1, 0, 0, 4, 4};
    settings.eqPreset = "Rock";
    settings.loopStart = 176400;
    settings.loopEnd = 352800;
    settings.beat = 123.5;
    settings.trainer = {60, 4, 3, 95, 6, true};
    settings.namedLoops = {
        {"intro", 0, 88200},
        {"the \"solo\" 'again'; DROP TABLE song; --", 176400, 352800},
        {std::string(100, 'x'), 4, 0},
        {"ソロ «Solo» Соло सोलो", 8, 16},
    };
    return settings;
}

// Runs a raw statement on the file, outside the store.
void Sql(const std::string& path, const std::string& statement) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

class PracticeStoreTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name = "Practice.sqlite") const {
        return m_dir.path().toStdString() + "/" + name;
    }
    // A store file holding one practised song, closed again.
    void MakeStore() {
        PracticeStore store(Path());
        ASSERT_TRUE(store.CanWrite());
        SongWrite write{"song", "/music/song.mp3", 1000, Practised(), 4242};
        ASSERT_TRUE(store.Write(write)) << store.LastError();
    }

    QTemporaryDir m_dir;
};

TEST_F(PracticeStoreTest, GivesBackExactlyWhatWasWrittenAcrossAReopening) {
    {
        PracticeStore store(Path());
        ASSERT_EQ(store.Opening().state, StoreState::Writable) << store.Opening().problem;
        EXPECT_FALSE(store.Read("song"));
        ASSERT_TRUE(store.Write({"song", "/music/song.mp3", 1000, Practised(), 4242}));
        // A later write of the position alone leaves the settings as they are; the path follows
        // the song.
        ASSERT_TRUE(store.Write({"song", "/moved/song.mp3", std::nullopt, std::nullopt, 99}));
        ASSERT_TRUE(store.Write({"other", "/music/other.mp3", 2000, SongSettings{}, 0}));
        ASSERT_TRUE(store.Write({"never opened", "/music/x.mp3", std::nullopt, std::nullopt, 5}));
    }
    PracticeStore store(Path());
    ASSERT_TRUE(store.CanWrite());
    const std::optional<memory::SongMemory> song = store.Read("song");
    ASSERT_TRUE(song);
    EXPECT_EQ(song->settings, Practised());
    EXPECT_EQ(song->position, 99u);
    EXPECT_EQ(song->lastPath, "/moved/song.mp3");
    EXPECT_EQ(store.Read("other")->settings, SongSettings{});
    EXPECT_EQ(store.RecentPaths(10),
              (std::vector<std::string>{"/music/other.mp3", "/moved/song.mp3"}));

    // Merged writes: the newer settings and position win, the older opening stays.
    SongWrite older{"song", "/a.mp3", 7, Practised(), 1};
    SongSettings changed = Practised();
    changed.namedLoops.pop_back();
    older.Merge({"song", "/b.mp3", std::nullopt, changed, std::nullopt});
    EXPECT_EQ(older.path, "/b.mp3");
    EXPECT_EQ(older.openedAt, 7);
    EXPECT_EQ(older.settings, changed);
    EXPECT_EQ(older.position, 1u);
}

// Runs `check` as a user who may not write the store's file; root may write any file, so root
// runs it in a child process as nobody. The check's result is the test's.
bool AsUserWhoCannotWrite(const std::string& folder, const std::string& file,
                          const std::function<bool()>& check) {
    ::chmod(file.c_str(), 0444);
    if (::geteuid() != 0) return check();
    ::chmod(folder.c_str(), 0777);  // the log's index may still be made beside it
    const pid_t child = ::fork();
    if (child == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && check();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(PracticeStoreTest, AFileItCannotUseIsReportedAndLeftAsItWas) {
    // Not a database at all: moved aside under the date, and a new store started.
    const std::string garbage(5000, '?');
    testenv::WriteFile(Path(), garbage);
    {
        PracticeStore store(Path());
        EXPECT_EQ(store.Opening().state, StoreState::Writable) << store.Opening().problem;
        const std::string aside = store.Opening().setAsidePath;
        ASSERT_NE(aside.find("Practice.sqlite.damaged-"), std::string::npos) << aside;
        EXPECT_EQ(testenv::ReadFile(aside), garbage);
        EXPECT_TRUE(store.Write({"song", "/s.mp3", 1, Practised(), 0}));
    }
    fs::remove(Path());

    // From a newer player: read as far as this one knows it, never written.
    MakeStore();
    Sql(Path(), "PRAGMA user_version=" + std::to_string(PracticeStore::SchemaVersion() + 1));
    std::string before = testenv::ReadFile(Path());
    {
        PracticeStore store(Path());
        EXPECT_EQ(store.Opening().state, StoreState::ReadOnlyNewer);
        ASSERT_TRUE(store.Read("song"));
        EXPECT_EQ(store.Read("song")->settings, Practised());
        EXPECT_FALSE(store.Write({"song", "/s.mp3", 1, SongSettings{}, 0}));
    }
    EXPECT_EQ(testenv::ReadFile(Path()), before);
    fs::remove(Path());

    // Locked by another program: not used, not touched.
    MakeStore();
    before = testenv::ReadFile(Path());
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(Path().c_str(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other,
                               "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                               "UPDATE song SET tempo = 50;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        PracticeStore store(Path());
        EXPECT_EQ(store.Opening().state, StoreState::Unavailable);
        EXPECT_NE(store.Opening().problem.find("locked"), std::string::npos)
            << store.Opening().problem;
        EXPECT_FALSE(store.Read("song"));
        EXPECT_TRUE(store.Opening().setAsidePath.empty());
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }
    EXPECT_EQ(testenv::ReadFile(Path()), before);
    EXPECT_EQ(PracticeStore(Path()).Read("song")->settings.tempo, 80);
    fs::remove(Path());

    // A file the user may only read: read, never written.
    MakeStore();
    before = testenv::ReadFile(Path());
    EXPECT_TRUE(AsUserWhoCannotWrite(m_dir.path().toStdString(), Path(), [this] {
        PracticeStore store(Path());
        const std::optional<memory::SongMemory> song = store.Read("song");
        return store.Opening().state == StoreState::ReadOnlyFile && song &&
               song->settings == Practised() && !store.Write({"song", "/s.mp3", 1, {}, 0});
    }));
    EXPECT_EQ(testenv::ReadFile(Path()), before);
}

TEST_F(PracticeStoreTest, APlaceItCannotOpenLeavesTheStoreUnavailable) {
    fs::create_directory(Path());  // a folder where the file would be
    PracticeStore store(Path());
    EXPECT_EQ(store.Opening().state, StoreState::Unavailable);
    EXPECT_FALSE(store.Opening().problem.empty());
    EXPECT_FALSE(store.CanRead());
    EXPECT_FALSE(store.Write({"song", "/s.mp3", 1, Practised(), 0}));
    EXPECT_TRUE(store.RecentPaths(10).empty());
    EXPECT_TRUE(fs::is_directory(Path()));
}

}  // namespace
