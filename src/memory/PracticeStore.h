// The practice memory's database: one SQLite file in the data folder holding every song's
// settings, its named loops and when it was last opened. The file is opened with its write-ahead
// log on, brought to the current schema by the migrations, and every change is one transaction.
//
// The user's file is never deleted or overwritten: a file that is not a database, or a damaged
// one, is renamed aside with the date and a new one started; one locked by another program is
// left alone; one written by a newer version of the player is only read.
//
// Thread-safe: the user-interface thread reads while the memory's own thread writes.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "memory/SongMemory.h"

struct sqlite3;

namespace memory {

enum class StoreState {
    Writable,
    ReadOnlyNewer,  // written by a newer version of the player: read, never written
    ReadOnlyFile,   // the file or its folder cannot be written: read, never written
    Unavailable,    // locked by another program, or cannot be opened at all
};

struct StoreOpening {
    StoreState state = StoreState::Unavailable;
    std::string problem;       // why the store is not writable, in SQLite's words
    std::string setAsidePath;  // where a damaged file was moved to; empty when none was
};

// One change to a song's memory; what it leaves empty stays as it was.
struct SongWrite {
    std::string fingerprint;
    std::string path;                      // the song's path now, kept for the recent list
    std::optional<std::int64_t> openedAt;  // milliseconds since the epoch
    std::optional<SongSettings> settings;
    std::optional<std::uint64_t> position;
    // Takes what `newer` sets over what this one sets.
    void Merge(SongWrite&& newer);
};

class PracticeStore {
public:
    // The schema version this player writes (SQLite's user_version).
    static int SchemaVersion();

    // Opens the file at `path`, creating it when missing. See Opening() for how it went.
    explicit PracticeStore(std::string path);
    ~PracticeStore();
    PracticeStore(const PracticeStore&) = delete;
    PracticeStore& operator=(const PracticeStore&) = delete;

    const StoreOpening& Opening() const { return m_opening; }
    bool CanRead() const { return m_db != nullptr; }
    bool CanWrite() const { return m_db && m_opening.state == StoreState::Writable; }

    // The song's memory; none when the store holds nothing of it or cannot be read.
    std::optional<SongMemory> Read(const std::string& fingerprint);
    // False, with LastError() saying why, when the change was not written (nothing of it was).
    bool Write(const SongWrite& write);
    // The last paths of the songs opened last, newest first, at most `limit`.
    std::vector<std::string> RecentPaths(int limit);
    std::string LastError() const;

private:
    void Open();
    // False with the problem noted when the file cannot be used; `damaged` tells whether it is
    // a damaged database rather than a busy or unreadable one.
    bool Check(bool& damaged);
    bool Migrate();
    void SetAside();
    void Close();
    bool Exec(const char* sql);
    std::string Error() const;

    std::string m_path;
    sqlite3* m_db = nullptr;
    StoreOpening m_opening;
    mutable std::mutex m_mutex;
    std::string m_lastError;
};

}  // namespace memory
