// datalogger-cli monitor --archive against the simulated logger on a faster clock.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

#include <nlohmann/json.hpp>

#include "document/MeasurementHistory.h"
#include "export/AcousticStatistics.h"
#include "platform/ProgramDirectory.h"
#include "station/ArchiveQueries.h"
#include "station/CStationArchive.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"
#include "tests/station/ArchiveCheck.h"
#include "tests/station/IntervalCheck.h"

namespace {

struct MonitorArchive : testing::Test {
    void SetUp() override {
        std::filesystem::remove_all(ProgramDirectory());
        ASSERT_EQ(RunTool({"--simulate", "setup", "--mode", "RT", "--rate", "1s"}).Status, 0);
        setenv("DATALOGGER_SIM_SPEED", "50000", 1);
    }
    void TearDown() override { unsetenv("DATALOGGER_SIM_SPEED"); }

    std::unique_ptr<CArchiveDatabase> Archive() const {
        std::string refusal;
        auto db = CArchiveDatabase::Open(File, CArchiveDatabase::Access::Read, refusal);
        EXPECT_TRUE(db) << refusal;
        return db;
    }
    std::int64_t Number(const char* sql) const {
        const auto db = Archive();  // open until the statement is finalized
        CStatement statement(db->Handle(), sql);
        EXPECT_EQ(statement.Step(), SQLITE_ROW) << sql;
        return statement.Integer(0);
    }

    // The runs in the archive so far; none while it is not there yet.
    std::int64_t RunsSoFar() const {
        std::string refusal;
        const auto db = CArchiveDatabase::Open(File, CArchiveDatabase::Access::Read, refusal);
        if (!db) {
            return 0;
        }
        CStatement statement(db->Handle(), "SELECT count(*) FROM runs");
        return statement.Step() == SQLITE_ROW ? statement.Integer(0) : 0;
    }

    // `monitor --archive File --interval 1m` and `options`, a process of its own: its output
    // thrown away, what it says kept in Said.
    pid_t StartMonitor(const char* option) const {
        const pid_t child = fork();
        if (child == 0) {
            (void)!freopen("/dev/null", "w", stdout);
            (void)!freopen(Said.c_str(), "w", stderr);
            execl(DATALOGGER_CLI_PROGRAM, DATALOGGER_CLI_PROGRAM, "--simulate", "monitor",
                  "--archive", File.c_str(), "--interval", "1m", option, nullptr);
            _exit(127);
        }
        return child;
    }
    // Waits for `done` up to three minutes, however slowly the machine runs.
    static bool Eventually(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return done();
    }

    CTempDir Directory;
    std::filesystem::path File = Directory / "archive.sqlite";
    std::filesystem::path Said = Directory / "said.txt";
};

TEST_F(MonitorArchive, twoHundredThousandReadings_allKeptWithTheLevelsOfEveryMinute) {
    std::ofstream discard("/dev/null");
    const CToolRun run = RunTool({"--simulate", "monitor", "--archive", File.string(), "--interval",
                                  "1m", "--count", "200000"},
                                 &discard);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto db = Archive();
    const auto readings = ArchivedReadings(*db, {});
    const auto intervals = ArchivedIntervals(*db, {});
    ASSERT_EQ(readings.size(), 200000u);
    ASSERT_GE(intervals.size(), 3334u);
    EXPECT_EQ(intervals.front().Partial,
              readings.front().TimeMs - intervals.front().StartMs >= 1000);
    EXPECT_EQ(intervals.back().Partial, intervals.back().EndMs - readings.back().TimeMs > 1000);
    std::int64_t counted = 0;
    for (const CIntervalLevels& interval : intervals) {
        std::vector<float> own;
        for (const CArchivedReading& reading :
             ArchivedReadings(*db, {interval.StartMs, interval.EndMs})) {
            own.push_back(reading.LevelDb);
        }
        ExpectFiguresOf(interval, std::move(own));
        counted += interval.Count;
    }
    EXPECT_EQ(counted, 200000);
}

// A service's journal: the intervals, not a line per reading, with every reading archived.
TEST_F(MonitorArchive, quietReadings_printsOnlyTheIntervals) {
    const CToolRun run = RunTool({"--simulate", "monitor", "--archive", File.string(), "--interval",
                                  "1m", "--count", "600", "--quiet-readings"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::istringstream out(run.Out);
    std::size_t lines = 0;
    for (std::string line; std::getline(out, line); ++lines) {
        EXPECT_TRUE(line.starts_with("interval\t")) << line;
    }
    EXPECT_EQ(lines, std::max<std::size_t>(ArchivedIntervals(*Archive(), {}).size(), 10));
    EXPECT_EQ(Number("SELECT COUNT(*) FROM run_readings"), 600);
}

TEST_F(MonitorArchive, killedAtFiveRandomMoments_leavesAWholeArchiveCompletedAtTheNextStart) {
    // The runs whose last readings lack the row of their interval.
    constexpr const char* LACKING = "SELECT count(*) FROM runs u WHERE end_ms > coalesce((SELECT "
                                    "max(end_ms) FROM intervals WHERE run = u.id), start_ms)";
    std::mt19937 random(std::random_device{}());
    std::int64_t lacking = 0;
    for (int kill = 1; kill <= 5; ++kill) {
        const pid_t child = StartMonitor(nullptr);
        ASSERT_GE(child, 0);
        // Killed at a random moment after its first commit; the first only once it has kept a
        // reading, so that some are there to check.
        EXPECT_TRUE(Eventually([&] {
            return RunsSoFar() >= kill &&
                   (kill > 1 || Number("SELECT count(*) FROM readings") > 0);
        }));
        const auto moment = std::uniform_int_distribution<int>(0, 2500)(random);
        std::this_thread::sleep_for(std::chrono::milliseconds(moment));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status))
            << "monitor " << kill << " ended before it was killed: " << ReadFileText(Said);
        SCOPED_TRACE(std::to_string(kill) + " killed after " + std::to_string(moment) + " ms");
        const auto db = Archive();
        CStatement check(db->Handle(), "PRAGMA integrity_check");
        ASSERT_EQ(check.Step(), SQLITE_ROW);
        EXPECT_EQ(check.Text(0), "ok");
        // Each commit holds a run's readings with its count: none is half there.
        EXPECT_EQ(Number("SELECT count(*) FROM runs"), kill);
        EXPECT_EQ(Number("SELECT count(*) FROM runs r WHERE readings != (SELECT count(*) FROM "
                         "run_readings WHERE run = r.id)"),
                  0);
        EXPECT_EQ(Number("SELECT count(*) FROM (SELECT 1 FROM run_readings GROUP BY run, time_ms "
                         "HAVING count(*) > 1)"),
                  0);
        // The minute rows are those of the readings, the last minute's as far as it got.
        EXPECT_EQ(MinutesUnlikeTheirReadings(*Archive()), 0);
        // The killed run's last readings lack the row of their interval until the next start.
        lacking += Number(LACKING);
    }
    EXPECT_GT(Number("SELECT count(*) FROM run_readings"), 0);
    EXPECT_GE(lacking, 1);
    // The next start makes the rows from the readings: every reading of every run lies in
    // one interval row, of the figures of its readings.
    const std::int64_t lackingBeforeTheNext = Number(LACKING);
    const CToolRun next = RunTool({"--simulate", "monitor", "--archive", File.string(),
                                   "--interval", "1m", "--count", "1", "--quiet-readings"});
    EXPECT_EQ(next.Err.find("rows were made from the readings") != std::string::npos,
              lackingBeforeTheNext > 0)
        << next.Err;
    EXPECT_EQ(Number("SELECT count(*) FROM runs u WHERE readings != (SELECT coalesce(sum(count), "
                     "0) FROM intervals WHERE run = u.id)"),
              0);
    // Each run's last interval, made at the next start, holds the figures of its readings.
    EXPECT_EQ(Number("SELECT count(*) FROM (SELECT 1 FROM intervals i JOIN runs u ON u.id = i.run AND "
                     "i.end_ms >= u.end_ms JOIN (SELECT run, time_ms, level_tenths FROM "
                     "run_readings) r ON r.run = i.run AND r.time_ms >= i.start_ms AND "
                     "r.time_ms < i.end_ms GROUP BY i.run, i.start_ms HAVING i.count != count(*) "
                     "OR i.lmax_tenths IS NOT max(r.level_tenths) OR i.lmin_tenths IS NOT "
                     "min(r.level_tenths) OR NOT abs(i.leq_db - 10 * log10(avg(pow(10, "
                     "r.level_tenths / 100.0)))) < 1e-4)"),
              0);
}

// A reader that holds its snapshot keeps the log from being cut back; once it lets go, the
// log shrinks back to its limit at the next checkpoint.
TEST_F(MonitorArchive, logGrownUnderAReaderHeldOpen_shrinksBackWhenItLetsGo) {
    const pid_t child = StartMonitor("--quiet-readings");
    ASSERT_GE(child, 0);
    const auto logSize = [&] {
        std::error_code missing;
        const auto size = std::filesystem::file_size(File.string() + "-wal", missing);
        return missing ? std::int64_t{0} : static_cast<std::int64_t>(size);
    };
    EXPECT_TRUE(Eventually([&] { return RunsSoFar() > 0; }));
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(File.c_str(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM runs", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_TRUE(Eventually([&] { return logSize() > CArchiveDatabase::LOG_SIZE_LIMIT; }))
        << "the log never grew past its limit under the reader: " << logSize();
    sqlite3_close_v2(reader);
    EXPECT_TRUE(Eventually([&] { return logSize() <= CArchiveDatabase::LOG_SIZE_LIMIT; }))
        << logSize();
    ASSERT_EQ(::kill(child, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFileText(Said);
}

TEST_F(MonitorArchive, anotherConnectionHoldingTheArchive_turnsNoReadingIntoAMissingOne) {
    ASSERT_EQ(RunTool({"--simulate", "monitor", "--archive", File.string(), "--count", "1"}).Status,
              0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    // 10 s of readings; the lock is held for the first 8, longer than a commit waits for it.
    setenv("DATALOGGER_SIM_SPEED", "100", 1);
    const auto said = Directory / "said.txt";
    const std::string command = std::string("'") + DATALOGGER_CLI_PROGRAM +
                                "' --simulate monitor --count 1000 --archive '" + File.string() +
                                "' 2>'" + said.string() + "'";
    FILE* monitor = popen(command.c_str(), "r");
    ASSERT_TRUE(monitor);
    std::array<char, 256> line{};
    for (int lines = 0; fgets(line.data(), line.size(), monitor);) {
        if (++lines == 800) {
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    const int status = pclose(monitor);
    sqlite3_close(other);
    const std::string messages = ReadFileText(said);
    EXPECT_EQ(status, 0) << messages;
    EXPECT_NE(messages.find("cannot be written (database is locked)"), std::string::npos)
        << messages;
    EXPECT_NE(messages.find("is written again"), std::string::npos) << messages;
    EXPECT_EQ(Number("SELECT count(*) FROM run_readings WHERE level_tenths IS NULL"), 0);
    EXPECT_EQ(Number("SELECT count(*) FROM run_readings"), 1001);
}

// No run of monitor pushes out of the history a measurement the user kept there, and a
// station's archived records never enter it: only the measurement its first record replaced.
TEST_F(MonitorArchive, history_keepsTheUsersMeasurementsAndNoArchivedRecord) {
    const std::filesystem::path history = ProgramDirectory() / HISTORY_FOLDER;
    const std::vector<std::string> monitors[] = {
        {"--simulate", "monitor", "--count", "2"},
        {"--simulate", "monitor", "--archive", File.string(), "--count", "25000"}};
    for (const std::vector<std::string>& monitor : monitors) {
        ASSERT_EQ(RunTool({"--simulate", "monitor", "--count", "1"}).Status, 0);
        std::filesystem::remove_all(history);
        std::filesystem::create_directories(history);
        for (std::size_t i = 0; i < HISTORY_LIMIT; ++i) {
            std::ofstream(history / (std::to_string(i) + ".sound")) << i;
        }
        ASSERT_EQ(RunTool(monitor).Status, 0);
        for (std::size_t i = 0; i < HISTORY_LIMIT; ++i) {
            EXPECT_TRUE(std::filesystem::exists(history / (std::to_string(i) + ".sound"))) << i;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(history), {}), 21);
    }
}

// libfaketime sets the system's clock three hours forward after the first reading while the
// steady clock runs on: a new run begins, said, and its times are the clock's as set.
TEST_F(MonitorArchive, systemClockSet_startsANewRunAtTheNewTime) {
    unsetenv("DATALOGGER_SIM_SPEED");  // real time, stamped by the system's clock
    const auto quoted = [](const std::filesystem::path& path) { return "'" + path.string() + "'"; };
    const auto step = Directory / "faketime", out = Directory / "out", err = Directory / "err";
    std::ofstream(step) << "+0\n";
    const std::string command =
        // The sanitizer build's runtime must otherwise come first among the preloaded libraries.
        "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" "
        "LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 FAKETIME_NO_CACHE=1 "
        "FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_TIMESTAMP_FILE=" +
        quoted(step) + " " + quoted(DATALOGGER_CLI_PROGRAM) + " --simulate monitor --archive " +
        quoted(File) + " >" + quoted(out) + " 2>" + quoted(err) + " & until [ -s " + quoted(out) +
        " ] || ! kill -0 $!; do sleep 0.1; done; echo +3h >" + quoted(step) +
        "; until grep -q 'set forward by' " +
        quoted(err) +
        " || ! kill -0 $!; do sleep 0.1; done; "
        "kill -TERM $!; wait $!";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFileText(err);
    EXPECT_EQ(Number("SELECT count(*) FROM runs"), 2) << ReadFileText(err);
    EXPECT_GE(Number("SELECT max(start_ms) - min(end_ms) FROM runs"), 3 * 3600000 - 2000);
}

TEST_F(MonitorArchive, refusals_leaveTheArchiveAsItWasAndSayWhy) {
    struct Case {
        std::vector<std::string> Arguments;
        int Status;
        const char* Says;
    };
    std::ofstream(File) << "not an archive\n";
    const Case cases[] = {
        {{"--archive", File.string()}, EXIT_BAD_FILE, "is not an archive of datalogger-cli"},
        {{"--count", "10001"}, EXIT_USAGE, "is more than a record holds (10000)"},
        {{"--interval", "2m"}, EXIT_USAGE, "is none of 1m, 5m, 10m, 15m, 30m, 1h"},
        {{"--duration", "36x"}, EXIT_USAGE, "cannot read \"36x\""},
        {{"--duration", "106751991167d"}, EXIT_USAGE, "is longer than a monitor runs"},
        {{"--count", "0"}, EXIT_USAGE, "\"0\" is not a number of readings (1 or more)"},
        {{"--archive", File.string(), "--count", "-3"}, EXIT_USAGE, "\"-3\" is not a number"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"--simulate", "monitor"};
        arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
        const CToolRun run = RunTool(arguments);
        EXPECT_EQ(run.Status, c.Status) << c.Says;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_EQ(run.Out, "");
    }
    EXPECT_EQ(ReadFileText(File), "not an archive\n");

    // A second monitor of the logger, while another holds it.
    const int held = open(ProgramFile("Monitor.lock")->c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const CToolRun second =
        RunTool({"--simulate", "monitor", "--archive", (Directory / "other.sqlite").string()});
    close(held);
    EXPECT_EQ(second.Status, EXIT_LOGGER_TAKEN);
    EXPECT_EQ(second.Err, "Another monitor is watching the logger; a logger has one monitor.\n");
}

// Read as it streams by, the archive gives every figure of stats, the assessment's too, as the
// measurement file of the same readings does: over an hour and more, so that the sliding
// hour's maximum is there to compare.
TEST_F(MonitorArchive, archiveStats_areTheStatisticsOfTheSameReadingsInAFile) {
    ASSERT_EQ(RunTool({"--simulate", "monitor", "--archive", File.string(), "--count", "4000",
                       "--quiet-readings"})
                  .Status,
              0);
    const auto sound = Directory / "one.sound";
    ASSERT_EQ(RunTool({"archive", "export", File.string(), sound.string()}).Status, 0);
    auto archived =
        nlohmann::json::parse(RunTool({"archive", "stats", File.string(), "--json"}).Out);
    const auto file = nlohmann::json::parse(RunTool({"stats", sound.string(), "--json"}).Out);
    EXPECT_EQ(archived["count"], 4000);
    EXPECT_FALSE(archived["assessment"]["laeq_60min_max_db"].is_null());
    archived.erase("runs");
    archived.erase("intervals");
    EXPECT_EQ(archived, file) << archived.dump(2) << file.dump(2);
}

TEST_F(MonitorArchive, archiveCommands_readWhatTheMonitorsKept) {
    const std::vector<std::string> monitor = {"--simulate", "monitor", "--archive", File.string(),
                                              "--interval", "1m",      "--count",   "130"};
    ASSERT_EQ(RunTool(monitor).Status, 0);
    const auto archived =
        nlohmann::json::parse(RunTool({"archive", "stats", File.string(), "--json"}).Out);
    EXPECT_EQ(archived["runs"], 1);
    EXPECT_EQ(archived["intervals"].size(),
              static_cast<std::size_t>(Number("SELECT count(*) FROM intervals")));

    ASSERT_EQ(RunTool(monitor).Status, 0);
    struct Case {
        std::vector<std::string> Arguments;
        int Status;
        const char* Says;  // in the output, or in the error when the status is not 0
    };
    const Case cases[] = {
        {{"runs"}, 0, "\t130\t1\tA\tSound Level Datalogger (simulated)\n"},
        {{"export", "--from", "today", "x.csv"}, EXIT_USAGE, "Cannot read the time \"today\""},
        {{"export", (Directory / "two.sound").string()},
         EXIT_USAGE,
         "holds the readings of one run, at most 1000000; the range holds 260 readings of 2 runs"},
        {{"stats", "--to", "2000-01-01"}, 0, "Runs: 0\nReadings: 0\n"},
        {{"export", File.string()}, EXIT_USAGE, "is the archive"},
        {{"export", (Directory / "link.csv").string()}, EXIT_USAGE, "is the archive"},
        {{"stats", "--from", "2026-02-30"}, EXIT_USAGE, "Cannot read the time \"2026-02-30\""},
        {{"stats", "--from", "2026-01-02", "--to", "2026-01-01"},
         EXIT_USAGE,
         "--from (2026-01-02) must come before --to (2026-01-01)"},
    };
    std::filesystem::create_symlink(File, Directory / "link.csv");
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"archive", c.Arguments.front(), File.string()};
        arguments.insert(arguments.end(), c.Arguments.begin() + 1, c.Arguments.end());
        const CToolRun run = RunTool(arguments);
        EXPECT_EQ(run.Status, c.Status) << c.Says;
        EXPECT_NE((c.Status == 0 ? run.Out : run.Err).find(c.Says), std::string::npos)
            << run.Out << run.Err;
    }
    EXPECT_EQ(Number("SELECT count(*) FROM run_readings"), 260);
    // One name alone is the file to write, from the default archive.
    const CToolRun alone = RunTool({"archive", "export", (Directory / "x.csv").string()});
    EXPECT_NE(alone.Err.find("does not exist"), std::string::npos) << alone.Err;
    const auto csv = Directory / "all.csv";
    ASSERT_EQ(RunTool({"archive", "export", File.string(), csv.string()}).Status, 0);
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(std::ifstream(csv).rdbuf()), {}, '\n'),
              261);
}

}  // namespace
