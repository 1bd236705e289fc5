// datalogger-cli monitor against the simulated logger. The logger is set up for 50 ms, so a
// run of a few readings takes about half a second of real time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <tuple>

#include "document/CDTDoc.h"
#include "export/CsvExport.h"
#include "logger/CRunJournal.h"
#include "platform/ProgramDirectory.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

CMeasurementRecord LastMeasurement() {
    CDTDoc doc;
    CRecordingPrompt prompt;
    EXPECT_EQ(doc.LoadLastMeasurement(prompt), LoadResult::Loaded);
    return doc.Record();
}

// The program as a shell command names it: the checkout's path may hold spaces.
constexpr const char* PROGRAM = "'" DATALOGGER_CLI_PROGRAM "'";

// Each test starts with a fresh program directory and a logger set up for real time at 50 ms.
struct MonitorCommand : testing::Test {
    void SetUp() override {
        TearDown();
        ASSERT_EQ(RunTool({"--simulate", "setup", "--mode", "RT", "--rate", "50ms"}).Status, 0);
    }
    void TearDown() override {
        std::filesystem::remove_all(ProgramDirectory());
        unsetenv("DATALOGGER_SIM_FAULTS");
    }
};

TEST_F(MonitorCommand, count_printsEachReadingAsItComesAndKeepsThemAll) {
    CTempDir directory;
    const auto csvFile = directory / "live.csv";
    const CToolRun run =
        RunTool({"--simulate", "monitor", "--count", "3", "--csv", csvFile.string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");

    const CMeasurementRecord kept = LastMeasurement();
    ASSERT_EQ(kept.SampleCount, 3);
    const std::vector<std::string> printed = Lines(run.Out);
    std::ifstream csvIn(csvFile);
    std::stringstream csvText;
    csvText << csvIn.rdbuf();
    ASSERT_EQ(printed.size(), 3u);
    const std::regex line(R"((\d+)\t\d\d/\d\d/\d\d \d\d:\d\d:\d\d\t(\d+\.\d))");
    // The live file reads as the csv command's export of the kept readings.
    std::string exported = CSV_HEADER_LINE;
    for (std::size_t i = 0; i < 3; ++i) {
        std::smatch fields;
        ASSERT_TRUE(std::regex_match(printed[i], fields, line)) << printed[i];
        EXPECT_EQ(fields[1], std::to_string(i + 1));
        EXPECT_FLOAT_EQ(std::stof(fields[2]), kept.Levels[i]);
        exported += CsvReadingLine(kept, static_cast<std::int32_t>(i));
    }
    EXPECT_EQ(csvText.str(), exported);
    EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
}

TEST_F(MonitorCommand, csvFileOnAFullDisk_isReportedAndTheReadingsAreStillKept) {
    const CToolRun run = RunTool({"--simulate", "monitor", "--count", "2", "--csv", "/dev/full"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "The CSV file \"/dev/full\" could not be written; the run goes on.\n");
    EXPECT_EQ(Lines(run.Out).size(), 2u);
    EXPECT_EQ(LastMeasurement().SampleCount, 2);
}

TEST_F(MonitorCommand, loggerStopsAnswering_keepsTheReadingsSaysSoAndExitsOne) {
    setenv("DATALOGGER_SIM_FAULTS", "read:4=fail", 1);  // the status, two levels, then nothing
    const CToolRun run = RunTool({"--simulate", "monitor"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(Lines(run.Out).size(), 2u);
    EXPECT_EQ(run.Err,
              "The logger stopped answering after 2 readings; they are kept in "
              "PreMeasure.sound.\n");
    EXPECT_EQ(LastMeasurement().SampleCount, 2);
}

TEST_F(MonitorCommand, interrupt_endsTheRunWithItsReadingsKept) {
    CTempDir directory;
    const auto csvFile = directory / "live.csv";
    // Once a reading has come (the header, then a line), however slowly the machine runs.
    std::thread interrupter([&] {
        for (int i = 0; i < 1200 && std::ranges::count(ReadFileText(csvFile), '\n') < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::raise(SIGINT);
    });
    const CToolRun run = RunTool({"--simulate", "monitor", "--csv", csvFile.string()});
    interrupter.join();
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::int32_t printed = static_cast<std::int32_t>(Lines(run.Out).size());
    EXPECT_GE(printed, 1);
    EXPECT_EQ(LastMeasurement().SampleCount, printed);
}

// Readings that cannot be written are said at once, a file that was not written is never
// claimed, and every end exits with 1.
TEST_F(MonitorCommand, readingsThatCannotBeWritten_areSaidAndExitOne) {
    // PreMeasure.sound is a folder; a full disk or not, the logger's faults, what is said.
    const std::tuple<bool, const char*, const char*> cases[] = {
        {true, "", "cannot be written to the data folder"},
        {false, "", "3 readings could not be written to PreMeasure.sound; PreMeasure.journal"},
        {false, "read:4=fail", "answering after 2 readings.\n"},
    };
    for (const auto& [diskFull, faults, said] : cases) {
        setenv("DATALOGGER_SIM_FAULTS", faults, 1);
        std::filesystem::create_directory(*LastMeasurementPath());
        const CToolRun run = [diskFull = diskFull] {
            const CFileSizeLimit full(diskFull ? 16 : RLIM_INFINITY);
            return RunTool({"--simulate", "monitor", "--count", "3"});
        }();
        EXPECT_EQ(run.Status, 1) << said;
        EXPECT_NE(run.Err.find(said), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find("kept in PreMeasure.sound"), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::is_regular_file(*LastMeasurementPath())) << said;
        TearDown();
        SetUp();
    }
}

// A stopped process misses polls: their slots stay as readings without a level, so that every
// later reading keeps its true time. SIGTERM, as a service manager sends it, ends the run with
// every reading kept.
TEST_F(MonitorCommand, aStallThenSIGTERM_keepsTheMissedSlotsWithoutALevelAndEveryReading) {
    CTempDir dir;
    const std::string out = (dir / "out").string();
    const std::string command =
        std::string(PROGRAM) + " --simulate monitor >" + out + " 2>" + (dir / "err").string() +
        " & until [ -s " + out +
        " ] || ! kill -0 $!; do sleep 0.1; done; kill -STOP $!; sleep 1; n=$(wc -l <" + out +
        "); kill -CONT $!; until [ $(wc -l <" + out +
        ") -gt $((n + 25)) ] || ! kill -0 $!; "
        "do sleep 0.1; done; kill -TERM $!; wait $!";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFileText(dir / "err");
    const CMeasurementRecord kept = LastMeasurement();
    EXPECT_EQ(kept.SampleCount, std::ssize(Lines(ReadFileText(dir / "out"))));
    EXPECT_GE(std::count_if(kept.Levels.begin(), kept.Levels.begin() + kept.SampleCount,
                            [](float level) { return std::isnan(level); }),
              10)
        << "a stop of a second at 50 ms";
    EXPECT_NE(ReadFileText(dir / "err").find("kept without a level"), std::string::npos);
}

// A service manager's SIGTERM and a closed terminal's SIGHUP end a station's run as a stop:
// exit 0, its open interval printed last and every reading kept.
TEST_F(MonitorCommand, stopSignals_endTheRunWithItsOpenIntervalAndReadingsKept) {
    for (const std::string signal : {"TERM", "HUP"}) {
        CTempDir dir;
        const std::string out = (dir / "out").string();
        const std::string command =
            std::string(DATALOGGER_CLI_PROGRAM) + " --simulate monitor --interval 1h --archive " +
            (dir / "a").string() + " >" + out + " & until [ -s " + out +
            " ] || ! kill -0 $!; do sleep 0.1; done; kill -" + signal + " $!; wait $!";
        EXPECT_EQ(std::system(command.c_str()), 0) << signal;
        const std::vector<std::string> printed = Lines(ReadFileText(out));
        EXPECT_TRUE(printed.back().starts_with("interval\t")) << signal;
        EXPECT_GE(LastMeasurement().SampleCount, std::ssize(printed) - 2) << signal;
    }
}

// A reader that goes away (monitor | head -n 1) ends the run with its readings kept instead
// of killing the process with the run unfinished.
TEST_F(MonitorCommand, readerGoneAway_endsTheRunWithItsReadingsKept) {
    CTempDir dir;
    const std::string command = "(" + std::string(PROGRAM) + " --simulate monitor --count 100 2>" +
                                (dir / "err").string() + "; echo $? >" + (dir / "status").string() +
                                ") | head -n 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileText(dir / "status"), "1\n");
    EXPECT_EQ(ReadFileText(dir / "err"), "The output could not be written; the run ends.\n");
    EXPECT_GE(LastMeasurement().SampleCount, 2);
    EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
}

// The same with an archive: the station stops at once instead of polling to its end.
TEST_F(MonitorCommand, readerGoneAwayFromAStation_endsItsRunWithTheReadingsKept) {
    CTempDir dir;
    const std::string command = "(" + std::string(PROGRAM) +
                                " --simulate monitor --duration 20s --archive " +
                                (dir / "a.sqlite").string() + " 2>" + (dir / "err").string() +
                                "; echo $? >" + (dir / "status").string() + ") | head -n 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileText(dir / "status"), "1\n");
    EXPECT_EQ(ReadFileText(dir / "err"), "The output could not be written; the run ends.\n");
    EXPECT_GE(LastMeasurement().SampleCount, 2);
}

TEST_F(MonitorCommand, storedModeLogger_isLeftUnreadWithExitThree) {
    ASSERT_EQ(RunTool({"--simulate", "setup", "--mode", "STOR", "--rate", "1s"}).Status, 0);
    CTempDir directory;
    std::ofstream(directory / "earlier.csv") << "an earlier file";
    const CToolRun run = RunTool(
        {"--simulate", "monitor", "--count", "2", "--csv", (directory / "earlier.csv").string()});
    EXPECT_EQ(run.Status, EXIT_REAL_TIME);
    EXPECT_EQ(ReadFileText(directory / "earlier.csv"), "an earlier file");
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("set up for stored mode"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(*LastMeasurementPath()));
}

TEST_F(MonitorCommand, unfinishedRunLeftBehind_isRecoveredBeforeTheNewRun) {
    setenv("DATALOGGER_SIM_FAULTS", "read:3=fail", 1);
    ASSERT_EQ(RunTool({"--simulate", "monitor"}).Status, 1);  // one reading, kept
    // As if that run had been killed: its journal is back, and the last measurement gone.
    CRunJournal journal(*RunJournalPath());
    ASSERT_TRUE(journal.Begin(LastMeasurement()));
    std::filesystem::remove(*LastMeasurementPath());
    unsetenv("DATALOGGER_SIM_FAULTS");

    const CToolRun run = RunTool({"--simulate", "monitor", "--count", "1"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err,
              "An unfinished real-time run was recovered into PreMeasure.sound (1 readings).\n");
    EXPECT_EQ(LastMeasurement().SampleCount, 1);
}

// Recovery into a data folder that takes no more: said, and the new run leaves the journal.
TEST_F(MonitorCommand, recoveryThatCannotWrite_isSaidAndTheNewRunLeavesTheJournalWhole) {
    ASSERT_EQ(RunTool({"--simulate", "monitor", "--count", "2"}).Status, 0);
    ASSERT_TRUE(CRunJournal(*RunJournalPath()).Begin(LastMeasurement()));
    const std::string journal = ReadFileText(*RunJournalPath());
    CToolRun run;
    {
        const CFileSizeLimit limit(50);
        run = RunTool({"--simulate", "monitor", "--count", "1"});
    }
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Err.find(MSG_RECOVERY_NOT_WRITTEN), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileText(*RunJournalPath()), journal);
}

}  // namespace
