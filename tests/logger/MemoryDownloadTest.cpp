// The download: the logger's memory decoded into a new record, the real-time start, and
// what every failure leaves behind.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "document/CDTDoc.h"
#include "logger/CLoggerLink.h"
#include "logger/MemoryDecoding.h"
#include "platform/LocalTime.h"
#include "tests/document/ExampleRecord.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string READ_FAILED = "message Failed reading data from the datalogger.";
const std::string EMPTY = "message Datalogger internal memory is currently empty.";

MemoryHeader Header(std::uint8_t rateCode) {
    MemoryHeader header;
    header.RateCode = rateCode;
    header.SetStart({2014, 6, 5, 14, 2, 7});
    header.Dba = 1;
    header.Fast = 0;
    header.AlarmLow = 40;
    header.AlarmHigh = 85;
    return header;
}

// A memory of `bytes` bytes whose readings count up from 50.0 dB in tenths.
CMemoryImage Memory(std::uint32_t bytes, std::uint8_t rateCode = 3) {
    CMemoryImage image;
    image.Header = Header(rateCode);
    for (std::uint32_t i = 0; i < bytes / 2; ++i) {
        image.AppendReading(static_cast<std::uint16_t>(500 + i % 1000));
    }
    if (bytes % 2 != 0) {
        image.Memory.push_back(0xEE);
    }
    return image;
}

// The previous measurement: an unsaved real-time series, also kept as PreMeasure.sound.
CMeasurementRecord PreviousRecord() {
    CMeasurementRecord r = ExampleRecord(3, 0.5f);
    r.ModeText = "RT";
    r.AlarmHighText = "90";
    return r;
}

Bytes FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A document holding the previous measurement, with the recorder as its only view.
struct DownloadTest : testing::Test {
    CDTDoc doc;
    CDownloadRecorder recorder;
    Bytes previousFile;

    void SetUp() override {
        doc.StoredData = false;
        doc.ReplaceRecord(PreviousRecord(), DocumentChange::RealTimeStarted);
        ASSERT_TRUE(doc.SaveLastMeasurement());
        previousFile = FileBytes(*LastMeasurementPath());
        doc.AddView([this](DocumentChange change) {
            recorder.Events.push_back(change == DocumentChange::Downloaded        ? "view download"
                                      : change == DocumentChange::RealTimeStarted ? "view real time"
                                                                                  : "view other");
        });
    }

    // One download over `bridge`, its events recorded from a clean slate; the device is
    // closed after it whatever the outcome.
    DownloadResult Download(CBridge& bridge) {
        CLoggerLink link(bridge, recorder);
        recorder.Events.clear();
        recorder.Icons.clear();
        const DownloadResult result = link.RunDownload(doc, recorder);
        EXPECT_EQ(link.Handle(), INVALID_BRIDGE_HANDLE);
        return result;
    }

    void ExpectPreviousKept() const {
        const CMeasurementRecord& r = doc.Record();
        const CMeasurementRecord previous = PreviousRecord();
        EXPECT_EQ(r.SampleCount, previous.SampleCount);
        EXPECT_EQ(r.Levels, previous.Levels);
        EXPECT_EQ(r.ModeText, "RT");
        EXPECT_EQ(r.AlarmHighText, "90");
        EXPECT_EQ(r.Info.DataNo, "3");
        EXPECT_EQ(r.MaxText, previous.MaxText);
        EXPECT_FALSE(doc.StoredData);  // the unsaved series still gets its save question
        EXPECT_FALSE(doc.RealTimeActive);
        EXPECT_EQ(FileBytes(*LastMeasurementPath()), previousFile);
    }

    // The replies of a logger in stored mode holding `image`, to one whole download.
    static void Script(CScriptedBridge& bridge, const CMemoryImage& image) {
        const std::uint32_t size = image.MemorySize();
        bridge.Reads.push_back({BridgeStatus::Success, {STATUS_STORED, 0, 0}, std::nullopt});
        bridge.Reads.push_back(
            {BridgeStatus::Success,
             {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
              static_cast<std::uint8_t>(size >> 16)},
             std::nullopt});
        const auto header = image.Header.Encode();
        bridge.Reads.push_back({BridgeStatus::Success, Bytes(header.begin(), header.end()), {}});
        for (std::uint32_t block = 1; block <= MemoryBlockCount(size); ++block) {
            const auto bytes = image.Block(block);
            bridge.Reads.push_back({BridgeStatus::Success, {0x0F, 0, 0}, std::nullopt});
            bridge.Reads.push_back({BridgeStatus::Success, Bytes(bytes.begin(), bytes.end()), {}});
        }
    }

    static std::vector<std::string> Reads(const CScriptedBridge& bridge) {
        std::vector<std::string> reads;
        for (const std::string& call : bridge.Calls) {
            if (call.rfind("read", 0) == 0) {
                reads.push_back(call);
            }
        }
        return reads;
    }
};

TEST(MemoryDecoding, levelsAbove150dB_repeatTheReadingBeforeExceptTheFirst) {
    CMemoryImage image;
    for (std::uint16_t raw : {1505, 700, 701, 702, 1500, 1505, 1501, 1500}) {
        image.AppendReading(raw);
    }
    const std::vector<float> levels = DecodeLevels(image.Memory);
    ASSERT_EQ(levels.size(), 8u);
    EXPECT_FLOAT_EQ(levels[0], 150.5f);  // nothing before it to repeat
    EXPECT_FLOAT_EQ(levels[3], 70.2f);
    EXPECT_FLOAT_EQ(levels[4], 150.0f);  // 150.0 itself is a level
    EXPECT_FLOAT_EQ(levels[5], 150.0f);  // 150.5 at index 5 takes index 4
    EXPECT_FLOAT_EQ(levels[6], 150.0f);  // and a run of them keeps repeating it
    EXPECT_FLOAT_EQ(levels[7], 150.0f);

    image.Memory.push_back(0x55);  // a trailing single byte is no reading
    EXPECT_EQ(DecodeLevels(image.Memory).size(), 8u);
    EXPECT_TRUE(DecodeLevels(std::vector<std::uint8_t>{0x55}).empty());
}

TEST(MemoryDecoding, headerGivesTheFieldsAndTextsOfTheRecord) {
    CMemoryImage image = Memory(8, 4);
    const CMeasurementRecord r = DecodeStoredRecording(image, 1.0f);
    EXPECT_EQ(r.SampleCount, 4);
    EXPECT_FLOAT_EQ(r.SampleInterval, 2.0f);
    EXPECT_EQ(r.StartTime, *MakeLocalTime({2014, 6, 5, 14, 2, 7}));
    EXPECT_EQ(r.Info.StartTime, "05/06/14 14:02:07");
    EXPECT_EQ(r.Info.SampleRate, "2 s");
    EXPECT_EQ(r.Info.DataNo, "4");
    EXPECT_EQ(r.Info.Unit, "dBA");
    EXPECT_EQ(r.Info.Speed, "SLOW");
    EXPECT_EQ(r.ModeText, "STOR");
    EXPECT_EQ(r.AlarmLowText, "40 ");
    EXPECT_EQ(r.AlarmHighText, "85 ");
    EXPECT_FLOAT_EQ(r.AlarmLow, 40.0f);
    EXPECT_FLOAT_EQ(r.AlarmHigh, 85.0f);
    // Readings 50.0 .. 50.3 every 2 s from 14:02:07.
    EXPECT_EQ(r.MaxText, "50.3 @14:02:13 05/06/14");
    EXPECT_EQ(r.MinText, "50.0 @14:02:07 05/06/14");
    EXPECT_EQ(r.AvgText, "50.15 ");
    EXPECT_EQ(r.Info.SoundMax, r.MaxText);

    // Weighting bytes are kept as the logger sent them.
    image.Header.Dba = 0;
    image.Header.Fast = 7;
    const CMeasurementRecord c = DecodeStoredRecording(image, 1.0f);
    EXPECT_EQ(c.IsFast, 7);
    EXPECT_EQ(c.Info.Unit, "dBC");
    EXPECT_EQ(c.Info.Speed, "FAST");
}

TEST(MemoryDecoding, rateCodes_giveIntervalAndTexts) {
    const CMeasurementRecord fastest = DecodeStoredRecording(Memory(4, 1), 1.0f);
    EXPECT_FLOAT_EQ(fastest.SampleInterval, 0.05f);
    EXPECT_EQ(fastest.Info.SampleRate, "50 ms");
    EXPECT_EQ(fastest.Info.Speed, "NONE");

    const CMeasurementRecord slowest = DecodeStoredRecording(Memory(4, 7), 1.0f);
    EXPECT_EQ(slowest.Info.SampleRate, "60 s");
    EXPECT_EQ(slowest.Info.Speed, "SLOW");
    EXPECT_EQ(slowest.MaxText, "50.1 @14:03:07 05/06/14");

    // A code the logger does not know keeps the interval of the record it replaces.
    for (std::uint8_t code : {0, 8, 255}) {
        EXPECT_FLOAT_EQ(DecodeStoredRecording(Memory(4, code), 0.5f).SampleInterval, 0.5f);
    }
    EXPECT_EQ(DecodeStoredRecording(Memory(4, 0), 0.05f).Info.Speed, "NONE");
}

TEST(MemoryDecoding, startTimeNoCalendarHolds_rollsOverInsteadOfLosingTheReadings) {
    CMemoryImage image = Memory(4);
    image.Header.Month = 13;
    image.Header.Day = 0;
    const CMeasurementRecord r = DecodeStoredRecording(image, 1.0f);
    EXPECT_EQ(r.SampleCount, 2);
    EXPECT_EQ(r.Info.StartTime, "31/12/14 14:02:07");
}

TEST_F(DownloadTest, memorySizes_readWholeAndShortBlocks) {
    struct Case {
        std::uint32_t Bytes;
        std::int32_t Readings;
        std::vector<std::string> BlockReads;
    };
    const std::vector<Case> cases = {
        {1024, 512, {"read 512", "read 512"}},
        {1000, 500, {"read 512", "read 488"}},
        {512, 256, {"read 512"}},
        {1001, 500, {"read 512", "read 489"}},  // the trailing byte is read, never decoded
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bytes);
        CScriptedBridge bridge;
        Script(bridge, Memory(c.Bytes));
        EXPECT_EQ(Download(bridge), DownloadResult::Stored);
        std::vector<std::string> reads = {"read 3", "read 3", "read 12"};
        EventList events = {"begin " + std::to_string(c.BlockReads.size()), "step 1"};
        for (std::size_t block = 1; block <= c.BlockReads.size(); ++block) {
            reads.push_back("read 3");
            reads.push_back(c.BlockReads[block - 1]);
            events.push_back("step " + std::to_string(block));
        }
        events.insert(events.end(), {"end", "view download"});
        EXPECT_EQ(Reads(bridge), reads);
        EXPECT_EQ(recorder.Events, events);
        EXPECT_EQ(bridge.Written.back(),
                  (Bytes{CMD_READ_MEMORY, static_cast<std::uint8_t>(c.BlockReads.size()), 0}));

        const CMeasurementRecord& r = doc.Record();
        EXPECT_EQ(r.SampleCount, c.Readings);
        EXPECT_EQ(r.Capacity(), c.Readings);
        EXPECT_FLOAT_EQ(r.Levels.back(), (500 + c.Readings - 1) * 0.1f);
        EXPECT_EQ(r.Info.DataNo, std::to_string(c.Readings));
        EXPECT_TRUE(doc.StoredData);
        EXPECT_TRUE(doc.ListCountStale);
    }
}

TEST_F(DownloadTest, fullMemory_readsEveryBlockAndKeepsItAsTheLastMeasurement) {
    CSimulatorBench bench;
    CSimulatedLogger logger(bench.Options());
    CMemoryImage image = Memory(2 * STORED_CAPACITY, 1);
    image.Memory[2 * 1000] = 0xDC;  // reading 1000: 1500, 150.0 dB
    image.Memory[2 * 1000 + 1] = 0x05;
    image.Memory[2 * 1001] = 0xE1;  // reading 1001: 1505, 150.5 dB
    image.Memory[2 * 1001 + 1] = 0x05;
    logger.Device().ForceMemory(image);
    EXPECT_EQ(Download(logger), DownloadResult::Stored);
    ASSERT_EQ(recorder.Events.size(), 1u + 1u + 508u + 2u);
    EXPECT_EQ(recorder.Events.front(), "begin 508");
    EXPECT_EQ(recorder.Events[recorder.Events.size() - 3], "step 508");

    const CMeasurementRecord& r = doc.Record();
    ASSERT_EQ(r.SampleCount, STORED_CAPACITY);
    EXPECT_EQ(r.Levels, DecodeLevels(image.Memory));
    EXPECT_FLOAT_EQ(r.Levels[1001], 150.0f);
    // Block numbers past 255 travel in two bytes: the last block holds the last readings.
    EXPECT_FLOAT_EQ(r.Levels.back(), (500 + (STORED_CAPACITY - 1) % 1000) * 0.1f);
    EXPECT_EQ(r.Info.Speed, "NONE");

    CDTDoc kept;
    CDownloadRecorder quiet;
    ASSERT_EQ(kept.LoadLastMeasurement(quiet), LoadResult::Loaded);
    EXPECT_EQ(kept.Record().SampleCount, STORED_CAPACITY);
    EXPECT_EQ(kept.Record().MaxText, r.MaxText);
    EXPECT_EQ(kept.Record().ModeText, "STOR");
}

TEST_F(DownloadTest, emptyMemory_saysSoAndKeepsTheRecord) {
    for (std::uint32_t bytes : {0u, 1u}) {  // a single byte holds no reading either
        SCOPED_TRACE(bytes);
        CScriptedBridge bridge;
        Script(bridge, Memory(bytes));
        EXPECT_EQ(Download(bridge), DownloadResult::Failed);
        EXPECT_EQ(recorder.Events, EventList{EMPTY});
        EXPECT_EQ(recorder.Icons, std::vector{PromptIcon::Information});
        EXPECT_EQ(Reads(bridge), (std::vector<std::string>{"read 3", "read 3", "read 12"}));
        ExpectPreviousKept();
    }
}

TEST_F(DownloadTest, memoryLargerThanTheLoggerHolds_isRefusedBeforeAnyBlock) {
    CScriptedBridge bridge;
    CMemoryImage image;
    image.Memory.resize(2 * STORED_CAPACITY + 2);
    Script(bridge, image);
    EXPECT_EQ(Download(bridge), DownloadResult::Failed);
    EXPECT_EQ(recorder.Events,
              EventList{"message The datalogger reports 129921 readings, more than its memory can "
                        "hold (129920). Nothing was downloaded."});
    EXPECT_EQ(recorder.Icons, std::vector{PromptIcon::Warning});
    EXPECT_EQ(Reads(bridge), (std::vector<std::string>{"read 3", "read 3"}));
    EXPECT_EQ(bridge.OpenHandles, 0);
    ExpectPreviousKept();
}

TEST_F(DownloadTest, realTimeStatus_preparesAnEmptyRunAndStartsThePollTimer) {
    CScriptedBridge bridge;
    bridge.Reads.push_back({BridgeStatus::Success, {0x1C, 0, 0}, std::nullopt});
    recorder.Alarms = {"85 dB", "abc"};
    EXPECT_EQ(Download(bridge), DownloadResult::RealTimeStarted);
    EXPECT_EQ(recorder.Events, (EventList{"view real time", "poll 500"}));
    EXPECT_EQ(bridge.Written, (std::vector<Bytes>{{CMD_STATUS, 0, 0}}));

    const CMeasurementRecord& r = doc.Record();
    EXPECT_EQ(r.SampleCount, 0);
    EXPECT_EQ(r.Capacity(), REAL_TIME_CAPACITY);
    EXPECT_FLOAT_EQ(r.SampleInterval, 2.0f);
    EXPECT_EQ(r.ModeText, "RT");
    EXPECT_EQ(r.Info.Unit, "dBA");
    EXPECT_EQ(r.Info.Speed, "FAST");
    EXPECT_EQ(r.Info.SampleRate, "2 s");
    EXPECT_EQ(r.AlarmHighText, "85");
    EXPECT_EQ(r.AlarmLowText, "0");
    EXPECT_FLOAT_EQ(r.AlarmHigh, 85.0f);
    EXPECT_TRUE(r.Info.DataNo.empty());
    EXPECT_TRUE(r.Info.SoundMax.empty());
    EXPECT_TRUE(r.Info.SoundAvg.empty());
    // Until the first reading the panel still shows when the previous series began.
    EXPECT_EQ(r.Info.StartTime, PreviousRecord().Info.StartTime);
    EXPECT_TRUE(doc.RealTimeActive);
    EXPECT_FALSE(doc.StoredData);
    // Nothing was read yet: the last measurement file is the previous one.
    EXPECT_EQ(FileBytes(*LastMeasurementPath()), previousFile);
}

TEST_F(DownloadTest, realTimeStatusCodes_fastestRateAndNothingToPoll) {
    {
        CScriptedBridge bridge;
        bridge.Reads.push_back({BridgeStatus::Success, {0x01, 0, 0}, std::nullopt});
        EXPECT_EQ(Download(bridge), DownloadResult::RealTimeStarted);
        EXPECT_EQ(doc.Record().Info.Speed, "NONE");
        EXPECT_EQ(doc.Record().Info.Unit, "dBC");
        EXPECT_EQ(doc.Record().Info.SampleRate, "50 ms");
    }
    doc.RealTimeActive = false;
    doc.ReplaceRecord(PreviousRecord(), DocumentChange::Loaded);
    for (std::uint8_t status : {0x00, 0x18}) {
        SCOPED_TRACE(status);
        CScriptedBridge bridge;
        bridge.Reads.push_back({BridgeStatus::Success, {status, 0, 0}, std::nullopt});
        EXPECT_EQ(Download(bridge), DownloadResult::Failed);
        EXPECT_EQ(recorder.Events, EventList{EMPTY});
        EXPECT_EQ(recorder.Icons, std::vector{PromptIcon::Information});
        EXPECT_EQ(bridge.OpenHandles, 0);
        ExpectPreviousKept();
    }
}

TEST_F(DownloadTest, noLogger_failsWithoutAWord) {
    CScriptedBridge bridge;
    bridge.Count = 0;
    EXPECT_EQ(Download(bridge), DownloadResult::Failed);
    EXPECT_TRUE(recorder.Events.empty());
    ExpectPreviousKept();
}

TEST_F(DownloadTest, replyCutShort_isAFailedRead) {
    CScriptedBridge bridge;
    Script(bridge, Memory(1024));
    bridge.Reads[4].Count = 100;  // the first block says 100 of its 512 bytes came
    EXPECT_EQ(Download(bridge), DownloadResult::Failed);
    EXPECT_EQ(recorder.Events, (EventList{"begin 2", "step 1", READ_FAILED, "end"}));
    ExpectPreviousKept();
}

// A failure at any one transfer of a download, a failed transfer or the logger pulled out,
// keeps the previous record and last measurement, and shows its message while the progress
// window is still up.
TEST_F(DownloadTest, faultAtEveryTransfer_keepsThePreviousRecordAndFile) {
    constexpr std::uint32_t BLOCKS = 3;
    const CMemoryImage image = Memory(2 * MEMORY_BLOCK_SIZE + 100);
    // Status and size are a write and a read each, the header a read, every block a write
    // and two reads.
    std::string kinds = "wrwrr";
    for (std::uint32_t block = 0; block < BLOCKS; ++block) {
        kinds += "wrr";
    }
    constexpr std::size_t BEFORE_PROGRESS = 4;

    for (const bool unplug : {false, true}) {
        int writes = 0;
        int reads = 0;
        for (std::size_t transfer = 1; transfer <= kinds.size(); ++transfer) {
            const bool isWrite = kinds[transfer - 1] == 'w';
            ++(isWrite ? writes : reads);
            SCOPED_TRACE(std::to_string(transfer) + (unplug ? " unplugged" : " failed"));

            CSimulatorBench bench;
            SimulatorOptions options = bench.Options();
            if (unplug) {
                options.Faults.UnplugBefore(static_cast<int>(transfer));
            } else if (isWrite) {
                options.Faults.FailWrite(writes);
            } else {
                options.Faults.FailRead(reads);
            }
            CSimulatedLogger logger(options);
            logger.Device().ForceMemory(image);
            EXPECT_EQ(Download(logger), DownloadResult::Failed);
            ExpectPreviousKept();
            if (transfer <= BEFORE_PROGRESS) {
                EXPECT_EQ(recorder.Events, EventList{READ_FAILED});
                continue;
            }
            // The window came up, advanced over the blocks read, showed the message, then went.
            ASSERT_GE(recorder.Events.size(), 3u);
            EXPECT_EQ(recorder.Events.front(), "begin 3");
            EXPECT_EQ(recorder.Events[recorder.Events.size() - 2], READ_FAILED);
            EXPECT_EQ(recorder.Events.back(), "end");
            const std::size_t blocksRead = transfer <= 5 ? 0 : (transfer - 6) / 3;
            EXPECT_EQ(recorder.Events.size(), 2u + (transfer > 5 ? 1u + blocksRead : 0u) + 1u);
        }
    }
}

}  // namespace
