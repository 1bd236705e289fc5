#include "station/ArchiveDatabase.h"

#include <system_error>

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

std::optional<std::int64_t> PragmaNumber(sqlite3* db, const char* sql) {
    CStatement statement(db, sql);
    if (!statement.Valid() || statement.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return statement.Integer(0);
}

std::string Quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
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
    const bool fresh = !exists || std::filesystem::file_size(file, error) == 0;
    const int flags = access == Access::Read ? SQLITE_OPEN_READONLY
                      : fresh                ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                             : SQLITE_OPEN_READWRITE;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        refusal = "The archive " + Quoted(file) +
                  " cannot be opened: " + (db ? sqlite3_errmsg(db) : "out of memory") + ".";
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<CArchiveDatabase> archive(new CArchiveDatabase(db));
    sqlite3_busy_timeout(db, 5000);
    // Only reads until the file is known to be ours: a file that is not is left untouched.
    const auto application = PragmaNumber(db, "PRAGMA application_id");
    const auto version = PragmaNumber(db, "PRAGMA user_version");
    const auto tables = PragmaNumber(db, "SELECT count(*) FROM sqlite_schema");
    if (!application || !version || !tables) {
        refusal = Quoted(file) + " is not an archive of datalogger-cli, or it is damaged: " +
                  archive->LastError() + ". It was left untouched.";
        return nullptr;
    }
    const bool empty = *application == 0 && *version == 0 && *tables == 0;
    if (!empty && (*application != ARCHIVE_APPLICATION_ID || *version < 1)) {
        refusal = Quoted(file) + " is not an archive of datalogger-cli. It was left untouched.";
        return nullptr;
    }
    if (*version > ARCHIVE_SCHEMA_VERSION) {
        refusal = "The archive " + Quoted(file) + " has schema version " +
                  std::to_string(*version) + ", newer than this program knows (" +
                  std::to_string(ARCHIVE_SCHEMA_VERSION) + "). It was left untouched.";
        return nullptr;
    }
    if (access == Access::Read) {
        if (empty) {
            refusal = "The archive " + Quoted(file) + " holds nothing yet.";
            return nullptr;
        }
        return archive;
    }
    // Readers go on reading while the writer commits; a commit is on the disk when it returns.
    // The writer only appends: a small page cache keeps its memory flat over weeks.
    if (!archive->Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; "
                          "PRAGMA cache_size=-128") ||
        (empty &&
         !archive->Execute(("BEGIN; " + std::string(SCHEMA) + "PRAGMA application_id=" +
                            std::to_string(ARCHIVE_APPLICATION_ID) + "; PRAGMA user_version=" +
                            std::to_string(ARCHIVE_SCHEMA_VERSION) + "; COMMIT;")
                               .c_str()))) {
        refusal =
            "The archive " + Quoted(file) + " cannot be written: " + archive->LastError() + ".";
        return nullptr;
    }
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
