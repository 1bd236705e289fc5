// Fault sweeps: every transfer of a setup, a calibration and a download fails in turn, in
// every way the simulated logger can fail it, and every write of the last measurement, the
// settings file and a save fails in turn for want of room. Each time the tool must not
// crash, must say what failed, and must keep what was stored before.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/CDTDoc.h"
#include "logger/MemoryImage.h"
#include "platform/CSettings.h"
#include "platform/ProgramDirectory.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/SmallFileSystem.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"
#include "tests/document/ExampleRecord.h"

namespace {

constexpr std::uint64_t PAGE = 4096;  // the smallest step in which a write can run out of room

struct FaultSweep : testing::Test {
    void SetUp() override {
        std::filesystem::remove_all(ProgramDirectory());
        for (const char* name : {"DATALOGGER_SIM_FAULTS", "DATALOGGER_SIM_MEMORY",
                                 "DATALOGGER_USB_ID", "DATALOGGER_USB_TRACE"}) {
            unsetenv(name);
        }
        CMemoryImage image;
        image.Header.RateCode = 2;
        for (int i = 0; i < m_readings; ++i) {
            image.AppendReading(static_cast<std::uint16_t>(500 + i % 300));
        }
        ASSERT_TRUE(SaveMemoryImage(m_dir / "memory.bin", image));
        setenv("DATALOGGER_SIM_MEMORY", (m_dir / "memory.bin").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("DATALOGGER_SIM_MEMORY");
        unsetenv("DATALOGGER_SIM_FAULTS");
        unsetenv("DATALOGGER_USB_TRACE");
    }

    // What the program keeps, as it was before a command ran.
    void StoreEarlierFiles() {
        CDTDoc doc;
        doc.ReplaceRecord(ExampleRecord(7), DocumentChange::Downloaded);
        ASSERT_TRUE(doc.SaveLastMeasurement());
        ASSERT_TRUE(WriteSettingsFile(CFrameSettings{}, CViewSettings{}));
        m_lastMeasurement = ReadFileText(*LastMeasurementPath());
        m_settings = ReadFileText(*SettingsFilePath());
    }
    void ExpectEarlierFilesKept(const std::string& context) const {
        EXPECT_EQ(ReadFileText(*LastMeasurementPath()), m_lastMeasurement) << context;
        EXPECT_EQ(ReadFileText(*SettingsFilePath()), m_settings) << context;
    }

    CTempDir m_dir;
    int m_readings = 600;  // three memory blocks
    std::string m_lastMeasurement;
    std::string m_settings;
};

// The transfers of a run as the bridge trace lists them, without their times.
std::vector<std::string> TracedTransfers(const std::filesystem::path& trace) {
    std::vector<std::string> transfers;
    std::istringstream lines(ReadFileText(trace));
    for (std::string line; std::getline(lines, line);) {
        const auto operation = line.find_first_not_of(" .0123456789");
        if (line.compare(operation, 6, "write ") == 0 || line.compare(operation, 5, "read ") == 0) {
            transfers.push_back(line.substr(operation));
        }
    }
    return transfers;
}

// Every way the simulated logger can fail transfer `index` (0-based) of a run.
std::vector<std::string> FaultsOf(const std::vector<std::string>& transfers, std::size_t index) {
    const bool write = transfers[index].starts_with("write");
    int number = 0;  // among the transfers of its direction, from 1
    for (std::size_t i = 0; i <= index; ++i) {
        number += transfers[i].starts_with("write") == write ? 1 : 0;
    }
    const std::string own = (write ? "write:" : "read:") + std::to_string(number);
    std::vector<std::string> faults = {own + "=fail", "unplug:" + std::to_string(index + 1)};
    if (write) {
        faults.push_back(own + "=short");
    }
    return faults;
}

TEST_F(FaultSweep, everyTransferOfASetupACalibrationAndADownloadFailedInTurn) {
    const auto trace = m_dir / "trace.txt";
    setenv("DATALOGGER_USB_TRACE", trace.c_str(), 1);
    int swept = 0;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"--simulate", "setup", "--start", "auto"},
          {"--simulate", "calibrate", "4"},
          {"--simulate", "download"}}) {
        const std::string name = command[1];
        StoreEarlierFiles();
        std::filesystem::remove(trace);
        ASSERT_EQ(RunTool(command).Status, 0) << name;
        const std::vector<std::string> clean = TracedTransfers(trace);
        ASSERT_GE(clean.size(), 2u) << name;
        for (std::size_t index = 0; index < clean.size(); ++index) {
            for (const std::string& fault : FaultsOf(clean, index)) {
                const std::string context = name + " " + fault;
                StoreEarlierFiles();
                std::filesystem::remove(trace);
                setenv("DATALOGGER_SIM_FAULTS", fault.c_str(), 1);
                const CToolRun run = RunTool(command);
                unsetenv("DATALOGGER_SIM_FAULTS");
                const std::vector<std::string> faulted = TracedTransfers(trace);
                ASSERT_GT(faulted.size(), index) << context;
                ASSERT_NE(faulted[index], clean[index]) << context << ": the fault was not hit";
                ++swept;
                if (run.Status == 0) {
                    // A setup waits through failed reads for its acknowledgement.
                    EXPECT_EQ(run.Err, "") << context;
                    EXPECT_TRUE(fault.starts_with("read:")) << context;
                    continue;
                }
                EXPECT_EQ(run.Status, 1) << context;
                EXPECT_TRUE(run.Err.ends_with("Failed writing data to the datalogger.\n") ||
                            run.Err.ends_with("Failed reading data from the datalogger.\n"))
                    << context << ": " << run.Err;
                if (name == "calibrate") {
                    // The value is the calibration setting whether or not the logger took it.
                    EXPECT_EQ(ReadFrameSettings(ReadSettingsFile()).Calibration, "4") << context;
                    EXPECT_EQ(ReadFileText(*LastMeasurementPath()), m_lastMeasurement) << context;
                } else {
                    ExpectEarlierFilesKept(context);
                }
            }
        }
    }
    RecordProperty("fault points", swept);
    EXPECT_GE(swept, 30);
}

// The last measurement, then the settings file, each cut off at every write in turn.
TEST_F(FaultSweep, everyWriteOfTheLastMeasurementAndTheSettingsFailedInTurn) {
    m_readings = 20000;  // about 80 KB of last measurement: twenty writes
    SetUp();
    struct Case {
        std::vector<std::string> Command;
        std::uint64_t Step;
        std::string Told;
    };
    const std::string lastMeasurement = LastMeasurementPath()->string();
    int swept = 0;
    for (const Case& c :
         {Case{{"--simulate", "download"},
               PAGE,
               "The measurement could not be written to \"" + lastMeasurement + "\".\n"},
          Case{
              {"--simulate", "setup", "--led", "20"}, 64, "The settings could not be stored.\n"}}) {
        StoreEarlierFiles();
        ASSERT_EQ(RunTool(c.Command).Status, 0);
        const auto written =
            c.Command[1] == "download" ? *LastMeasurementPath() : *SettingsFilePath();
        const std::uint64_t size = std::filesystem::file_size(written);
        for (std::uint64_t limit = 0; limit < size; limit += c.Step) {
            StoreEarlierFiles();
            CToolRun run;
            {
                CFileSizeLimit full(limit);
                run = RunTool(c.Command);
            }
            ++swept;
            EXPECT_EQ(run.Status, 1) << c.Command[1] << " " << limit;
            EXPECT_TRUE(run.Err.ends_with(c.Told)) << c.Command[1] << " " << limit << run.Err;
            ExpectEarlierFilesKept(c.Command[1] + " " + std::to_string(limit));
        }
    }
    RecordProperty("fault points", swept);
    EXPECT_GE(swept, 20);
}

// A save into a disk that has room for one more page at a time: first the report, then the
// measurement file runs out of room at each of its writes, until both fit.
TEST_F(FaultSweep, everyWriteOfASaveFailedInTurn) {
    CSmallFileSystem disk;
    if (!disk.Available()) {
        GTEST_SKIP() << "a small file system needs root";
    }
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(20000), DocumentChange::Downloaded);
    ASSERT_TRUE(doc.StoreFile(m_dir / "in.sound"));
    const auto name = disk.Path() / "street";
    std::ofstream(disk.Path() / "street.sound") << "earlier measurement";
    std::ofstream(disk.Path() / "street.xls") << "earlier report";
    const std::uint64_t used = disk.Used();

    std::vector<std::string> failedFiles;
    int swept = 0;
    for (std::uint64_t room = 0;; room += PAGE) {
        ASSERT_TRUE(disk.Resize(used + room));
        const CToolRun run = RunTool({"save", (m_dir / "in.sound").string(), name.string()});
        if (run.Status == 0) {
            break;
        }
        ASSERT_LT(room, 4u << 20) << "the save never fits";
        ++swept;
        EXPECT_EQ(run.Status, 1);
        const bool report = run.Err.starts_with("The file \"" + name.string() + ".xls\"");
        const bool sound = run.Err.starts_with("The file \"" + name.string() + ".sound\"");
        EXPECT_TRUE(report || sound) << run.Err;
        if (failedFiles.empty() || failedFiles.back() != (report ? "xls" : "sound")) {
            failedFiles.push_back(report ? "xls" : "sound");
        }
        EXPECT_EQ(ReadFileText(disk.Path() / "street.sound"), "earlier measurement") << room;
        EXPECT_EQ(ReadFileText(disk.Path() / "street.xls"), "earlier report") << room;
        EXPECT_EQ(disk.Used(), used) << room << ": nothing is left behind";
    }
    EXPECT_EQ(failedFiles, (std::vector<std::string>{"xls", "sound"}));
    RecordProperty("fault points", swept);
    EXPECT_EQ(ReadFileText(disk.Path() / "street.sound"), ReadFileText(m_dir / "in.sound"));
}

}  // namespace
