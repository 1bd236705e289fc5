// The archive: what a station tells is kept, foreign and newer files are refused untouched, one
// writer at a time, and a full disk loses nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iomanip>
#include <thread>

#include "station/ArchiveQueries.h"
#include "station/CStationArchive.h"
#include "tests/FileText.h"
#include "tests/ReadOnlyFolder.h"
#include "tests/SmallFileSystem.h"
#include "tests/station/ArchiveCheck.h"
#include "tests/station/StationBench.h"

namespace {

std::int64_t Number(CArchiveDatabase& db, const char* sql) {
    CStatement statement(db.Handle(), sql);
    EXPECT_EQ(statement.Step(), SQLITE_ROW) << sql;
    return statement.Integer(0);
}

// A count the archive gives; -1 when it cannot be read.
std::int64_t Counted(const std::filesystem::path& file, const char* sql) {
    std::string refusal;
    const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    return db ? Number(*db, sql) : -1;
}
// The readings an archive holds.
std::int64_t Stored(const std::filesystem::path& file) {
    return Counted(file, "SELECT count(*) FROM run_readings");
}

// Waits up to a minute for what the archive's writer does, passing on what it says.
bool WaitFor(CStationArchive& archive, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (archive.Idle(); !done(); archive.Idle()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::int64_t Runs(const std::filesystem::path& file) {
    return Counted(file, "SELECT count(*) FROM runs");
}

void Take(CStationArchive& archive, std::int64_t& number, std::int64_t readings) {
    for (const std::int64_t last = number + readings; number < last; ++number) {
        archive.Reading({number + 1, TEN_O_CLOCK_MS + number * 1000, 50.0f});
    }
}

std::unique_ptr<CStationArchive> Started(const std::filesystem::path& file,
                                         std::ostream& messages) {
    std::string refusal;
    bool busy = false;
    auto archive = CStationArchive::Open(file, messages, refusal, busy);
    EXPECT_TRUE(archive) << refusal;
    if (archive) {
        archive->RunStarted({"logger", 1.0f, true, true, TEN_O_CLOCK_MS});
    }
    return archive;
}

// A database left with its write-ahead log, as a killed program leaves it, copied beside
// `beside`; whatever `file` was is replaced.
void LeaveLogBeside(const std::filesystem::path& file, const char* sql,
                    const std::filesystem::path& beside) {
    std::filesystem::remove(file);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    for (const char* suffix : {"-wal", "-shm"}) {
        std::filesystem::copy_file(file.string() + suffix, beside.string() + suffix,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    sqlite3_close(db);
}

// The schema version of an archive, then every run, reading and interval the readers take
// from it, a line each.
std::string ContentsOf(const std::filesystem::path& file) {
    std::string refusal;
    const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    std::ostringstream text;
    text << (db ? db->Version() : -1) << '\n' << refusal << std::setprecision(9);
    for (const CArchivedRun& r : db ? ArchivedRuns(*db, {}) : std::vector<CArchivedRun>()) {
        text << r.Id << r.Logger << ' ' << r.IntervalS << r.IsDBA << r.IsFast << ' ' << r.StartMs
             << ' ' << r.EndMs << ' ' << r.Readings << '\n';
    }
    for (const CArchivedReading& r : db ? ArchivedReadings(*db, {}) : std::vector<CArchivedReading>()) {
        text << r.Run << ' ' << r.TimeMs << ' ' << r.LevelDb << '\n';
    }
    for (const CIntervalLevels& i : db ? ArchivedIntervals(*db, {}) : std::vector<CIntervalLevels>()) {
        text << i.StartMs << ' ' << i.EndMs << i.Partial << i.IsDBA << ' ' << i.Count << ' '
             << i.CountWithLevel;
        for (const auto& level : {i.LeqDb, i.LmaxDb, i.LminDb, i.L10Db, i.L50Db, i.L90Db}) {
            text << ' ' << std::setprecision(17) << level.value_or(-1.0);
        }
        text << std::setprecision(9) << '\n';
    }
    return text.str();
}

// An archive of the first schema, made by the monitor of that time: two runs at 1 s with
// 1-minute intervals, 400 readings of which 48 without a level, the second run begun before
// the first one's end (the simulator's faster clock). Readers take it as it is; a writer
// brings it to the new schema with nothing lost or changed.
TEST(StationArchive, firstSchemaArchive_isReadAsItIsAndMigratedWholeByAWriter) {
    const CTempDir directory;
    const auto file = directory / "old archive.sqlite";
    std::filesystem::copy_file(std::filesystem::path(DATALOGGER_TEST_DATA) / "archive-v1.sqlite",
                               file);
    const std::string before = ContentsOf(file);
    EXPECT_TRUE(before.starts_with("1\n")) << before.substr(0, 200);
    EXPECT_EQ(ContentsOf(file), before);  // a reader never migrates
    EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 1 + 2 + 400 + 9);
    std::size_t withoutLevel = 0;
    for (auto at = before.find(" nan\n"); at != std::string::npos; at = before.find(" nan\n", at + 1)) {
        ++withoutLevel;
    }
    EXPECT_EQ(withoutLevel, 48u);

    std::ostringstream messages;
    std::string refusal;
    bool busy = false;
    auto archive = CStationArchive::Open(file, messages, refusal, busy);
    ASSERT_TRUE(archive) << refusal;
    EXPECT_NE(messages.str().find("was brought from schema version 1 to 2"), std::string::npos)
        << messages.str();
    EXPECT_EQ(archive->Close(), 0);
    archive.reset();

    EXPECT_EQ(ContentsOf(file), std::to_string(ARCHIVE_SCHEMA_VERSION) + before.substr(1));
    const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    ASSERT_TRUE(db) << refusal;
    EXPECT_EQ(Number(*db, "SELECT sum(id * overlapping) FROM runs"), 2);
    EXPECT_EQ(Number(*db, "SELECT count(*) FROM minutes"),
              Number(*db, "SELECT count(DISTINCT time_ms / 60000) FROM run_readings"));
    EXPECT_EQ(MinutesUnlikeTheirReadings(*db), 0);

    // One that cannot be brought across (a reading given twice, by hand) is refused as it was.
    const auto twice = directory / "twice.sqlite";
    std::filesystem::copy_file(std::filesystem::path(DATALOGGER_TEST_DATA) / "archive-v1.sqlite",
                               twice);
    sqlite3* hand = nullptr;
    ASSERT_EQ(sqlite3_open(twice.c_str(), &hand), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(hand, "INSERT INTO readings SELECT * FROM readings LIMIT 1", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(hand);
    const std::string unmigrated = ContentsOf(twice);
    EXPECT_FALSE(CStationArchive::Open(twice, messages, refusal, busy));
    EXPECT_NE(refusal.find("cannot be brought to version 2"), std::string::npos) << refusal;
    EXPECT_EQ(ContentsOf(twice), unmigrated);
}

TEST(StationArchive, keepsEveryRunReadingAndIntervalAStationTells) {
    CStationBench bench(3, "unplug:123=20s");
    const auto file = bench.Directory / "archive.sqlite";
    std::ostringstream messages;
    std::string refusal;
    bool busy = false;
    auto archive = CStationArchive::Open(file, messages, refusal, busy);
    ASSERT_TRUE(archive) << refusal;
    bench.Observers.push_back(archive.get());
    CStationSettings settings;
    settings.MaxReadings = 300;
    settings.IntervalSeconds = 60;
    settings.Reconnect = true;
    ASSERT_EQ(bench.Run(settings), StationEnd::Limit);
    EXPECT_EQ(archive->Close(), 0);
    archive.reset();

    auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    ASSERT_TRUE(db) << refusal;
    const CStationLog& log = bench.Log;
    ASSERT_EQ(log.Runs.size(), 2u);
    EXPECT_EQ(Number(*db, "SELECT count(*) FROM run_readings"), 300);
    EXPECT_EQ(Number(*db, "SELECT sum(readings) FROM runs"), 300);
    EXPECT_EQ(Number(*db, "SELECT count(*) FROM intervals"),
              static_cast<std::int64_t>(log.Intervals.size()));
    CStatement runs(db->Handle(), "SELECT id, start_ms, end_ms FROM runs ORDER BY id");
    for (std::size_t i = 0; i < log.Runs.size(); ++i) {
        ASSERT_EQ(runs.Step(), SQLITE_ROW);
        EXPECT_EQ(runs.Integer(1), log.Runs[i].StartMs);
        EXPECT_EQ(runs.Integer(2), log.Ends[i]);
    }
    CStatement readings(db->Handle(),
                        "SELECT time_ms, level_tenths FROM run_readings ORDER BY run, time_ms");
    for (const CStationReading& reading : log.Readings) {
        ASSERT_EQ(readings.Step(), SQLITE_ROW);
        EXPECT_EQ(readings.Integer(0), reading.TimeMs);
        EXPECT_EQ(readings.OptionalInteger(1), TenthsOf(reading.LevelDb));
    }
    // A time range holds what lies from its start up to, not at, its end: the readings by
    // their time, the intervals by their start.
    ASSERT_GE(log.Intervals.size(), 4u);
    const CArchiveRange ranges[] = {
        {log.Readings[10].TimeMs, log.Readings[20].TimeMs},
        {log.Readings[10].TimeMs + 1, log.Readings[20].TimeMs + 1},
        {log.Intervals[1].StartMs, log.Intervals[3].StartMs},
        {log.Intervals[1].StartMs + 1, log.Intervals[3].StartMs + 1},
    };
    for (const CArchiveRange& range : ranges) {
        SCOPED_TRACE(range.FromMs - log.Readings[0].TimeMs);
        std::vector<std::int64_t> expected;
        for (const CStationReading& reading : log.Readings) {
            if (reading.TimeMs >= range.FromMs && reading.TimeMs < range.ToMs) {
                expected.push_back(reading.TimeMs);
            }
        }
        std::vector<std::int64_t> found;
        for (const CArchivedReading& reading : ArchivedReadings(*db, range)) {
            found.push_back(reading.TimeMs);
        }
        EXPECT_EQ(found, expected);
        expected.clear();
        for (const CIntervalLevels& interval : log.Intervals) {
            if (interval.StartMs >= range.FromMs && interval.StartMs < range.ToMs) {
                expected.push_back(interval.StartMs);
            }
        }
        found.clear();
        for (const CIntervalLevels& interval : ArchivedIntervals(*db, range)) {
            found.push_back(interval.StartMs);
        }
        EXPECT_EQ(found, expected);
    }
}

TEST(StationArchive, aFileThatIsNotOneItKnows_isRefusedAndLeftUntouched) {
    CTempDir directory;
    const auto file = directory / "archive.sqlite";
    const auto other = directory / "other.sqlite";
    const std::string archiveSql = std::string("PRAGMA application_id=1145849665; ") +
                                   "PRAGMA user_version=1; CREATE TABLE runs (id, start_ms);";
    struct Case {
        std::string Sql;  // the file; a text file when empty
        std::string Log;  // a log of another database beside it, made with this
        std::string Says;
    };
    const Case cases[] = {
        {"CREATE TABLE notes (text TEXT);", "", "is not an archive of datalogger-cli"},
        {"PRAGMA application_id=1145849665; PRAGMA user_version=" +
             std::to_string(ARCHIVE_SCHEMA_VERSION + 1) + "; CREATE TABLE runs (id);",
         "", "newer than this program knows (" + std::to_string(ARCHIVE_SCHEMA_VERSION) + ")"},
        {"", "", "is not an archive of datalogger-cli, or it is damaged"},
        {"CREATE TABLE notes (text TEXT);",
         "CREATE TABLE levels (level); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
         "FROM n WHERE i < 5000) INSERT INTO levels SELECT i FROM n;",
         "is not an archive of datalogger-cli"},
        {archiveSql + "INSERT INTO runs VALUES (1, 10);",
         archiveSql + "INSERT INTO runs VALUES (1, 20), (2, 30);",
         "belongs to another database: it was not applied"},
    };
    for (const auto& [sql, log, reason] : cases) {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(file.string() + suffix);
        }
        if (!sql.empty()) {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        } else {
            std::ofstream(file) << "level,time\n55.1,10:00\n";
        }
        if (!log.empty()) {
            LeaveLogBeside(other, log.c_str(), file);
        }
        const auto bytes = [&] {
            return ReadFileText(file) + "|" + ReadFileText(file.string() + "-wal") + "|" +
                   ReadFileText(file.string() + "-shm") + "|" +
                   std::to_string(std::filesystem::exists(file.string() + "-wal")) +
                   std::to_string(std::filesystem::exists(file.string() + "-shm"));
        };
        const std::string before = bytes();
        std::ostringstream messages;
        std::string refusal;
        bool busy = true;
        EXPECT_FALSE(CStationArchive::Open(file, messages, refusal, busy));
        EXPECT_FALSE(busy);
        EXPECT_NE(refusal.find(reason), std::string::npos) << refusal;
        EXPECT_NE(refusal.find("It was left untouched."), std::string::npos) << refusal;
        EXPECT_EQ(bytes(), before) << reason;
        EXPECT_FALSE(CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal));
        EXPECT_EQ(bytes(), before) << reason;
    }
}

TEST(StationArchive, theFileTakenAwayUnderTheWriter_isSeenAndEveryReadingKeptOrNamed) {
    CTempDir directory;
    const auto folder = directory / "station";
    const auto file = folder / "archive.sqlite";
    const auto restored = directory / "restored.sqlite";
    auto damage = [&] {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "PRAGMA writable_schema=ON; UPDATE sqlite_schema SET sql = "
                               "'CREATE TABLE readings (' WHERE name = 'readings'; "
                               "PRAGMA schema_version=100",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    };
    struct Case {
        const char* Name;
        std::function<void()> Change;
        const char* Says;
        std::int64_t AtThePath;  // readings the archive at the path holds in the end
    };
    const Case cases[] = {
        {"replaced", [&] { std::filesystem::rename(restored, file); },
         "is no longer the file being written", 5 + 3},
        {"deleted", [&] { std::filesystem::remove(file); }, "is no longer the file being written",
         3},
        // The folder comes back before the end: what was held is written there.
        {"folder removed", [&] { std::filesystem::remove_all(folder); }, "cannot be opened", 3},
        {"damaged", damage, "is damaged", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::ostringstream messages;
        std::int64_t number = 0;
        Take(*Started(restored, messages), number, 5);
        auto archive = Started(file, messages);
        ASSERT_TRUE(archive);
        Take(*archive, number, 4);
        ASSERT_TRUE(WaitFor(*archive, [&] { return Stored(file) == 4; }));
        // A run that ended in the file before the change stays there.
        archive->RunEnded(TEN_O_CLOCK_MS + number * 1000);
        archive->RunStarted({"logger", 1.0f, true, true, TEN_O_CLOCK_MS + number * 1000});
        ASSERT_TRUE(WaitFor(*archive, [&] { return Runs(file) == 2; }));
        c.Change();
        Take(*archive, number, 3);
        ASSERT_TRUE(WaitFor(*archive, [&] {
            return messages.str().find(c.Says) != std::string::npos;
        })) << messages.str();
        std::filesystem::create_directories(folder);
        const bool damaged = c.AtThePath < 0;
        EXPECT_EQ(archive->Close(), damaged ? 3 : 0) << messages.str();
        EXPECT_EQ(archive->Broken(), damaged);
        archive.reset();
        if (!damaged) {
            EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
            EXPECT_EQ(Stored(file), c.AtThePath) << messages.str();
            // The run goes on in the new file: every reading there is one of its runs'.
            std::string refusal;
            const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
            ASSERT_TRUE(db) << refusal;
            EXPECT_EQ(Number(*db, "SELECT sum(readings) FROM runs"), c.AtThePath);
            EXPECT_EQ(Number(*db, "SELECT count(*) FROM run_readings WHERE run IS NULL"), 0);
            EXPECT_EQ(Number(*db, "SELECT count(*) FROM runs WHERE readings = 0"), 0);
        }
    }
}

TEST(ArchiveFailure, extendedResultCodesTellHoldingReopeningAndStopping) {
    const std::pair<int, ArchiveFailure> cases[] = {
        {SQLITE_FULL, ArchiveFailure::Hold},
        {SQLITE_BUSY, ArchiveFailure::Hold},
        {SQLITE_BUSY_SNAPSHOT, ArchiveFailure::Hold},
        {SQLITE_IOERR_WRITE, ArchiveFailure::Reopen},
        {SQLITE_IOERR_FSYNC, ArchiveFailure::Reopen},
        {SQLITE_READONLY_DBMOVED, ArchiveFailure::Reopen},
        {SQLITE_CANTOPEN, ArchiveFailure::Reopen},
        {SQLITE_CORRUPT, ArchiveFailure::Damaged},
        {SQLITE_CORRUPT_INDEX, ArchiveFailure::Damaged},
        {SQLITE_NOTADB, ArchiveFailure::Damaged},
    };
    for (const auto& [code, failure] : cases) {
        EXPECT_EQ(ArchiveFailureOf(code), failure) << sqlite3_errstr(code);
    }
}

TEST(StationArchive, aSecondWriterIsRefusedAndReadersAreNot) {
    CTempDir directory;
    const auto file = directory / "archive.sqlite";
    std::ostringstream messages;
    std::string refusal;
    bool busy = false;
    auto writer = CStationArchive::Open(file, messages, refusal, busy);
    ASSERT_TRUE(writer) << refusal;
    writer->RunStarted({"logger", 1.0f, true, true, TEN_O_CLOCK_MS});
    writer->Reading({1, TEN_O_CLOCK_MS, 55.1f});

    EXPECT_FALSE(CStationArchive::Open(file, messages, refusal, busy));
    EXPECT_TRUE(busy);
    EXPECT_NE(refusal.find("is being written by another monitor"), std::string::npos);
    EXPECT_TRUE(WaitFor(*writer, [&] { return Stored(file) == 1; }));
}

// A program holding the whole file (exclusive locking) only delays an opening: it is named as a
// lock, never as damage, and once let go the archive opens.
TEST(StationArchive, aFileLockedByAnotherProgram_isSaidToBeLockedNotDamaged) {
    CTempDir directory;
    const auto file = directory / "archive.sqlite";
    std::ostringstream messages;
    auto writer = Started(file, messages);
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer->Close(), 0);
    writer.reset();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN IMMEDIATE; COMMIT",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(holder);
    std::string refusal;
    EXPECT_FALSE(CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal));
    EXPECT_NE(refusal.find("is locked by another program (database is locked)"),
              std::string::npos)
        << refusal;
    sqlite3_close(holder);
    EXPECT_TRUE(CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal)) << refusal;
}

TEST(StationArchive, fullDisk_holdsTheReadingsAndWritesThemWhenSpaceReturns) {
    CSmallFileSystem disk;
    if (!disk.Available()) {
        GTEST_SKIP() << "no small file system here (needs root)";
    }
    ASSERT_TRUE(disk.Resize(1 << 20));
    const auto file = disk.Path() / "archive.sqlite";
    std::ostringstream messages;
    std::string refusal;
    bool busy = false;
    auto archive = CStationArchive::Open(file, messages, refusal, busy);
    ASSERT_TRUE(archive) << refusal;
    archive->RunStarted({"logger", 1.0f, true, true, TEN_O_CLOCK_MS});
    std::int64_t number = 0;
    auto take = [&](std::int64_t readings) { Take(*archive, number, readings); };
    take(1);
    ASSERT_TRUE(WaitFor(*archive, [&] { return Stored(file) == 1; }));
    {
        std::ofstream filler(disk.Path() / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {
        }
    }
    take(100);
    archive->RunEnded(TEN_O_CLOCK_MS + 101000);  // a run's end is written at once: it fails
    ASSERT_TRUE(WaitFor(*archive, [&] {
        return messages.str().find("cannot be written") != std::string::npos;
    })) << messages.str();
    take(CStationArchive::MAX_HELD_READINGS);

    std::filesystem::remove(disk.Path() / "filler");
    ASSERT_TRUE(disk.Resize(64 << 20));
    EXPECT_EQ(archive->Close(), 100);  // beyond what memory holds
    EXPECT_NE(messages.str().find("is written again"), std::string::npos) << messages.str();
    archive.reset();
    auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    ASSERT_TRUE(db) << refusal;
    EXPECT_EQ(Number(*db, "SELECT count(*) FROM run_readings"),
              static_cast<std::int64_t>(CStationArchive::MAX_HELD_READINGS) + 1);
    EXPECT_EQ(Number(*db, "SELECT min(time_ms) FROM run_readings"), TEN_O_CLOCK_MS);
}

// Read-only media: the archive is read as it lies, with its log where the log's index lies
// beside it too; a log whose readings cannot be read there is said, never passed over.
TEST(StationArchive, onReadOnlyMedia_isReadWithItsLogOrRefusedWhereTheLogCannotBeRead) {
    const struct {
        const char* Name;
        bool LeaveLog;          // copied while a writer holds it, as a killed monitor leaves it
        bool KeepIndex;         // the log's index copied with it
        std::int64_t Readings;  // -1: refused
    } cases[] = {
        {"closed by its writer", false, false, 12},
        {"log and index left", true, true, 20},
        {"log without index", true, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        CReadOnlyFolder media;
        const auto file = media.Source() / "archive.sqlite";
        std::ostringstream messages;
        auto writer = Started(file, messages);
        std::int64_t number = 0;
        Take(*writer, number, 12);
        ASSERT_EQ(writer->Close(), 0);
        writer.reset();
        sqlite3* killed = nullptr;
        if (c.LeaveLog) {
            // Eight more readings, in the log alone.
            ASSERT_EQ(sqlite3_open(file.c_str(), &killed), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(killed,
                                   "PRAGMA wal_autocheckpoint=0; INSERT INTO readings SELECT "
                                   "time_ms + 12000, level_tenths FROM readings ORDER BY "
                                   "time_ms LIMIT 8",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK)
                << sqlite3_errmsg(killed);
            const auto left = media.Source() / "left";
            std::filesystem::create_directory(left);
            for (const char* suffix : {"", "-wal", "-shm"}) {
                if (std::string_view(suffix) != "-shm" || c.KeepIndex) {
                    std::filesystem::copy_file(file.string() + suffix,
                                               left.string() + "/archive.sqlite" + suffix);
                }
            }
        }
        if (!media.Mount()) {
            sqlite3_close(killed);
            GTEST_SKIP() << "no read-only bind mount here (needs root)";
        }
        const auto seen = media.View() / (c.LeaveLog ? "left/archive.sqlite" : "archive.sqlite");
        std::string refusal;
        const auto db = CArchiveDatabase::Open(seen, CArchiveDatabase::Access::Read, refusal);
        if (c.Readings < 0) {
            EXPECT_FALSE(db);
            EXPECT_NE(refusal.find("(read-only media)"), std::string::npos) << refusal;
        } else {
            ASSERT_TRUE(db) << refusal;
            EXPECT_EQ(static_cast<std::int64_t>(ArchivedReadings(*db, {}).size()), c.Readings);
        }
        sqlite3_close(killed);
    }
}

TEST(ArchiveTime, isoTimesWithOrWithoutAnOffsetAndLocalDaysAndMinutes) {
    const std::optional<std::int64_t> ten = TEN_O_CLOCK_MS;  // +02:00 on this day
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"2024-06-03T10:00:00+02:00", ten},
        {"2024-06-03T08:00:00Z", ten},
        {"2024-06-03T09:30:00+01:30", ten},
        {"2024-06-03T04:30:00-03:30", ten},
        {"2024-06-03T07:30:00-00:30", ten},
        {"2024-06-03T13:45:00+05:45", ten},
        {"2024-06-03T10:00", ten},
        {"2024-06-03 10:00", ten},
        {"2024-06-03", *ten - 36000000},
        {"2024-06-03T10", std::nullopt},
        {"2024-13-03", std::nullopt},
        {"today", std::nullopt},
        {"2024-06-03 10:00x", std::nullopt},
        // An hour the local clock skips is still a time of UTC and of other zones.
        {"2024-03-31T02:30:00Z", 1711852200000},
        {"2024-03-31T02:30:00-01:00", 1711855800000},
        {"2024-13-03T10:00:00Z", std::nullopt},
        {"2024-06-03T24:00:00+02:00", std::nullopt},
        {"2024-02-30", std::nullopt},
        {"2024-10-27T02:30", 1729989000000}};  // the first of its two passes
    for (const auto& [text, time] : cases) {
        EXPECT_EQ(ParseArchiveTime(text), time) << text;
    }
}

}  // namespace
