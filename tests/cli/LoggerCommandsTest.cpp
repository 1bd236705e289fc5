#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sstream>
#include <utility>
#include <vector>

#include "cli/CConsoleLinkHost.h"
#include "document/CDTDoc.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "platform/ProgramDirectory.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"

namespace {

const std::string WRITE_FAILED = "Failed writing data to the datalogger.\n";
const std::string RUNNING = "The DATA LOGGER is running... \n";
const std::string PRESS_BUTTON =
    "To Start Datalogging; Press and Hold the button on the logger until the led's flash "
    "Red-Green-Yellow (~5 sec).\n";

// Each test starts with no settings file, a fresh simulated logger and no fault plan.
struct LoggerCommands : testing::Test {
    void SetUp() override {
        std::filesystem::remove_all(ProgramDirectory());
        for (const char* name : {"DATALOGGER_SIM_FAULTS", "DATALOGGER_SIM_MEMORY",
                                 "DATALOGGER_USB_ID", "DATALOGGER_USB_TRACE"}) {
            unsetenv(name);
        }
    }
    void TearDown() override { SetUp(); }

    static std::filesystem::path SettingsFile() { return *SettingsFilePath(); }

    static CFrameSettings Stored() { return ReadFrameSettings(CProfile(SettingsFile())); }

    // The status byte the simulated logger answers with now.
    static std::uint8_t SimulatorStatus() {
        CSimulatedLogger logger(SimulatorOptionsFromEnvironment());
        BridgeHandle handle = INVALID_BRIDGE_HANDLE;
        EXPECT_EQ(logger.BridgeOpen(0, handle), BridgeStatus::Success);
        const std::uint8_t request[] = {0x0D, 0, 0};
        std::uint8_t reply[3] = {};
        std::uint32_t count = 0;
        EXPECT_EQ(logger.BridgeWrite(handle, request, 3, count), BridgeStatus::Success);
        EXPECT_EQ(logger.BridgeRead(handle, reply, 3, count), BridgeStatus::Success);
        return reply[0];
    }
};

TEST_F(LoggerCommands, detect_tellsWhetherALoggerAnswers) {
    const CToolRun found = RunTool({"--simulate", "detect"});
    EXPECT_EQ(found.Status, 0);
    EXPECT_EQ(found.Out, "Connected\n");

    setenv("DATALOGGER_USB_ID", "ffff:fffe", 1);  // no such device on any bus
    const CToolRun missing = RunTool({"detect"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Out, "Not Connected\n");

    setenv("DATALOGGER_USB_ID", "logger", 1);
    const CToolRun bad = RunTool({"detect"});
    EXPECT_EQ(bad.Status, EXIT_USAGE);
    EXPECT_NE(bad.Err.find("DATALOGGER_USB_ID"), std::string::npos);
}

TEST_F(LoggerCommands, setup_sendsTheOptionsAndStoresThemAsTheDialogDoes) {
    {
        CProfile profile(SettingsFile());
        profile.SetString("VIEWInfo", "VIEW2", "1");
        profile.SetString("Printer", "Paper", "A4");
        ASSERT_TRUE(profile.Save());
    }
    const CToolRun run = RunTool(
        {"--simulate", "setup",       "--rate",       "2s",      "--points",    "200000",  "--mode",
         "rt",         "--weighting", "dBA",          "--speed", "FAST",        "--start", "auto",
         "--led",      "30",          "--alarm-high", "140",     "--alarm-low", "-5"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, RUNNING);
    EXPECT_EQ(SimulatorStatus(), 0x1C);  // real time, 2 s, dBA, FAST

    const CFrameSettings s = Stored();
    EXPECT_EQ(s.SampleRateIndex, 3);
    EXPECT_EQ(s.SamplePoints, "10000");
    EXPECT_EQ(s.RealTimeMode, 1);
    EXPECT_EQ(s.AutoStart, 1);
    EXPECT_EQ(s.LedCycle, 30);
    EXPECT_EQ(s.AlarmHigh, "130");
    EXPECT_EQ(s.AlarmLow, "0");
    const CProfile profile(SettingsFile());
    EXPECT_EQ(profile.GetInt("VIEWInfo", "VIEW2", 0), 1);
    EXPECT_EQ(profile.GetString("Printer", "Paper", ""), "A4");
}

TEST_F(LoggerCommands, setup_optionsLeftOutTakeTheStoredSettings) {
    CFrameSettings before;
    before.SampleRateIndex = 4;
    before.Dba = 0;
    before.Fast = 0;
    before.RealTimeMode = 1;
    before.SamplePoints = "300";
    before.Calibration = "-7";
    {
        CProfile profile(SettingsFile());
        WriteSettings(profile, before, CViewSettings{});
        ASSERT_TRUE(profile.Save());
    }
    const CToolRun run = RunTool({"--simulate", "setup", "--led", "0"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, PRESS_BUTTON);
    EXPECT_EQ(SimulatorStatus(), 0x05);  // real time, 5 s, dBC, SLOW

    const CFrameSettings after = Stored();
    EXPECT_EQ(after.SampleRateIndex, 4);
    EXPECT_EQ(after.SamplePoints, "300");
    EXPECT_EQ(after.LedCycle, 0);
    EXPECT_EQ(after.Calibration, "-7");
}

TEST_F(LoggerCommands, setup_fiftyMillisecondsForcesRealTime) {
    const CToolRun run =
        RunTool({"--simulate", "setup", "--rate", "50ms", "--mode", "STOR", "--points", "50000"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(SimulatorStatus() & 0x07, 1);
    EXPECT_NE(SimulatorStatus(), 0xFF);
    EXPECT_EQ(Stored().RealTimeMode, 1);
    EXPECT_EQ(Stored().SamplePoints, "10000");
}

TEST_F(LoggerCommands, setup_refusesValuesOutsideItsChoices) {
    for (const std::vector<std::string>& options : {std::vector<std::string>{"--rate", "3s"},
                                                    {"--led", "15"},
                                                    {"--points", "many"},
                                                    {"--mode", "LIVE"},
                                                    {"--start", "later"}}) {
        std::vector<std::string> arguments = {"--simulate", "setup"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const CToolRun run = RunTool(arguments);
        EXPECT_EQ(run.Status, EXIT_USAGE) << options[0];
        EXPECT_FALSE(run.Err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(LoggerCommands, setup_failure_saysSoAndStoresNothing) {
    setenv("DATALOGGER_SIM_FAULTS", "noack", 1);
    const CToolRun run = RunTool({"--simulate", "setup", "--start", "auto"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, WRITE_FAILED);
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

    setenv("DATALOGGER_SIM_FAULTS", "write:1=short", 1);
    EXPECT_EQ(RunTool({"--simulate", "setup"}).Err, WRITE_FAILED);

    unsetenv("DATALOGGER_SIM_FAULTS");
    setenv("DATALOGGER_USB_ID", "ffff:fffe", 1);
    const CToolRun missing = RunTool({"setup"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Err, "Not Connected\n");
}

TEST_F(LoggerCommands, calibrate_printsTheTotalAndKeepsTheValue) {
    const CToolRun first = RunTool({"--simulate", "calibrate", "-5"});
    EXPECT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(first.Out, "Total calibrated value as -0.5 dB.\n");
    EXPECT_EQ(Stored().Calibration, "-5");

    const CToolRun limited = RunTool({"--simulate", "calibrate", "15"});
    EXPECT_EQ(limited.Out, "Total calibrated value as 0.5 dB.\n");
    EXPECT_EQ(Stored().Calibration, "10");

    EXPECT_EQ(RunTool({"--simulate", "calibrate", "ten"}).Status, EXIT_USAGE);
    EXPECT_EQ(RunTool({"--simulate", "calibrate"}).Status, EXIT_USAGE);
}

TEST_F(LoggerCommands, calibrate_failedTransfer_saysWhichAndStillKeepsTheValue) {
    setenv("DATALOGGER_SIM_FAULTS", "read:1=fail", 1);
    const CToolRun run = RunTool({"--simulate", "calibrate", "3"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "Failed reading data from the datalogger.\n");
    EXPECT_EQ(Stored().Calibration, "3");

    setenv("DATALOGGER_SIM_FAULTS", "write:1=fail", 1);
    EXPECT_EQ(RunTool({"--simulate", "calibrate", "3"}).Err, WRITE_FAILED);
}

TEST_F(LoggerCommands, settingsThatCannotBeStored_sayAndExitOne) {
    std::filesystem::create_directories(SettingsFile());  // a folder in the file's place
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"setup"}, {"calibrate", "2"}}) {
        std::vector<std::string> arguments = {"--simulate"};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const CToolRun run = RunTool(arguments);
        EXPECT_EQ(run.Status, 1) << command[0];
        EXPECT_EQ(run.Err, "The settings could not be stored.\n") << command[0];
    }
}

// Every key of the settings file at an integer limit: the commands read, use and store them
// (the sanitized build stops at any overflow).
TEST_F(LoggerCommands, settingsAtTheIntegerLimits_setUpAndCalibrateTheLogger) {
    for (const int extreme : {INT_MIN, INT_MAX}) {
        std::ofstream file(SettingsFile());
        for (const auto& [section, key] :
             std::vector<std::pair<const char*, const char*>>{{"SAMPRATEINFO", "SAMPRATE"},
                                                              {"SAMPRATEINFO", "SAMPPOINT"},
                                                              {"ALARMInfo", "TEMPHI"},
                                                              {"ALARMInfo", "TEMPLOW"},
                                                              {"CAL Info", "CAL"},
                                                              {"LEDInfo", "LEDDATA"},
                                                              {"ColorInfo", "BGColor"},
                                                              {"AUTO/MANUAL Info", "Auto/Manual"},
                                                              {"DBA/DBC Info", "DBA/DBC"},
                                                              {"FAST/SLOW Info", "FAST/SLOW"},
                                                              {"MODE Info", "MODE"},
                                                              {"VIEWInfo", "VIEW1"},
                                                              {"Y AXISInfo", "Y TEMPLOW"},
                                                              {"Y AXISInfo", "Y TEMPHI"}}) {
            file << "[" << section << "]\n" << key << "=" << extreme << "\n";
        }
        file.close();
        const CToolRun setup = RunTool({"--simulate", "setup"});
        EXPECT_EQ(setup.Status, 0) << extreme << setup.Err;
        EXPECT_EQ(Stored().SampleRateIndex, 2) << extreme;
        EXPECT_EQ(RunTool({"--simulate", "calibrate", "1"}).Status, 0) << extreme;
        const CViewSettings view = ReadViewSettings(CProfile(SettingsFile()));
        EXPECT_EQ(std::abs(view.AxisLow), AXIS_LEVEL_LIMIT) << extreme;
    }
}

// Downloads: the memory the simulated logger is given, or its day of street noise.

std::string LastMeasurement() {
    return LastMeasurementPath()->string();
}

CMeasurementRecord LoadedLastMeasurement() {
    CDTDoc doc;
    CRecordingPrompt prompt;
    EXPECT_EQ(doc.LoadLastMeasurement(prompt), LoadResult::Loaded);
    return doc.Record();
}

TEST_F(LoggerCommands, download_keepsTheMemoryAsTheLastMeasurementAndPrintsWhere) {
    CTempDir directory;
    CMemoryImage image;
    image.Header.RateCode = 2;
    for (std::uint16_t raw : {612, 1505, 655}) {
        image.AppendReading(raw);
    }
    ASSERT_TRUE(SaveMemoryImage(directory / "memory.bin", image));
    setenv("DATALOGGER_SIM_MEMORY", (directory / "memory.bin").c_str(), 1);

    const CToolRun run = RunTool({"--simulate", "download"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, LastMeasurement() + "\n");
    EXPECT_EQ(run.Err, "");  // no progress bar where nobody watches one
    const CMeasurementRecord r = LoadedLastMeasurement();
    EXPECT_EQ(r.Levels, (std::vector<float>{61.2f, 61.2f, 65.5f}));
    EXPECT_FLOAT_EQ(r.SampleInterval, 0.5f);
    EXPECT_EQ(r.ModeText, "STOR");
}

TEST_F(LoggerCommands, download_withName_alsoSavesThePairTheSaveCommandWrites) {
    CTempDir directory;
    const CToolRun run = RunTool({"--simulate", "download", (directory / "street.xls").string()});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, LastMeasurement() + "\n" + (directory / "street.sound").string() + "\n" +
                           (directory / "street.xls").string() + "\n");
    CDTDoc saved;
    CRecordingPrompt prompt;
    ASSERT_EQ(saved.LoadFile(directory / "street.sound", prompt), LoadResult::Loaded);
    EXPECT_EQ(saved.Record().SampleCount,
              static_cast<std::int32_t>(CSimulatedDevice::FACTORY_READINGS));
    EXPECT_EQ(saved.Record().Levels, LoadedLastMeasurement().Levels);
    EXPECT_GT(std::filesystem::file_size(directory / "street.xls"), 0u);
}

TEST_F(LoggerCommands, download_realTimeSetup_saysLiveReadingsAreNotHereAndExitsThree) {
    ASSERT_EQ(RunTool({"--simulate", "setup", "--mode", "RT", "--rate", "2s"}).Status, 0);
    const CToolRun run = RunTool({"--simulate", "download", "ignored"});
    EXPECT_EQ(run.Status, EXIT_REAL_TIME);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err,
              "The logger is set up for real time: watch its live readings with the monitor "
              "command.\n");
    EXPECT_FALSE(std::filesystem::exists(LastMeasurement()));
    EXPECT_FALSE(std::filesystem::exists("ignored.sound"));
}

TEST_F(LoggerCommands, download_programDirectoryThatIsAFile_namesTheWholePath) {
    CTempDir directory;
    std::ofstream(directory / "occupied") << "x";
    const std::string home = std::getenv("DATALOGGER_HOME");
    setenv("DATALOGGER_HOME", (directory / "occupied").c_str(), 1);
    const CToolRun run = RunTool({"--simulate", "download"});
    setenv("DATALOGGER_HOME", home.c_str(), 1);
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("\"" + (directory / "occupied" / "PreMeasure.sound").string() + "\""),
              std::string::npos)
        << run.Err;
}

TEST_F(LoggerCommands, download_failures_printTheLoggersMessageAndExitOne) {
    setenv("DATALOGGER_SIM_MEMORY", "/nowhere/memory.bin", 1);  // an empty memory
    const CToolRun empty = RunTool({"--simulate", "download"});
    EXPECT_EQ(empty.Status, 1);
    EXPECT_EQ(empty.Out, "Datalogger internal memory is currently empty.\n");
    unsetenv("DATALOGGER_SIM_MEMORY");

    setenv("DATALOGGER_SIM_FAULTS", "read:4=fail", 1);  // the first block
    const CToolRun failed = RunTool({"--simulate", "download"});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Out, "");
    EXPECT_EQ(failed.Err, "Failed reading data from the datalogger.\n");
    EXPECT_FALSE(std::filesystem::exists(LastMeasurement()));
    unsetenv("DATALOGGER_SIM_FAULTS");

    setenv("DATALOGGER_USB_ID", "ffff:fffe", 1);
    const CToolRun missing = RunTool({"download"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Err, "Not Connected\n");
}

TEST(ConsoleLinkHost, progressBar_redrawnInPlaceWithMessagesOnTheirOwnLine) {
    std::ostringstream out;
    std::ostringstream err;
    CConsoleLinkHost host(out, err, true, {});
    host.BeginProgress(4);
    host.StepProgress(1);
    host.Message("Failed reading data from the datalogger.", PromptIcon::None);
    host.EndProgress();
    const std::string empty(CConsoleLinkHost::BAR_WIDTH, '.');
    const std::string quarter =
        std::string(CConsoleLinkHost::BAR_WIDTH / 4, '#') +
        std::string(CConsoleLinkHost::BAR_WIDTH - CConsoleLinkHost::BAR_WIDTH / 4, '.');
    EXPECT_EQ(err.str(), "\rLoading... [" + empty + "] 0/4\rLoading... [" + quarter +
                             "] 1/4\nFailed reading data from the datalogger.\n");

    std::ostringstream quiet;
    CConsoleLinkHost plain(out, quiet, false, {});
    plain.BeginProgress(4);
    plain.StepProgress(4);
    plain.EndProgress();
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
