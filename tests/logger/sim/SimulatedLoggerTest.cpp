#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <stdexcept>

#include "logger/CLoggerLink.h"
#include "logger/MemoryImage.h"
#include "logger/sim/CSimulatedLogger.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Talks to the simulated logger as the link does, one request and its reply at a time.
struct CRawSession {
    CSimulatedLogger& Logger;
    BridgeHandle Handle = INVALID_BRIDGE_HANDLE;

    explicit CRawSession(CSimulatedLogger& logger) : Logger(logger) {
        EXPECT_EQ(Logger.BridgeOpen(0, Handle), BridgeStatus::Success);
    }
    ~CRawSession() { (void)Logger.BridgeClose(Handle); }

    void Write(const Bytes& bytes) {
        std::uint32_t written = 0;
        ASSERT_EQ(Logger.BridgeWrite(Handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                                     written),
                  BridgeStatus::Success);
    }
    Bytes Read(std::uint32_t count, BridgeStatus expected = BridgeStatus::Success) {
        Bytes bytes(count);
        std::uint32_t returned = 0;
        EXPECT_EQ(Logger.BridgeRead(Handle, bytes.data(), count, returned), expected);
        bytes.resize(returned);
        return bytes;
    }
};

// Reads the whole memory through the protocol, block after block.
CMemoryImage Download(CSimulatedLogger& logger) {
    CRawSession session(logger);
    session.Write({CMD_READ_MEMORY, 0, 0});
    const Bytes size = session.Read(3);
    const Bytes header = session.Read(12);
    CMemoryImage image;
    image.Header = MemoryHeader::Decode(std::span<const std::uint8_t, 12>(header.data(), 12));
    const std::uint32_t bytes = size[0] | (size[1] << 8) | (size[2] << 16);
    for (std::uint32_t block = 1; block <= MemoryBlockCount(bytes); ++block) {
        session.Write({CMD_READ_MEMORY, static_cast<std::uint8_t>(block),
                       static_cast<std::uint8_t>(block >> 8)});
        session.Read(3);
        const Bytes data = session.Read(std::min<std::uint32_t>(
            512, bytes - (block - 1) * static_cast<std::uint32_t>(MEMORY_BLOCK_SIZE)));
        image.Memory.insert(image.Memory.end(), data.begin(), data.end());
    }
    return image;
}

std::uint8_t Status(CSimulatedLogger& logger) {
    CRawSession session(logger);
    session.Write({CMD_STATUS, 0, 0});
    return session.Read(3).at(0);
}

SetupFields StoredAutoStart(std::uint8_t rateCode, std::uint32_t points) {
    SetupFields fields;
    fields.ManualStart = false;
    fields.RateCode = rateCode;
    fields.Points = points;
    fields.AlarmLow = 45;
    fields.AlarmHigh = 95;
    return fields;
}

bool SendSetup(CSimulatedLogger& logger, const SetupFields& fields, const LocalTimeParts& clock) {
    CMessageLog prompt;
    CLoggerLink link(logger, prompt);
    return link.SendSetup(ComposeSetupBlock(fields, clock));
}

std::array<int, 6> Parts(const LocalTimeParts& p) {
    return {p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second};
}

double Median(std::vector<std::uint16_t> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2] / 10.0;
}

TEST(SimulatedLogger, freshLogger_holdsADayOfStreetNoise) {
    CSimulatorBench bench;
    CSimulatedLogger logger(bench.Options());
    EXPECT_EQ(Status(logger), STATUS_STORED);

    const CMemoryImage image = Download(logger);
    ASSERT_EQ(image.ReadingCount(), 86400u);
    EXPECT_EQ(image.Header.RateCode, 3);
    EXPECT_EQ(Parts(image.Header.Start()), (std::array<int, 6>{2024, 6, 3, 0, 0, 0}));

    std::vector<std::uint16_t> night;
    std::vector<std::uint16_t> day;
    int traffic = 0;
    int peaks = 0;
    std::uint16_t lowest = 0xFFFF;
    for (std::size_t i = 0; i < image.ReadingCount(); ++i) {
        const std::uint16_t level = image.Reading(i);
        lowest = std::min(lowest, level);
        (i < 4 * 3600 ? night : day).push_back(level);
        traffic += level > 650 && level < 1000;
        peaks += level > 1000;
    }
    EXPECT_GE(lowest, 450);
    EXPECT_GE(Median(night), 45.0);
    EXPECT_LT(Median(night), 50.0);
    EXPECT_GT(Median(day), 52.0);
    EXPECT_LT(Median(day), 62.0);
    EXPECT_GT(traffic, 3000);  // a passing vehicle is heard for several seconds
    EXPECT_GE(peaks, 3);
    EXPECT_LT(peaks, 60);

    CSimulatedLogger again(bench.Options());
    EXPECT_EQ(Download(again), image);  // the same recording every time
}

TEST(SimulatedLogger, memoryProtocol_byteForByte) {
    CSimulatorBench bench;
    CSimulatedLogger logger(bench.Options());
    CRawSession session(logger);

    session.Write({CMD_READ_MEMORY, 0, 0});
    EXPECT_EQ(session.Read(3), (Bytes{0x00, 0xA3, 0x02}));  // 172800 bytes
    EXPECT_EQ(session.Read(12), (Bytes{3, 24, 6, 3, 0, 0, 0, 1, 1, 0, 40, 100}));

    // The last of the 338 blocks holds the remaining 256 bytes.
    session.Write({CMD_READ_MEMORY, 0x52, 0x01});
    EXPECT_EQ(session.Read(3).size(), 3u);
    EXPECT_EQ(session.Read(256).size(), 256u);
    session.Write({CMD_READ_MEMORY, 0x52, 0x01});
    session.Read(3);
    session.Read(512, BridgeStatus::Timeout);

    // A request may arrive in pieces.
    session.Write({CMD_STATUS});
    session.Write({0, 0, CMD_READ_LEVEL, 0});
    session.Write({0});
    EXPECT_EQ(session.Read(3), (Bytes{0xFF, 0, 0}));
    EXPECT_EQ(session.Read(2).size(), 2u);
    session.Read(1, BridgeStatus::Timeout);
}

TEST(SimulatedLogger, autoStartSetup_recordsAtItsRateUntilItsPoints) {
    CSimulatorBench bench;
    CSimulatedLogger logger(bench.Options());
    ASSERT_TRUE(SendSetup(logger, StoredAutoStart(2, 20), {2024, 6, 3, 10, 0, 0}));

    EXPECT_EQ(Status(logger), STATUS_STORED);
    EXPECT_EQ(Download(logger).ReadingCount(), 0u);
    bench.Clock->Advance(3.2);
    const CMemoryImage early = Download(logger);
    EXPECT_EQ(early.ReadingCount(), 6u);  // every half second
    EXPECT_EQ(early.Header.RateCode, 2);
    EXPECT_EQ(Parts(early.Header.Start()), (std::array<int, 6>{2024, 6, 3, 10, 0, 0}));
    EXPECT_EQ(early.Header.AlarmLow, 45);
    EXPECT_EQ(early.Header.AlarmHigh, 95);
    EXPECT_EQ(early.Header.Dba, 1);

    bench.Clock->Advance(3600);
    const CMemoryImage full = Download(logger);
    EXPECT_EQ(full.ReadingCount(), 20u);
    EXPECT_TRUE(std::equal(early.Memory.begin(), early.Memory.end(), full.Memory.begin()));
    for (std::size_t i = 0; i < full.ReadingCount(); ++i) {
        EXPECT_GE(full.Reading(i), 450);
        EXPECT_LE(full.Reading(i), 1200);
    }
}

TEST(SimulatedLogger, manualStart_waitsForTheButton) {
    CSimulatorBench bench;
    CSimulatedLogger logger(bench.Options());
    SetupFields fields = StoredAutoStart(3, 1000);
    fields.ManualStart = true;
    ASSERT_TRUE(SendSetup(logger, fields, {2024, 6, 3, 10, 0, 0}));

    bench.Clock->Advance(3600);
    EXPECT_EQ(Download(logger).ReadingCount(), 0u);
    logger.PressButton();
    bench.Clock->Advance(10.5);
    const CMemoryImage image = Download(logger);
    EXPECT_EQ(image.ReadingCount(), 10u);
    // The logger's clock was set by the block and ran on until the button.
    EXPECT_EQ(Parts(image.Header.Start()), (std::array<int, 6>{2024, 6, 3, 11, 0, 0}));
}

TEST(SimulatedLogger, manualStartWithButtonDelay_startsThatLaterBySelf) {
    CSimulatorBench bench;
    SimulatorOptions options = bench.Options();
    options.ButtonDelaySeconds = 5;
    CSimulatedLogger logger(std::move(options));
    SetupFields fields = StoredAutoStart(3, 1000);
    fields.ManualStart = true;
    ASSERT_TRUE(SendSetup(logger, fields, {2024, 6, 3, 10, 0, 0}));

    bench.Clock->Advance(4.9);
    EXPECT_EQ(Download(logger).ReadingCount(), 0u);
    bench.Clock->Advance(10);
    EXPECT_EQ(Download(logger).ReadingCount(), 9u);
}

TEST(SimulatedLogger, configurationAndCalibration_surviveARestart) {
    CSimulatorBench bench;
    {
        CSimulatedLogger logger(bench.Options());
        SetupFields fields = StoredAutoStart(4, 500);  // 2 s
        fields.RealTime = true;
        ASSERT_TRUE(SendSetup(logger, fields, {2024, 6, 3, 10, 0, 0}));
        CMessageLog prompt;
        CLoggerLink link(logger, prompt);
        ASSERT_TRUE(link.SendCalibration(-5));
        ASSERT_TRUE(link.SendCalibration(-10));
    }
    CSimulatedLogger restarted(bench.Options());
    EXPECT_EQ(Status(restarted), 0x1C);  // real time, 2 s, dBA, FAST
    CMessageLog prompt;
    CLoggerLink link(restarted, prompt);
    ASSERT_TRUE(link.SendCalibration(0));
    EXPECT_EQ(prompt.Messages.at(0).first, "Total calibrated value as -1.5 dB.");

    // The total stays within the byte the logger answers with.
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(link.SendCalibration(-10));
    }
    EXPECT_EQ(prompt.Messages.back().first, "Total calibrated value as -12.8 dB.");
}

TEST(SimulatedLogger, realTime_answersAPlausibleLiveLevel) {
    CSimulatorBench bench;
    CSimulatedLogger logger(bench.Options());
    SetupFields fields = StoredAutoStart(1, 10000);
    fields.RealTime = true;
    fields.Dba = false;
    fields.Fast = false;
    ASSERT_TRUE(SendSetup(logger, fields, {2024, 6, 3, 10, 0, 0}));
    EXPECT_EQ(Status(logger), 0x01);

    CRawSession session(logger);
    std::vector<int> levels;
    for (int i = 0; i < 200; ++i) {
        session.Write({CMD_READ_LEVEL, 0, 0});
        const Bytes reply = session.Read(2);
        levels.push_back(reply[0] | (reply[1] << 8));
        bench.Clock->Advance(0.05);
    }
    const auto [low, high] = std::minmax_element(levels.begin(), levels.end());
    EXPECT_GE(*low, 450);
    EXPECT_LE(*high, 1200);
    EXPECT_NE(*low, *high);
}

TEST(SimulatedLogger, memoryFile_standsForTheMemoryWhateverTheState) {
    CSimulatorBench bench;
    CMemoryImage image;
    image.Header.RateCode = 6;
    image.Header.SetStart({2021, 2, 28, 23, 59, 50});
    for (int i = 0; i < 500; ++i) {
        image.AppendReading(static_cast<std::uint16_t>(300 + i));
    }
    ASSERT_TRUE(SaveMemoryImage(bench.Directory / "memory.bin", image));

    SimulatorOptions options = bench.Options();
    options.MemoryFile = bench.Directory / "memory.bin";
    CSimulatedLogger logger(options);
    SetupFields fields = StoredAutoStart(4, 500);
    fields.RealTime = true;
    ASSERT_TRUE(SendSetup(logger, fields, {2024, 6, 3, 10, 0, 0}));
    EXPECT_EQ(Status(logger), STATUS_STORED);
    EXPECT_EQ(Download(logger), image);

    options.MemoryFile = bench.Directory / "missing.bin";
    CSimulatedLogger empty(options);
    EXPECT_EQ(Download(empty).MemorySize(), 0u);
}

TEST(SimulatedLogger, unplugged_isGoneForGood) {
    CSimulatorBench bench;
    SimulatorOptions options = bench.Options();
    options.Faults.UnplugBefore(2);
    CSimulatedLogger logger(std::move(options));
    {
        CRawSession session(logger);
        session.Write({CMD_STATUS, 0, 0});
        session.Read(3, BridgeStatus::DeviceNotFound);
    }
    std::uint32_t count = 9;
    EXPECT_EQ(logger.BridgeCount(count), BridgeStatus::Success);
    EXPECT_EQ(count, 0u);
    std::array<char, BRIDGE_STRING_SIZE> text{};
    EXPECT_NE(logger.BridgeQueryString(0, text, 0), BridgeStatus::Success);
    BridgeHandle handle = 0;
    EXPECT_EQ(logger.BridgeOpen(0, handle), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(handle, INVALID_BRIDGE_HANDLE);
}

TEST(FaultPlan, readsEveryEntryAndRefusesWhatItCannotRead) {
    CFaultPlan plan = CFaultPlan::Parse(" write:2=fail, read:1=fail,write:3=short,unplug:6,noack,");
    EXPECT_TRUE(plan.WithholdsAcknowledge());
    EXPECT_EQ(plan.NextWrite(), FaultAction::None);   // transfer 1
    EXPECT_EQ(plan.NextRead(), FaultAction::Fail);    // transfer 2
    EXPECT_EQ(plan.NextWrite(), FaultAction::Fail);   // transfer 3
    EXPECT_EQ(plan.NextWrite(), FaultAction::Short);  // transfer 4
    EXPECT_EQ(plan.NextRead(), FaultAction::None);    // transfer 5
    EXPECT_EQ(plan.NextRead(), FaultAction::Unplug);  // transfer 6

    for (const char* bad : {"write:0=fail", "read:1=short", "unplug", "write:x=fail", "jam:1",
                            "read:2", "unplug:3=fail"}) {
        EXPECT_THROW(CFaultPlan::Parse(bad), std::invalid_argument) << bad;
    }
}

TEST(FaultPlan, environmentChoosesTheSimulatorsBehaviour) {
    setenv("DATALOGGER_SIM_FAULTS", "read:1=fail", 1);
    setenv("DATALOGGER_SIM_BUTTON", "never", 1);
    setenv("DATALOGGER_SIM_MEMORY", "/nowhere/memory.bin", 1);
    SimulatorOptions options = SimulatorOptionsFromEnvironment();
    EXPECT_EQ(options.Faults.NextRead(), FaultAction::Fail);
    EXPECT_FALSE(options.ButtonDelaySeconds);
    EXPECT_EQ(options.MemoryFile, std::filesystem::path("/nowhere/memory.bin"));
    ASSERT_TRUE(options.StateFile);
    EXPECT_EQ(options.StateFile->filename(), "SimulatedLogger.ini");

    setenv("DATALOGGER_SIM_BUTTON", "3", 1);
    EXPECT_EQ(SimulatorOptionsFromEnvironment().ButtonDelaySeconds, 3);
    setenv("DATALOGGER_SIM_BUTTON", "soon", 1);
    EXPECT_THROW(SimulatorOptionsFromEnvironment(), std::invalid_argument);
    setenv("DATALOGGER_SIM_FAULTS", "write:1=later", 1);
    unsetenv("DATALOGGER_SIM_BUTTON");
    EXPECT_THROW(SimulatorOptionsFromEnvironment(), std::invalid_argument);
    unsetenv("DATALOGGER_SIM_FAULTS");
    unsetenv("DATALOGGER_SIM_MEMORY");
    EXPECT_EQ(SimulatorOptionsFromEnvironment().ButtonDelaySeconds, 5);
}

}  // namespace
