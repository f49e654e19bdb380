#include "memory/PracticeStore.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <sstream>
#include <utility>

namespace memory {

namespace {

// Each entry brings the schema from the version before it to its own (entry 0 makes version 1).
// Entries are never changed once released: a later change is a new entry.
constexpr const char* kMigrations[] = {
    // 1: songs by their fingerprint, and their named loops in the order the user made them.
    "CREATE TABLE song("
    "  fingerprint TEXT PRIMARY KEY,"
    "  last_path TEXT NOT NULL,"
    "  opened_at INTEGER NOT NULL DEFAULT 0,"
    "  tempo INTEGER NOT NULL DEFAULT 100,"
    "  pitch INTEGER NOT NULL DEFAULT 0,"
    "  vocal INTEGER NOT NULL DEFAULT 0,"
    "  eq_gains TEXT NOT NULL DEFAULT '',"
    "  eq_preset TEXT NOT NULL DEFAULT '',"
    "  loop_start INTEGER NOT NULL DEFAULT 0,"
    "  loop_end INTEGER NOT NULL DEFAULT 0,"
    "  position INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX song_by_opened ON song(opened_at);"
    "CREATE TABLE named_loop("
    "  fingerprint TEXT NOT NULL REFERENCES song(fingerprint) ON DELETE CASCADE,"
    "  ordinal INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  loop_start INTEGER NOT NULL,"
    "  loop_end INTEGER NOT NULL,"
    "  PRIMARY KEY(fingerprint, ordinal));",
    // 2: the song's beat, found or tapped.
    "ALTER TABLE song ADD COLUMN beat REAL NOT NULL DEFAULT 0;",
    // 3: the speed trainer's values.
    "ALTER TABLE song ADD COLUMN trainer_start INTEGER NOT NULL DEFAULT 70;"
    "ALTER TABLE song ADD COLUMN trainer_step INTEGER NOT NULL DEFAULT 5;"
    "ALTER TABLE song ADD COLUMN trainer_passes INTEGER NOT NULL DEFAULT 2;"
    "ALTER TABLE song ADD COLUMN trainer_target INTEGER NOT NULL DEFAULT 100;",
    // 4: the trainer's count-in.
    "ALTER TABLE song ADD COLUMN trainer_count_in INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE song ADD COLUMN trainer_count_in_first_only INTEGER NOT NULL DEFAULT 0;",
};

// Waiting this long for another connection's lock before calling the file busy.
constexpr int kBusyTimeoutMs = 250;

// A prepared statement, finalised on every way out.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return m_statement != nullptr; }
    Statement& Bind(int index, const std::string& text) {
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, std::int64_t value) {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Statement& Bind(int index, double value) {
        sqlite3_bind_double(m_statement, index, value);
        return *this;
    }
    Statement& BindNull(int index) {
        sqlite3_bind_null(m_statement, index);
        return *this;
    }
    int Step() { return m_statement ? sqlite3_step(m_statement) : SQLITE_ERROR; }
    // Runs a statement that returns no rows.
    bool Run() { return Step() == SQLITE_DONE; }
    std::int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    double Real(int column) const { return sqlite3_column_double(m_statement, column); }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(m_statement, column);
        return text ? std::string(reinterpret_cast<const char*>(text),
                                  static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                    : std::string();
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

std::string GainsText(const std::array<int, kRememberedEqBands>& gains) {
    std::string text;
    for (int gain : gains) {
        if (!text.empty()) text += ' ';
        text += std::to_string(gain);
    }
    return text;
}

// Bands missing from the text read as flat.
std::array<int, kRememberedEqBands> GainsFromText(const std::string& text) {
    std::array<int, kRememberedEqBands> gains{};
    std::istringstream numbers(text);
    for (int& gain : gains)
        if (!(numbers >> gain)) break;
    return gains;
}

std::string DateSuffix() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &local);
    return text;
}

}  // namespace

void SongWrite::Merge(SongWrite&& newer) {
    path = std::move(newer.path);
    if (newer.openedAt) openedAt = newer.openedAt;
    if (newer.settings) settings = std::move(newer.settings);
    if (newer.position) position = newer.position;
}

int PracticeStore::SchemaVersion() {
    return static_cast<int>(std::size(kMigrations));
}

PracticeStore::PracticeStore(std::string path) : m_path(std::move(path)) {
    Open();
}

PracticeStore::~PracticeStore() {
    Close();
}

void PracticeStore::Close() {
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

std::string PracticeStore::Error() const {
    return m_db ? sqlite3_errmsg(m_db) : "out of memory";
}

bool PracticeStore::Exec(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void PracticeStore::Open() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
        if (sqlite3_open_v2(m_path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
            m_opening = {StoreState::Unavailable, Error(), m_opening.setAsidePath};
            Close();
            return;
        }
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        bool damaged = false;
        if (Check(damaged)) break;
        Close();
        // A damaged file goes aside once; a new one that fails too is reported as it is.
        if (!damaged || attempt > 0) {
            m_opening.state = StoreState::Unavailable;
            return;
        }
        SetAside();
        if (m_opening.setAsidePath.empty()) return;
    }

    Statement version(m_db, "PRAGMA user_version");
    const int found = version.Step() == SQLITE_ROW ? static_cast<int>(version.Int(0)) : 0;
    if (found > SchemaVersion()) {
        // Another version's schema is read as far as this one knows it, and never changed.
        Close();
        sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX,
                        nullptr);
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        m_opening.state = StoreState::ReadOnlyNewer;
        m_opening.problem = "schema version " + std::to_string(found) + ", newer than " +
                            std::to_string(SchemaVersion());
        return;
    }
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        // An older schema cannot be brought up to date, and this player's reads need it.
        const bool bCurrent = found == SchemaVersion();
        m_opening.state = bCurrent ? StoreState::ReadOnlyFile : StoreState::Unavailable;
        m_opening.problem = "the file cannot be written";
        if (!bCurrent) Close();
        return;
    }
    // The log makes a write cheap and never blocks a reader; NORMAL keeps every committed change
    // across a crash of the player (only a power cut may lose the last one).
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=NORMAL");
    Exec("PRAGMA foreign_keys=ON");
    if (!Migrate()) {
        m_opening.state = StoreState::Unavailable;
        m_opening.problem = Error();
        Close();
        return;
    }
    m_opening.state = StoreState::Writable;
}

bool PracticeStore::Check(bool& damaged) {
    Statement check(m_db, "PRAGMA quick_check");
    const int result = check.Step();
    const int code = sqlite3_errcode(m_db) & 0xff;
    if (result == SQLITE_ROW && check.Text(0) == "ok") return true;
    damaged = result == SQLITE_ROW || code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
    m_opening.problem =
        result == SQLITE_ROW ? "the file is damaged (" + check.Text(0) + ")" : Error();
    return false;
}

bool PracticeStore::Migrate() {
    if (!Exec("BEGIN IMMEDIATE")) return false;
    Statement version(m_db, "PRAGMA user_version");
    const int found = version.Step() == SQLITE_ROW ? static_cast<int>(version.Int(0)) : 0;
    for (int step = found; step < SchemaVersion(); ++step)
        if (!Exec(kMigrations[step])) {
            const std::string problem = Error();
            Exec("ROLLBACK");
            m_lastError = problem;
            return false;
        }
    const std::string setVersion = "PRAGMA user_version=" + std::to_string(SchemaVersion());
    if (!Exec(setVersion.c_str()) || !Exec("COMMIT")) {
        Exec("ROLLBACK");
        return false;
    }
    return true;
}

void PracticeStore::SetAside() {
    const std::string aside = m_path + ".damaged-" + DateSuffix();
    if (std::rename(m_path.c_str(), aside.c_str()) != 0) {
        m_opening.problem += "; it could not be moved aside";
        return;
    }
    // The log and its index belong to the damaged file and go with it.
    for (const char* part : {"-wal", "-shm"})
        std::rename((m_path + part).c_str(), (aside + part).c_str());
    m_opening.setAsidePath = aside;
}

std::optional<SongMemory> PracticeStore::Read(const std::string& fingerprint) {
    const std::lock_guard lock(m_mutex);
    if (!m_db) return std::nullopt;
    Statement song(m_db,
                   "SELECT last_path, tempo, pitch, vocal, eq_gains, eq_preset, loop_start, "
                   "loop_end, position, beat, trainer_start, trainer_step, trainer_passes, "
                   "trainer_target, trainer_count_in, trainer_count_in_first_only FROM song "
                   "WHERE fingerprint = ?1");
    song.Bind(1, fingerprint);
    if (song.Step() != SQLITE_ROW) return std::nullopt;
    SongMemory memory;
    memory.lastPath = song.Text(0);
    SongSettings& settings = memory.settings;
    settings.tempo = static_cast<int>(song.Int(1));
    settings.pitch = static_cast<int>(song.Int(2));
    settings.vocal = static_cast<int>(song.Int(3));
    settings.eqGains = GainsFromText(song.Text(4));
    settings.eqPreset = song.Text(5);
    settings.loopStart = static_cast<std::uint64_t>(song.Int(6));
    settings.loopEnd = static_cast<std::uint64_t>(song.Int(7));
    memory.position = static_cast<std::uint64_t>(song.Int(8));
    settings.beat = song.Real(9);
    settings.trainer = {static_cast<int>(song.Int(10)), static_cast<int>(song.Int(11)),
                        static_cast<int>(song.Int(12)), static_cast<int>(song.Int(13)),
                        static_cast<int>(song.Int(14)), song.Int(15) != 0};

    Statement loops(m_db,
                    "SELECT name, loop_start, loop_end FROM named_loop WHERE fingerprint = ?1 "
                    "ORDER BY ordinal");
    loops.Bind(1, fingerprint);
    while (loops.Step() == SQLITE_ROW)
        settings.namedLoops.push_back({loops.Text(0), static_cast<std::uint64_t>(loops.Int(1)),
                                       static_cast<std::uint64_t>(loops.Int(2))});
    return memory;
}

bool PracticeStore::Write(const SongWrite& write) {
    const std::lock_guard lock(m_mutex);
    if (!CanWrite()) {
        m_lastError = m_opening.problem;
        return false;
    }
    auto fail = [this] {
        m_lastError = Error();
        Exec("ROLLBACK");
        return false;
    };
    if (!Exec("BEGIN IMMEDIATE")) {
        m_lastError = Error();
        return false;
    }
    Statement song(m_db,
                   "INSERT INTO song(fingerprint, last_path, opened_at) VALUES(?1, ?2, "
                   "COALESCE(?3, 0)) ON CONFLICT(fingerprint) DO UPDATE SET "
                   "last_path = excluded.last_path, opened_at = COALESCE(?3, opened_at)");
    song.Bind(1, write.fingerprint).Bind(2, write.path);
    if (write.openedAt)
        song.Bind(3, *write.openedAt);
    else
        song.BindNull(3);
    if (!song.Run()) return fail();

    if (const auto& settings = write.settings) {
        Statement values(m_db,
                         "UPDATE song SET tempo = ?2, pitch = ?3, vocal = ?4, eq_gains = ?5, "
                         "eq_preset = ?6, loop_start = ?7, loop_end = ?8, beat = ?9, "
                         "trainer_start = ?10, trainer_step = ?11, trainer_passes = ?12, "
                         "trainer_target = ?13, trainer_count_in = ?14, "
                         "trainer_count_in_first_only = ?15 WHERE fingerprint = ?1");
        values.Bind(1, write.fingerprint)
            .Bind(2, std::int64_t{settings->tempo})
            .Bind(3, std::int64_t{settings->pitch})
            .Bind(4, std::int64_t{settings->vocal})
            .Bind(5, GainsText(settings->eqGains))
            .Bind(6, settings->eqPreset)
            .Bind(7, static_cast<std::int64_t>(settings->loopStart))
            .Bind(8, static_cast<std::int64_t>(settings->loopEnd))
            .Bind(9, settings->beat)
            .Bind(10, std::int64_t{settings->trainer.start})
            .Bind(11, std::int64_t{settings->trainer.step})
            .Bind(12, std::int64_t{settings->trainer.passes})
            .Bind(13, std::int64_t{settings->trainer.target})
            .Bind(14, std::int64_t{settings->trainer.countIn})
            .Bind(15, std::int64_t{settings->trainer.countInFirstOnly ? 1 : 0});
        if (!values.Run()) return fail();
        Statement clear(m_db, "DELETE FROM named_loop WHERE fingerprint = ?1");
        if (!clear.Bind(1, write.fingerprint).Run()) return fail();
        std::int64_t ordinal = 0;
        for (const NamedLoop& loop : settings->namedLoops) {
            Statement add(m_db,
                          "INSERT INTO named_loop(fingerprint, ordinal, name, loop_start, "
                          "loop_end) VALUES(?1, ?2, ?3, ?4, ?5)");
            add.Bind(1, write.fingerprint)
                .Bind(2, ordinal++)
                .Bind(3, loop.name)
                .Bind(4, static_cast<std::int64_t>(loop.start))
                .Bind(5, static_cast<std::int64_t>(loop.end));
            if (!add.Run()) return fail();
        }
    }
    if (write.position) {
        Statement position(m_db, "UPDATE song SET position = ?2 WHERE fingerprint = ?1");
        if (!position.Bind(1, write.fingerprint)
                 .Bind(2, static_cast<std::int64_t>(*write.position))
                 .Run())
            return fail();
    }
    if (!Exec("COMMIT")) return fail();
    return true;
}

std::vector<std::string> PracticeStore::RecentPaths(int limit) {
    const std::lock_guard lock(m_mutex);
    std::vector<std::string> paths;
    if (!m_db) return paths;
    Statement recent(m_db,
                     "SELECT last_path FROM song WHERE opened_at > 0 "
                     "ORDER BY opened_at DESC LIMIT ?1");
    recent.Bind(1, std::int64_t{limit});
    while (recent.Step() == SQLITE_ROW) paths.push_back(recent.Text(0));
    return paths;
}

std::string PracticeStore::LastError() const {
    const std::lock_guard lock(m_mutex);
    return m_lastError;
}

}  // namespace memory
