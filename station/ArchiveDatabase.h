#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

// The version of the archive's tables that this program writes (PRAGMA user_version).
inline constexpr int ARCHIVE_SCHEMA_VERSION = 2;
// What marks an SQLite file as an archive of this program (PRAGMA application_id): "DLGA".
inline constexpr std::int32_t ARCHIVE_APPLICATION_ID = 0x444C4741;

// One prepared statement, finalized with the object.
class CStatement {
public:
    CStatement(sqlite3* db, const char* sql);
    ~CStatement() { sqlite3_finalize(m_statement); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool Valid() const { return m_statement != nullptr; }
    CStatement& Bind(int column, std::int64_t value);
    CStatement& Bind(int column, double value);
    CStatement& Bind(int column, const std::optional<double>& value);
    CStatement& Bind(int column, const std::optional<std::int64_t>& value);
    CStatement& Bind(int column, const std::string& value);
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return sqlite3_step(m_statement); }
    // Runs it once to the end and readies it for the next use; false on an error.
    bool Run();
    void Reset() { sqlite3_reset(m_statement); }

    std::int64_t Integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    double Real(int column) const { return sqlite3_column_double(m_statement, column); }
    std::optional<double> Level(int column) const;
    std::optional<std::int64_t> OptionalInteger(int column) const;
    std::string Text(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
};

// An archive file opened and checked: an SQLite database with this program's mark and a
// schema it knows. A file that is anything else is refused and left as it was.
class CArchiveDatabase {
public:
    enum class Access { Write, Read };

    // The archive, or empty with `refusal` saying why. A writer makes a missing or empty file
    // a new archive and brings an archive of an older schema up to this one, in one
    // transaction, telling it in `notice`; a reader wants an existing one and reads every
    // schema up to this one as it is.
    static std::unique_ptr<CArchiveDatabase> Open(const std::filesystem::path& file, Access access,
                                                  std::string& refusal,
                                                  std::string* notice = nullptr);
    ~CArchiveDatabase();
    CArchiveDatabase(const CArchiveDatabase&) = delete;
    CArchiveDatabase& operator=(const CArchiveDatabase&) = delete;

    // How long a statement waits for another connection's lock before it fails.
    static constexpr int BUSY_TIMEOUT_MS = 5000;
    // The write-ahead log is cut back to this size once readers let go of it.
    static constexpr std::int64_t LOG_SIZE_LIMIT = 4194304;

    sqlite3* Handle() const { return m_db; }
    // The schema version of the file (PRAGMA user_version).
    int Version() const { return m_version; }
    // Runs statements without results; false on an error.
    bool Execute(const char* sql);
    std::string LastError() const { return sqlite3_errmsg(m_db); }

private:
    explicit CArchiveDatabase(sqlite3* db) : m_db(db) {}
    bool Migrate();
    sqlite3* m_db;
    int m_version = ARCHIVE_SCHEMA_VERSION;
};

// A level as the archive keeps it: integer tenths of a decibel; empty where there is none.
std::optional<std::int64_t> TenthsOf(float levelDb);
std::optional<std::int64_t> TenthsOf(const std::optional<double>& levelDb);
std::optional<double> DecibelsOfTenths(const std::optional<std::int64_t>& tenths);
// The level in dB that the archive's tenths stand for; not a number for none.
float LevelOfTenths(const std::optional<std::int64_t>& tenths);

// The readings of one UTC minute summed up, as the table `minutes` keeps them, so that an
// overview of a long span reads a row a minute instead of every reading.
struct CMinuteRollup {
    std::int64_t Count = 0;
    std::int64_t CountWithLevel = 0;
    double EnergySum = 0.0;  // the sum of 10^(L/10) over the readings with a level L in dB
    std::optional<std::int64_t> MinTenths;
    std::optional<std::int64_t> MaxTenths;

    void Add(const std::optional<std::int64_t>& tenths);
};
// By the start of their minute, UTC milliseconds.
using CMinuteRollups = std::map<std::int64_t, CMinuteRollup>;
std::int64_t MinuteStartOf(std::int64_t timeMs);
// Adds the rollups to the rows of their minutes, making the rows that are missing; false on
// an error.
bool AddMinuteRollups(sqlite3* db, const CMinuteRollups& rollups);

// Whether the file holds an archive of this program, by its first bytes: the SQLite header
// and the archive's application id. Nothing is opened as a database.
bool IsArchiveFile(const std::filesystem::path& file);

// The archive's file when none is named: archive.sqlite in the program directory.
std::optional<std::filesystem::path> DefaultArchiveFile();
