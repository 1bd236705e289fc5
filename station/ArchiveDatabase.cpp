#include "station/ArchiveDatabase.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/ProgramDirectory.h"

namespace {

// Times are UTC milliseconds since 1970; levels of readings in integer tenths of a decibel
// (the logger's resolution), NULL where the logger gave none. A reading takes about 14 bytes:
// its time is the table's key, and its run is the one whose span holds it. A run that began
// before an earlier one had ended (the system clock set back) keeps its readings apart, with
// their run, so that none is ever taken for another run's. run_readings gives every reading
// with its run.
constexpr const char* SCHEMA = R"sql(
CREATE TABLE runs (
    id INTEGER PRIMARY KEY,
    logger TEXT NOT NULL,
    interval_s REAL NOT NULL,
    weighting TEXT NOT NULL,
    time_weighting TEXT NOT NULL,
    start_ms INTEGER NOT NULL,
    end_ms INTEGER NOT NULL,
    readings INTEGER NOT NULL,
    overlapping INTEGER NOT NULL,
    interval_length_s INTEGER
) STRICT;
CREATE TABLE readings (
    time_ms INTEGER PRIMARY KEY,
    level_tenths INTEGER
) STRICT;
CREATE TABLE overlapping_readings (
    run INTEGER NOT NULL REFERENCES runs(id),
    time_ms INTEGER NOT NULL,
    level_tenths INTEGER,
    PRIMARY KEY (run, time_ms)
) STRICT, WITHOUT ROWID;
CREATE INDEX overlapping_readings_by_time ON overlapping_readings(time_ms);
CREATE INDEX runs_by_start ON runs(overlapping, start_ms);
CREATE VIEW run_readings AS
    SELECT (SELECT u.id FROM runs u WHERE u.overlapping = 0 AND u.start_ms <= r.time_ms
            ORDER BY u.start_ms DESC LIMIT 1) AS run,
           r.time_ms AS time_ms, r.level_tenths AS level_tenths
    FROM readings r
    UNION ALL
    SELECT run, time_ms, level_tenths FROM overlapping_readings;
CREATE TABLE intervals (
    run INTEGER NOT NULL REFERENCES runs(id),
    start_ms INTEGER NOT NULL,
    end_ms INTEGER NOT NULL,
    partial INTEGER NOT NULL,
    count INTEGER NOT NULL,
    count_with_level INTEGER NOT NULL,
    leq_db REAL,
    lmax_tenths INTEGER,
    lmin_tenths INTEGER,
    l10_tenths INTEGER,
    l50_tenths INTEGER,
    l90_tenths INTEGER,
    PRIMARY KEY (start_ms, run)
) STRICT, WITHOUT ROWID;
CREATE TABLE minutes (
    start_ms INTEGER PRIMARY KEY,
    count INTEGER NOT NULL,
    count_with_level INTEGER NOT NULL,
    energy_sum REAL NOT NULL,
    min_tenths INTEGER,
    max_tenths INTEGER
) STRICT;
)sql";

// `result`: why it could not be read (a lock held elsewhere, a damaged file), kept before the
// statement is finalized, which forgets it.
std::optional<std::int64_t> PragmaNumber(sqlite3* db, const char* sql, int& result) {
    CStatement statement(db, sql);
    result = statement.Valid() ? statement.Step() : sqlite3_extended_errcode(db);
    if (result != SQLITE_ROW) {
        return std::nullopt;
    }
    result = SQLITE_OK;
    return statement.Integer(0);
}

std::string JournalMode(sqlite3* db, const char* sql) {
    CStatement statement(db, sql);
    return statement.Valid() && statement.Step() == SQLITE_ROW ? statement.Text(0) : "";
}

std::string Quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

// What a file holds, as far as deciding whether it is an archive of ours.
struct CArchiveView {
    std::int64_t Application = 0;
    std::int64_t Version = 0;
    std::int64_t Tables = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> Runs;  // id and start, by id

    bool Empty() const { return Application == 0 && Version == 0 && Tables == 0; }
    bool Ours() const { return Application == ARCHIVE_APPLICATION_ID && Version >= 1; }
};

// `withRuns`: also the runs, of a schema this program knows. `result`: SQLite's code for what
// could not be read, SQLITE_OK when the view is whole.
std::optional<CArchiveView> ViewOf(sqlite3* db, bool withRuns, int& result) {
    const auto application = PragmaNumber(db, "PRAGMA application_id", result);
    if (!application) {
        return std::nullopt;
    }
    const auto version = PragmaNumber(db, "PRAGMA user_version", result);
    if (!version) {
        return std::nullopt;
    }
    const auto tables = PragmaNumber(db, "SELECT count(*) FROM sqlite_schema", result);
    if (!tables) {
        return std::nullopt;
    }
    CArchiveView view{*application, *version, *tables, {}};
    if (withRuns && view.Ours() && view.Version <= ARCHIVE_SCHEMA_VERSION) {
        CStatement runs(db, "SELECT id, start_ms FROM runs ORDER BY id");
        int step = runs.Valid() ? runs.Step() : sqlite3_extended_errcode(db);
        for (; step == SQLITE_ROW; step = runs.Step()) {
            view.Runs.emplace_back(runs.Integer(0), runs.Integer(1));
        }
        if (step != SQLITE_DONE) {
            result = step;
            return std::nullopt;
        }
    }
    return view;
}

std::string FileUri(const std::filesystem::path& file) {
    std::string uri = "file:";
    for (const char c : std::filesystem::absolute(file).string()) {
        if (c == '%' || c == '?' || c == '#') {
            static constexpr char HEX[] = "0123456789ABCDEF";
            uri += {'%', HEX[static_cast<unsigned char>(c) >> 4], HEX[c & 0xF]};
        } else {
            uri += c;
        }
    }
    return uri;
}

// Whether a reader can have the write-ahead log read: on read-only media, or in a folder this
// user cannot write, SQLite cannot make the log's shared index, and none is there to use.
// Such a file is read alone, as unchangeable; a log with readings in it that cannot be read is
// said rather than passed over.
enum class LogAccess { Shared, FileAlone, Unreadable };

LogAccess LogAccessOf(const std::filesystem::path& file) {
    std::filesystem::path log = file;
    log += "-wal";
    std::filesystem::path index = file;
    index += "-shm";
    std::error_code error;
    const auto folder = std::filesystem::absolute(file, error).parent_path();
    if (access(folder.c_str(), W_OK) == 0 || std::filesystem::exists(index, error)) {
        return LogAccess::Shared;
    }
    const auto logSize = std::filesystem::file_size(log, error);
    return error || logSize == 0 ? LogAccess::FileAlone : LogAccess::Unreadable;
}

// A connection that only ever reads, whatever it finds: the main file alone (immutable), or
// with its write-ahead log, indexed in its own memory (exclusive locking) and never
// checkpointed on close, so that neither the log nor its shared index is touched.
sqlite3* OpenToLook(const std::filesystem::path& file, bool withLog, int& result) {
    const std::string uri = withLog ? FileUri(file) : FileUri(file) + "?immutable=1";
    sqlite3* db = nullptr;
    result = sqlite3_open_v2(uri.c_str(), &db,
                             (withLog ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                                 SQLITE_OPEN_URI,
                             nullptr);
    if (result == SQLITE_OK && withLog) {
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    return db;
}

// Why an existing file is not to be opened as an archive, decided without writing a byte of
// it, its write-ahead log or the log's index; empty when it may be.
std::string RefusalOf(const std::filesystem::path& file) {
    std::filesystem::path log = file;
    log += "-wal";
    std::error_code error;
    const bool withLog = std::filesystem::exists(log, error);
    int result = SQLITE_OK;
    sqlite3* db = OpenToLook(file, withLog, result);
    if (withLog && result == SQLITE_OK && sqlite3_db_readonly(db, "main") == 1) {
        // A file this user cannot write: no opening can change it or its log either.
        sqlite3_close(db);
        return {};
    }
    std::optional<CArchiveView> view;
    if (result == SQLITE_OK) {
        view = ViewOf(db, withLog, result);
    }
    const std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    if (withLog && (result & 0xFF) == SQLITE_BUSY) {
        return {};  // another connection has it open: the log is that connection's own
    }
    const std::string logNote =
        withLog ? " A write-ahead log " + Quoted(log) +
                      " lies beside it; if it came from another file, move it away."
                : "";
    if (!view) {
        return Quoted(file) + " is not an archive of datalogger-cli, or it is damaged: " + reason +
               ". It was left untouched." + logNote;
    }
    if (!view->Empty() && !view->Ours()) {
        return Quoted(file) + " is not an archive of datalogger-cli. It was left untouched." +
               logNote;
    }
    if (view->Version > ARCHIVE_SCHEMA_VERSION) {
        return "The archive " + Quoted(file) + " has schema version " +
               std::to_string(view->Version) + ", newer than this program knows (" +
               std::to_string(ARCHIVE_SCHEMA_VERSION) + "). It was left untouched.";
    }
    if (withLog) {
        // Runs are only ever added: the file's own runs begin those its log makes of it, or
        // the log is another archive's.
        db = OpenToLook(file, false, result);
        const auto alone = result == SQLITE_OK ? ViewOf(db, true, result) : std::nullopt;
        sqlite3_close(db);
        if (alone && alone->Ours() &&
            (alone->Runs.size() > view->Runs.size() ||
             !std::equal(alone->Runs.begin(), alone->Runs.end(), view->Runs.begin()))) {
            return "The write-ahead log " + Quoted(log) + " beside the archive " + Quoted(file) +
                   " belongs to another database: it was not applied; move the log away to use "
                   "the archive as it is. It was left untouched.";
        }
    }
    return {};
}

}  // namespace

CStatement::CStatement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

CStatement& CStatement::Bind(int column, std::int64_t value) {
    sqlite3_bind_int64(m_statement, column, value);
    return *this;
}

CStatement& CStatement::Bind(int column, double value) {
    sqlite3_bind_double(m_statement, column, value);
    return *this;
}

CStatement& CStatement::Bind(int column, const std::optional<double>& value) {
    return value ? Bind(column, *value) : (sqlite3_bind_null(m_statement, column), *this);
}

CStatement& CStatement::Bind(int column, const std::optional<std::int64_t>& value) {
    return value ? Bind(column, *value) : (sqlite3_bind_null(m_statement, column), *this);
}

CStatement& CStatement::Bind(int column, const std::string& value) {
    sqlite3_bind_text(m_statement, column, value.c_str(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

bool CStatement::Run() {
    const int result = Step();
    Reset();
    return result == SQLITE_DONE || result == SQLITE_ROW;
}

std::optional<double> CStatement::Level(int column) const {
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return Real(column);
}

std::optional<std::int64_t> CStatement::OptionalInteger(int column) const {
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return Integer(column);
}

std::string CStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::unique_ptr<CArchiveDatabase> CArchiveDatabase::Open(const std::filesystem::path& file,
                                                         Access access, std::string& refusal,
                                                         std::string* notice) {
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    if (access == Access::Read && !exists) {
        refusal = "The archive " + Quoted(file) + " does not exist.";
        return nullptr;
    }
    if (exists) {
        refusal = RefusalOf(file);
        if (!refusal.empty()) {
            return nullptr;
        }
    }
    const LogAccess logAccess = access == Access::Read ? LogAccessOf(file) : LogAccess::Shared;
    if (logAccess == LogAccess::Unreadable) {
        refusal = "The archive " + Quoted(file) + " has readings in its write-ahead log " +
                  Quoted(file.string() + "-wal") +
                  " that cannot be read where neither file may be written (read-only media); "
                  "copy the archive with its log to a folder you can write. It was left "
                  "untouched.";
        return nullptr;
    }
    const int flags = access == Access::Read ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI
                                             : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const std::string name =
        logAccess == LogAccess::FileAlone ? FileUri(file) + "?immutable=1" : FileUri(file);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(access == Access::Read ? name.c_str() : file.c_str(), &db, flags,
                        nullptr) != SQLITE_OK) {
        refusal = "The archive " + Quoted(file) +
                  " cannot be opened: " + (db ? sqlite3_errmsg(db) : "out of memory") + ".";
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<CArchiveDatabase> archive(new CArchiveDatabase(db));
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, BUSY_TIMEOUT_MS);
    // Until the file is known to be ours, closing must not checkpoint a log into it.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    int result = SQLITE_OK;
    const auto view = ViewOf(db, false, result);
    if (!view && (result & 0xFF) == SQLITE_BUSY) {
        refusal = "The archive " + Quoted(file) +
                  " is locked by another program (" + sqlite3_errstr(result) +
                  "); try again once it lets go.";
        return nullptr;
    }
    if (!view || (!view->Empty() && !view->Ours()) || view->Version > ARCHIVE_SCHEMA_VERSION) {
        // Changed since it was looked at: not ours to write.
        refusal = Quoted(file) + " is not an archive of datalogger-cli, or it is damaged" +
                  (view ? "" : std::string(": ") + sqlite3_errstr(result)) +
                  ". It was left untouched.";
        return nullptr;
    }
    archive->m_version = static_cast<int>(view->Version);
    if (access == Access::Read) {
        if (view->Empty()) {
            refusal = "The archive " + Quoted(file) + " holds nothing yet.";
            return nullptr;
        }
        return archive;
    }
    // Readers go on reading while the writer commits. A commit survives a killed program at
    // once and a power cut from the next checkpoint on (the writer makes one every minute):
    // the log is synced there, not at every commit. The writer only appends: a small page
    // cache keeps its memory flat over weeks, and the log is cut back to a bounded size.
    if (JournalMode(db, "PRAGMA journal_mode=WAL") != "wal") {
        refusal = "The archive " + Quoted(file) +
                  " cannot keep a write-ahead log here (the file system may not allow it).";
        return nullptr;
    }
    if (!archive->Execute(("PRAGMA synchronous=NORMAL; PRAGMA cache_size=-128; "
                           "PRAGMA journal_size_limit=" +
                           std::to_string(LOG_SIZE_LIMIT))
                              .c_str()) ||
        (view->Empty() &&
         !archive->Execute(("BEGIN; " + std::string(SCHEMA) + "PRAGMA application_id=" +
                            std::to_string(ARCHIVE_APPLICATION_ID) + "; PRAGMA user_version=" +
                            std::to_string(ARCHIVE_SCHEMA_VERSION) + "; COMMIT;")
                               .c_str()))) {
        refusal =
            "The archive " + Quoted(file) + " cannot be written: " + archive->LastError() + ".";
        return nullptr;
    }
    if (!view->Empty() && view->Version < ARCHIVE_SCHEMA_VERSION) {
        if (!archive->Migrate()) {
            refusal = "The archive " + Quoted(file) + " of schema version " +
                      std::to_string(view->Version) + " cannot be brought to version " +
                      std::to_string(ARCHIVE_SCHEMA_VERSION) + ": " + archive->LastError() +
                      ". It was left as it was.";
            (void)archive->Execute("ROLLBACK");
            return nullptr;
        }
        if (notice) {
            *notice = "The archive " + Quoted(file) + " was brought from schema version " +
                      std::to_string(view->Version) + " to " +
                      std::to_string(ARCHIVE_SCHEMA_VERSION) +
                      " (levels in tenths of a decibel, about 14 bytes a reading, minute "
                      "rollups); readers of every version go on reading it.";
        }
    }
    if (!archive->Execute("PRAGMA foreign_keys=ON")) {
        refusal =
            "The archive " + Quoted(file) + " cannot be written: " + archive->LastError() + ".";
        return nullptr;
    }
    archive->m_version = ARCHIVE_SCHEMA_VERSION;
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return archive;
}

CArchiveDatabase::~CArchiveDatabase() {
    sqlite3_close(m_db);
}

bool CArchiveDatabase::Execute(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CArchiveDatabase::Migrate() {
    // The old tables make way under other names; the old index by time stays until the end,
    // for the intervals' counts of readings with a level.
    if (!Execute("BEGIN IMMEDIATE; DROP INDEX intervals_by_start; "
                 "ALTER TABLE runs RENAME TO old_runs; "
                 "ALTER TABLE readings RENAME TO old_readings; "
                 "ALTER TABLE intervals RENAME TO old_intervals;") ||
        !Execute(SCHEMA) ||
        !Execute("INSERT INTO runs SELECT id, logger, interval_s, weighting, time_weighting, "
                 "start_ms, end_ms, readings, 0, NULL FROM old_runs")) {
        return false;
    }
    // A run keeps its readings apart when it began before an earlier one had ended, or when
    // any of them lies outside its span.
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> spans;  // first and last
    CStatement times(m_db, "SELECT run, min(time_ms), max(time_ms) FROM old_readings GROUP BY run");
    int step = times.Valid() ? times.Step() : SQLITE_ERROR;
    for (; step == SQLITE_ROW; step = times.Step()) {
        spans[times.Integer(0)] = {times.Integer(1), times.Integer(2)};
    }
    CStatement runs(m_db, "SELECT id, start_ms, end_ms FROM runs ORDER BY id");
    CStatement apart(m_db, "UPDATE runs SET overlapping = 1 WHERE id = ?");
    std::int64_t latestEnd = INT64_MIN;
    step = step == SQLITE_DONE && runs.Valid() && apart.Valid() ? runs.Step() : SQLITE_ERROR;
    for (; step == SQLITE_ROW; step = runs.Step()) {
        const std::int64_t start = runs.Integer(1);
        const std::int64_t end = runs.Integer(2);
        const auto span = spans.find(runs.Integer(0));
        if ((start < latestEnd ||
             (span != spans.end() && (span->second.first < start || span->second.second >= end))) &&
            !apart.Bind(1, runs.Integer(0)).Run()) {
            return false;
        }
        latestEnd = std::max(latestEnd, end);
    }
    if (step != SQLITE_DONE ||
        !Execute("INSERT INTO readings SELECT r.time_ms, CAST(round(r.level_db * 10) AS INTEGER) "
                 "FROM old_readings r JOIN runs u ON u.id = r.run WHERE u.overlapping = 0 "
                 "ORDER BY r.time_ms; "
                 "INSERT INTO overlapping_readings SELECT r.run, r.time_ms, "
                 "CAST(round(r.level_db * 10) AS INTEGER) FROM old_readings r JOIN runs u ON "
                 "u.id = r.run WHERE u.overlapping = 1; "
                 "INSERT INTO intervals SELECT run, start_ms, end_ms, partial, count, (SELECT "
                 "count(level_db) FROM old_readings WHERE run = i.run AND time_ms >= i.start_ms "
                 "AND time_ms < i.end_ms), leq_db, CAST(round(lmax_db * 10) AS INTEGER), "
                 "CAST(round(lmin_db * 10) AS INTEGER), CAST(round(l10_db * 10) AS INTEGER), "
                 "CAST(round(l50_db * 10) AS INTEGER), CAST(round(l90_db * 10) AS INTEGER) "
                 "FROM old_intervals i;")) {
        return false;
    }
    CMinuteRollups rollups;
    CStatement readings(m_db,
                        "SELECT time_ms, level_tenths FROM readings UNION ALL "
                        "SELECT time_ms, level_tenths FROM overlapping_readings");
    step = readings.Valid() ? readings.Step() : SQLITE_ERROR;
    for (; step == SQLITE_ROW; step = readings.Step()) {
        rollups[MinuteStartOf(readings.Integer(0))].Add(readings.OptionalInteger(1));
    }
    return step == SQLITE_DONE && AddMinuteRollups(m_db, rollups) &&
           Execute(("DROP TABLE old_intervals; DROP TABLE old_readings; DROP TABLE old_runs; "
                    "PRAGMA user_version=" +
                    std::to_string(ARCHIVE_SCHEMA_VERSION) + "; COMMIT;")
                       .c_str());
}

std::optional<std::int64_t> TenthsOf(float levelDb) {
    if (!std::isfinite(levelDb)) {
        return std::nullopt;
    }
    return std::llround(static_cast<double>(levelDb) * 10.0);
}

std::optional<std::int64_t> TenthsOf(const std::optional<double>& levelDb) {
    return levelDb ? std::optional<std::int64_t>(std::llround(*levelDb * 10.0)) : std::nullopt;
}

std::optional<double> DecibelsOfTenths(const std::optional<std::int64_t>& tenths) {
    return tenths ? std::optional<double>(static_cast<double>(*tenths) / 10.0) : std::nullopt;
}

float LevelOfTenths(const std::optional<std::int64_t>& tenths) {
    return tenths ? static_cast<float>(static_cast<double>(*tenths) / 10.0)
                  : std::numeric_limits<float>::quiet_NaN();
}

void CMinuteRollup::Add(const std::optional<std::int64_t>& tenths) {
    ++Count;
    if (!tenths) {
        return;
    }
    ++CountWithLevel;
    EnergySum += std::pow(10.0, static_cast<double>(*tenths) / 100.0);
    MinTenths = std::min(MinTenths.value_or(*tenths), *tenths);
    MaxTenths = std::max(MaxTenths.value_or(*tenths), *tenths);
}

std::int64_t MinuteStartOf(std::int64_t timeMs) {
    constexpr std::int64_t MINUTE_MS = 60000;
    const std::int64_t start = timeMs / MINUTE_MS * MINUTE_MS;
    return start > timeMs ? start - MINUTE_MS : start;
}

bool AddMinuteRollups(sqlite3* db, const CMinuteRollups& rollups) {
    CStatement add(db,
                   "INSERT INTO minutes VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (start_ms) DO UPDATE "
                   "SET count = count + excluded.count, "
                   "count_with_level = count_with_level + excluded.count_with_level, "
                   "energy_sum = energy_sum + excluded.energy_sum, "
                   "min_tenths = CASE WHEN min_tenths IS NULL OR excluded.min_tenths < "
                   "min_tenths THEN excluded.min_tenths ELSE min_tenths END, "
                   "max_tenths = CASE WHEN max_tenths IS NULL OR excluded.max_tenths > "
                   "max_tenths THEN excluded.max_tenths ELSE max_tenths END");
    for (const auto& [start, rollup] : rollups) {
        if (!add.Valid() || !add.Bind(1, start)
                                 .Bind(2, rollup.Count)
                                 .Bind(3, rollup.CountWithLevel)
                                 .Bind(4, rollup.EnergySum)
                                 .Bind(5, rollup.MinTenths)
                                 .Bind(6, rollup.MaxTenths)
                                 .Run()) {
            return false;
        }
    }
    return true;
}

bool IsArchiveFile(const std::filesystem::path& file) {
    // The header's first 16 bytes name the format; the application id is the big-endian
    // number at offset 68.
    static constexpr char MAGIC[] = "SQLite format 3";
    std::array<unsigned char, 72> header{};
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size()) ||
        !std::equal(std::begin(MAGIC), std::end(MAGIC), header.begin())) {
        return false;
    }
    const std::uint32_t id = std::uint32_t{header[68]} << 24 | std::uint32_t{header[69]} << 16 |
                             std::uint32_t{header[70]} << 8 | header[71];
    return static_cast<std::int32_t>(id) == ARCHIVE_APPLICATION_ID;
}

std::optional<std::filesystem::path> DefaultArchiveFile() {
    return ProgramFile("archive.sqlite");
}
