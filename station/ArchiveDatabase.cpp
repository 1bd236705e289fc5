#include "station/ArchiveDatabase.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/ProgramDirectory.h"

namespace {

// Times are UTC milliseconds since 1970; levels in dB, NULL where the logger gave none.
constexpr const char* SCHEMA = R"sql(
CREATE TABLE runs (
    id INTEGER PRIMARY KEY,
    logger TEXT NOT NULL,
    interval_s REAL NOT NULL,
    weighting TEXT NOT NULL,
    time_weighting TEXT NOT NULL,
    start_ms INTEGER NOT NULL,
    end_ms INTEGER NOT NULL,
    readings INTEGER NOT NULL
);
CREATE TABLE readings (
    run INTEGER NOT NULL REFERENCES runs(id),
    time_ms INTEGER NOT NULL,
    level_db REAL
);
CREATE INDEX readings_by_time ON readings(time_ms);
CREATE TABLE intervals (
    run INTEGER NOT NULL REFERENCES runs(id),
    start_ms INTEGER NOT NULL,
    end_ms INTEGER NOT NULL,
    partial INTEGER NOT NULL,
    count INTEGER NOT NULL,
    leq_db REAL,
    lmax_db REAL,
    lmin_db REAL,
    l10_db REAL,
    l50_db REAL,
    l90_db REAL
);
CREATE INDEX intervals_by_start ON intervals(start_ms);
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

std::string CStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::unique_ptr<CArchiveDatabase> CArchiveDatabase::Open(const std::filesystem::path& file,
                                                         Access access, std::string& refusal) {
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
    if (!archive->Execute("PRAGMA synchronous=NORMAL; PRAGMA cache_size=-128; "
                          "PRAGMA journal_size_limit=4194304") ||
        (view->Empty() &&
         !archive->Execute(("BEGIN; " + std::string(SCHEMA) + "PRAGMA application_id=" +
                            std::to_string(ARCHIVE_APPLICATION_ID) + "; PRAGMA user_version=" +
                            std::to_string(ARCHIVE_SCHEMA_VERSION) + "; COMMIT;")
                               .c_str()))) {
        refusal =
            "The archive " + Quoted(file) + " cannot be written: " + archive->LastError() + ".";
        return nullptr;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return archive;
}

CArchiveDatabase::~CArchiveDatabase() {
    sqlite3_close(m_db);
}

bool CArchiveDatabase::Execute(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<std::filesystem::path> DefaultArchiveFile() {
    return ProgramFile("archive.sqlite");
}
