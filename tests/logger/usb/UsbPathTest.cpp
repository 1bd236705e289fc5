// The libusb backend on an emulated kernel device: the same operations over the USB path and
// over the simulated bridge give the same outcome, datalogger-cli works under the test bed,
// and an unplug, a refused device node, a timeout and a second logger end as they should.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

#include "document/CDTDoc.h"
#include "logger/CLoggerLink.h"
#include "logger/CUsbBridge.h"
#include "logger/SetupSettings.h"
#include "tests/TempDir.h"
#include "tests/Unprivileged.h"
#include "tests/logger/LoggerTestDoubles.h"
#include "tests/logger/usb/CUsbTestBed.h"

namespace {

using Transcript = std::vector<std::string>;
constexpr std::int64_t START_MS = 1717401600000;  // 2024-06-03 10:00:00 CEST

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A full memory whose readings cover every byte value in both halves.
CMemoryImage FullMemory() {
    CMemoryImage image;
    image.Header.SetStart({2024, 6, 3, 9, 0, 0});
    for (std::uint32_t i = 0; i < 129920; ++i) {
        image.AppendReading(static_cast<std::uint16_t>(300 + (i * 7919) % 900));
    }
    return image;
}

// What the record holds against the memory it came from, reading by reading.
std::string Compare(const CMeasurementRecord& record, const CMemoryImage& image) {
    if (static_cast<std::size_t>(record.SampleCount) != image.ReadingCount()) {
        return "count " + std::to_string(record.SampleCount);
    }
    for (std::size_t i = 0; i < image.ReadingCount(); ++i) {
        if (record.Levels[i] != static_cast<float>(image.Reading(i) / 10.0)) {
            return "reading " + std::to_string(i) + " differs";
        }
    }
    return "every reading as in memory";
}

SetupBlock SetupOf(bool realTime, std::uint8_t rateCode, std::uint32_t points) {
    SetupFields fields;
    fields.ManualStart = false;
    fields.RealTime = realTime;
    fields.RateCode = rateCode;
    fields.Points = points;
    return ComposeSetupBlock(fields, {2024, 6, 3, 10, 0, 0});
}

// One logger operation through a bridge, as the user would see it.
using Operation = std::function<void(CBridge&, CSimulatedLogger&, CDownloadRecorder&)>;

struct UsbPathTest : testing::Test {
    std::shared_ptr<CManualClock> Clock = std::make_shared<CManualClock>(START_MS);
    CTempDir States;
    CUsbTestBed Bed;
    CEmulatedLogger& Device = Bed.Plug(Options("emulated.ini"));

    // A logger with its state in a file of its own, so a setup lasts from one open to the next.
    SimulatorOptions Options(const char* stateFile) {
        SimulatorOptions options;
        options.StateFile = States / stateFile;
        options.Clock = Clock;
        options.ButtonDelaySeconds.reset();
        return options;
    }
    // The operation's events and messages, and the last measurement file it left.
    Transcript Run(CBridge& bridge, CSimulatedLogger& engine, const Operation& operation) {
        Clock->Now = START_MS;
        std::filesystem::remove(*LastMeasurementPath());
        CDownloadRecorder recorder;
        operation(bridge, engine, recorder);
        recorder.Events.push_back("file " + FileText(*LastMeasurementPath()));
        return recorder.Events;
    }
};

// Each operation over libusb and the emulated device ends exactly as over the simulated
// bridge: same replies, same messages, same record, same file, byte for byte.
TEST_F(UsbPathTest, operationsOverUsb_endAsOverTheSimulatedBridge) {
    const CMemoryImage full = FullMemory();
    struct Case {
        const char* Name;
        Operation Run;
        std::string Outcome;  // the last thing the user is told
    };
    const std::vector<Case> operations = {
        {"detect",
         [](CBridge& bridge, CSimulatedLogger&, CDownloadRecorder& host) {
             host.Events.push_back("found " +
                                   std::to_string(CLoggerLink(bridge, host).FindLogger()));
         },
         "found 0"},
        {"setup",
         [](CBridge& bridge, CSimulatedLogger& engine, CDownloadRecorder& host) {
             CLoggerLink(bridge, host).SendSetup(SetupOf(false, 3, 5000));
             host.Events.push_back("status " + std::to_string(engine.Device().StatusByte()));
         },
         "status 255"},
        {"calibration",
         [](CBridge& bridge, CSimulatedLogger&, CDownloadRecorder& host) {
             CLoggerLink(bridge, host).SendCalibration(-4);
         },
         "message Total calibrated value as -0.4 dB."},
        {"real time",
         [this](CBridge& bridge, CSimulatedLogger&, CDownloadRecorder& host) {
             CLoggerLink link(bridge, host);
             link.SendSetup(SetupOf(true, 1, 200));
             CDTDoc doc;
             link.RunDownload(doc, host);
             for (int poll = 0; poll < 200; ++poll) {
                 Clock->Advance(0.05);
                 link.PollRealTime(doc, host);
             }
             host.Events.push_back("readings " + std::to_string(doc.Record().SampleCount));
         },
         "readings 200"},
        {"full memory",
         [&full](CBridge& bridge, CSimulatedLogger& engine, CDownloadRecorder& host) {
             engine.Device().ForceMemory(full);
             CDTDoc doc;
             CLoggerLink(bridge, host).RunDownload(doc, host);
             host.Events.push_back(Compare(doc.Record(), full));
         },
         "every reading as in memory"},
    };
    CUsbBridge usb(MakeLibusbBus());
    CSimulatedLogger plain(Options("plain.ini"));
    for (const Case& c : operations) {
        const int answeredBefore = Device.AnsweredUrbs();
        const Transcript overUsb = Run(usb, Device.Logger(), c.Run);
        const Transcript overSimulator = Run(plain, plain, c.Run);
        EXPECT_EQ(overUsb.rbegin()[1], c.Outcome) << c.Name;
        EXPECT_TRUE(overUsb == overSimulator) << c.Name;
        if (c.Outcome != "found 0") {
            EXPECT_GT(Device.AnsweredUrbs(), answeredBefore) << c.Name;  // the device answered
        }
    }
}

// libusb sees the test bed's device where the test bed put it, with its descriptors.
TEST_F(UsbPathTest, libusbSeesTheEmulatedDevice) {
    CUsbBridge usb(MakeLibusbBus());
    std::vector<UsbDeviceReport> reports;
    ASSERT_EQ(usb.Survey(reports), BridgeStatus::Success);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].Bus, CUsbTestBed::BUS);
    EXPECT_EQ(reports[0].Address, Bed.Address(Device));
    EXPECT_TRUE(reports[0].HasBridgeEndpoints);
    EXPECT_EQ(reports[0].Endpoints.size(), 2u);
    EXPECT_EQ(reports[0].Product, "Sound Level Datalogger (simulated)");
    EXPECT_EQ(reports[0].Access, BridgeStatus::Success);
}

// A read the logger does not answer ends at its timeout: libusb gives the URB up.
TEST_F(UsbPathTest, unansweredRead_timesOut) {
    CUsbBridge usb(MakeLibusbBus());
    BridgeHandle handle = INVALID_BRIDGE_HANDLE;
    ASSERT_EQ(usb.BridgeOpen(0, handle), BridgeStatus::Success);
    ASSERT_EQ(usb.BridgeSetTimeouts(100, 100), BridgeStatus::Success);
    std::uint8_t reply[3];
    std::uint32_t returned = 0;
    EXPECT_EQ(usb.BridgeRead(handle, reply, 3, returned), BridgeStatus::Timeout);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(Device.DiscardedUrbs(), 1);
    EXPECT_EQ(usb.BridgeClose(handle), BridgeStatus::Success);
}

// Two loggers with the bridge's ids: both are counted and listed, and the link talks to the
// first in the bus's order only.
TEST_F(UsbPathTest, twoLoggers_theFirstIsUsed) {
    CEmulatedLogger& second = Bed.Plug(Options("second.ini"));
    CUsbBridge usb(MakeLibusbBus());
    std::uint32_t count = 0;
    ASSERT_EQ(usb.BridgeCount(count), BridgeStatus::Success);
    EXPECT_EQ(count, 2u);
    std::vector<UsbDeviceReport> reports;
    usb.Survey(reports);
    ASSERT_EQ(reports.size(), 2u);
    const bool secondFirst = reports[0].Address == Bed.Address(second);
    EXPECT_EQ(reports[secondFirst ? 1 : 0].Address, Bed.Address(Device));
    CDownloadRecorder host;
    EXPECT_TRUE(CLoggerLink(usb, host).SendCalibration(5));
    EXPECT_GT((secondFirst ? second : Device).AnsweredUrbs(), 0);
    EXPECT_EQ((secondFirst ? Device : second).AnsweredUrbs(), 0);
}

// The emulated logger's traffic, recorded as umockdev records a device, replays without it:
// the bridge gets the same answer from umockdev's own replay of the recording.
TEST(UsbRecordingTest, recordingOfTheEmulatedLogger_replaysTheExchange) {
    const auto calibrate = [] {
        CUsbBridge usb(MakeLibusbBus());
        BridgeHandle handle = INVALID_BRIDGE_HANDLE;
        const std::uint8_t command[] = {CMD_CALIBRATE, 7, 0};
        std::uint8_t total = 0;
        std::uint32_t count = 0;
        const bool answered = usb.BridgeOpen(0, handle) == BridgeStatus::Success &&
                              usb.BridgeWrite(handle, command, 3, count) == BridgeStatus::Success &&
                              usb.BridgeRead(handle, &total, 1, count) == BridgeStatus::Success;
        return answered ? std::to_string(total) : "no answer";
    };
    CTempDir directory;
    const std::string recording = directory / "calibration.ioctl";
    {
        CUsbTestBed bed;
        CEmulatedLogger& logger = bed.Plug();
        EXPECT_EQ(calibrate(), "7");
        std::ofstream(recording) << logger.Recording();
    }
    EXPECT_EQ(FileText(recording).substr(0, 24), "USBDEVFS_REAPURBNDELAY 0");
    CUsbTestBed replay;
    replay.PlugRecording(recording);
    EXPECT_EQ(calibrate(), "7");
}

// datalogger-cli, started under the test bed, as a shell would start it.
struct CliTest : UsbPathTest {
    CTempDir Output;
    std::unique_ptr<CReachableProgram> Reachable;  // made for the first run as another user
    std::string Out;
    std::string Err;

    int Cli(std::vector<std::string> arguments, bool unprivileged = false) {
        chmod(Output.Path().c_str(), 0777);
        if (unprivileged && !Reachable) {
            Reachable = std::make_unique<CReachableProgram>(DATALOGGER_CLI_PROGRAM);
        }
        arguments.insert(arguments.begin(),
                         unprivileged ? Reachable->File().string() : DATALOGGER_CLI_PROGRAM);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const std::string out = Output / "out", err = Output / "err";
        const auto start = [&] {
            if (dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 1) < 0 ||
                dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), 2) < 0) {
                return 126;
            }
            // The test's own folder may be out of this user's reach too.
            if (unprivileged && chdir(Reachable->Folder().c_str()) != 0) {
                return 126;
            }
            execv(argv[0], argv.data());
            return 127;
        };
        const int status = RunUnprivileged(start, unprivileged);
        Out = FileText(out);
        Err = FileText(err);
        return status;
    }
};

TEST_F(CliTest, commandsUnderTheTestBed) {
    const CMemoryImage full = FullMemory();
    struct Case {
        std::vector<std::string> Arguments;
        std::function<void()> Prepare;
        std::string Printed;  // the end of standard output
        std::string Kept;     // the last measurement against the full memory
    };
    const std::vector<Case> cases = {
        {{"detect", "--verbose"},
         [] {},
         "USB devices with the bridge's id 10c4:ea61: 1\n  bus 001 device 002: interface 0, 0x81 "
         "IN bulk 64, 0x01 OUT bulk 64; \"Sound Level Datalogger (simulated)\"; can be opened\n"
         "Connected\n",
         ""},
        {{"calibrate", "3"}, [] {}, "Total calibrated value as 0.3 dB.\n", ""},
        {{"setup", "--mode", "RT", "--start", "auto", "--points", "40", "--rate", "50ms"},
         [] {},
         std::string(MSG_SETUP_RUNNING) + "\n",
         ""},
        {{"monitor", "--count", "40"}, [] {}, "\n", "count 40"},
        {{"download"},
         [&] { Device.Logger().Device().ForceMemory(full); },
         LastMeasurementPath()->string() + "\n",
         "every reading as in memory"},
    };
    for (const Case& c : cases) {
        c.Prepare();
        EXPECT_EQ(Cli(c.Arguments), EXIT_SUCCESS) << c.Arguments[0] << ": " << Err;
        EXPECT_TRUE(Out.ends_with(c.Printed)) << c.Arguments[0] << ": " << Out;
        CDTDoc kept;
        CMessageLog prompt;
        if (!c.Kept.empty()) {
            EXPECT_EQ(kept.LoadLastMeasurement(prompt), LoadResult::Loaded);
            EXPECT_EQ(Compare(kept.Record(), full), c.Kept) << c.Arguments[0];
        }
    }
    EXPECT_GT(Device.AnsweredUrbs(), 2 * 129920 / 512);
}

// The logger unplugged in the middle of a download: the download fails with its message,
// and the last measurement from before is kept.
TEST_F(CliTest, unplugInTheMiddleOfADownload_keepsTheLastMeasurement) {
    Device.Logger().Device().ForceMemory(FullMemory());
    ASSERT_EQ(Cli({"download"}), EXIT_SUCCESS) << Err;
    const std::string before = FileText(*LastMeasurementPath());
    Bed.UnplugAt(Device, 200);
    EXPECT_EQ(Cli({"download"}), 1);
    EXPECT_EQ(Err, std::string(MSG_READ_FAILED) + "\n");
    EXPECT_TRUE(FileText(*LastMeasurementPath()) == before);
    EXPECT_EQ(Cli({"detect"}), 1);  // gone from the bus as well
    EXPECT_EQ(Out, "Not Connected\n");
}

// A device node the user may not open: the logger is listed, and every command says that
// it was found but may not be opened, and what to do.
TEST_F(CliTest, nodeThatMayNotBeOpened_saysHowToFixIt) {
    Bed.Forbid(Device);
    EXPECT_EQ(Cli({"detect", "--verbose"}, true), 1);
    EXPECT_TRUE(
        Out.ends_with("cannot be opened: this user may not open it (AccessDenied)\nNot "
                      "Connected\n" +
                      std::string(MSG_NOT_PERMITTED) + "\n"))
        << Out;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"download"}, {"monitor"}, {"monitor", "--duration", "1m"}}) {
        EXPECT_EQ(Cli(command, true), 1) << command.back();
        EXPECT_EQ(Err, "Not Connected\n" + std::string(MSG_NOT_PERMITTED) + "\n") << command.back();
    }
}

}  // namespace
