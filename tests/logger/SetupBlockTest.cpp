#include <gtest/gtest.h>

#include "logger/MemoryImage.h"
#include "logger/SetupBlock.h"
#include "logger/SetupSettings.h"
#include "tests/TempDir.h"

namespace {

TEST(SetupBlock, composedFromFieldsAndAFixedClock_exactBytes) {
    SetupFields fields;
    fields.LedCycle = 20;
    fields.ManualStart = true;
    fields.RealTime = false;
    fields.Dba = true;
    fields.Fast = false;
    fields.RateCode = 3;
    fields.Points = 129920;  // 0x01FB80
    fields.AlarmLow = 40;
    fields.AlarmHigh = 100;

    const SetupBlock block = ComposeSetupBlock(fields, {2024, 6, 3, 14, 5, 9});

    SetupBlock expected{};
    const std::uint8_t head[] = {20, 0x88, 3, 24, 6, 3, 14, 5, 9, 0x01, 0xFB, 0x80, 40, 100};
    std::copy(std::begin(head), std::end(head), expected.begin());
    EXPECT_EQ(block, expected);
}

TEST(SetupBlock, flagsOfEachChoice) {
    SetupFields fields;
    fields.ManualStart = false;
    fields.RealTime = true;
    fields.Dba = false;
    fields.Fast = true;
    fields.LedCycle = 0;
    fields.RateCode = 1;
    fields.Points = 10000;
    const SetupBlock block = ComposeSetupBlock(fields, {2099, 12, 31, 23, 59, 58});
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 0x14);
    EXPECT_EQ(block[2], 1);
    EXPECT_EQ(block[3], 99);
    EXPECT_EQ(block[9], 0x00);
    EXPECT_EQ(block[10], 0x27);
    EXPECT_EQ(block[11], 0x10);

    LocalTimeParts clock;
    EXPECT_EQ(ParseSetupBlock(block, clock), fields);
    EXPECT_EQ(clock.Year, 2099);
    EXPECT_EQ(clock.Second, 58);
}

TEST(SetupSettings, defaultSettings_giveTheFirstStartSetup) {
    const SetupFields fields = SetupFieldsFromSettings(CFrameSettings{});
    EXPECT_EQ(fields.LedCycle, 10);  // the stored 24 shows and sends as 10
    EXPECT_TRUE(fields.ManualStart);
    EXPECT_FALSE(fields.RealTime);
    EXPECT_TRUE(fields.Dba);
    EXPECT_TRUE(fields.Fast);
    EXPECT_EQ(fields.RateCode, 3);
    EXPECT_EQ(fields.Points, 129920u);
    EXPECT_EQ(fields.AlarmLow, 30);
    EXPECT_EQ(fields.AlarmHigh, 130);
}

TEST(SetupSettings, valuesAreBroughtIntoTheDialogsRanges) {
    CFrameSettings s;
    s.SamplePoints = "200000";
    EXPECT_EQ(SetupFieldsFromSettings(s).Points, 129920u);
    s.RealTimeMode = 1;
    EXPECT_EQ(SetupFieldsFromSettings(s).Points, 10000u);
    s.SamplePoints = "0";
    EXPECT_EQ(SetupFieldsFromSettings(s).Points, 1u);
    s.SamplePoints = "many";
    EXPECT_EQ(SetupFieldsFromSettings(s).Points, 1u);

    s.AlarmHigh = "140";
    s.AlarmLow = "-5";
    EXPECT_EQ(SetupFieldsFromSettings(s).AlarmHigh, 130);
    EXPECT_EQ(SetupFieldsFromSettings(s).AlarmLow, 0);
    s.AlarmHigh = "40";
    s.AlarmLow = "60";  // the two levels are not compared
    EXPECT_EQ(SetupFieldsFromSettings(s).AlarmHigh, 40);
    EXPECT_EQ(SetupFieldsFromSettings(s).AlarmLow, 60);

    EXPECT_EQ(LimitCalibration(15), 10);
    EXPECT_EQ(LimitCalibration(-12), -10);
    EXPECT_EQ(LimitCalibration(-3), -3);
}

TEST(SetupSettings, fiftyMillisecondsRunsInRealTimeOnly) {
    CFrameSettings s;
    s.SampleRateIndex = 0;
    s.RealTimeMode = 0;
    s.SamplePoints = "129920";
    const SetupFields fields = SetupFieldsFromSettings(s);
    EXPECT_EQ(fields.RateCode, 1);
    EXPECT_TRUE(fields.RealTime);
    EXPECT_EQ(fields.Points, 10000u);
}

TEST(SetupSettings, oddStoredValues_takeTheDialogsMeaning) {
    CFrameSettings s;
    s.SampleRateIndex = 9;  // an edited settings file
    s.LedCycle = 44;        // "LEDDATA" 300 read into 8 bits
    s.AutoStart = 2;
    s.RealTimeMode = 7;
    const SetupFields fields = SetupFieldsFromSettings(s);
    EXPECT_EQ(fields.RateCode, 3);
    EXPECT_EQ(fields.LedCycle, 10);
    EXPECT_TRUE(fields.ManualStart);
    EXPECT_FALSE(fields.RealTime);
    s.LedCycle = 0;
    EXPECT_EQ(SetupFieldsFromSettings(s).LedCycle, 0);
}

TEST(SetupSettings, storedAfterASetup_asPlainNumbers) {
    SetupFields fields;
    fields.RateCode = 7;
    fields.Points = 500;
    fields.AlarmHigh = 85;
    fields.AlarmLow = 40;
    fields.LedCycle = 30;
    fields.ManualStart = false;
    fields.RealTime = true;
    fields.Dba = false;
    fields.Fast = false;
    CFrameSettings s;
    s.Calibration = "-4";
    StoreSetupFields(fields, s);
    EXPECT_EQ(s.SampleRateIndex, 6);
    EXPECT_EQ(s.SamplePoints, "500");
    EXPECT_EQ(s.AlarmHigh, "85");
    EXPECT_EQ(s.AlarmLow, "40");
    EXPECT_EQ(s.LedCycle, 30);
    EXPECT_EQ(s.AutoStart, 1);
    EXPECT_EQ(s.RealTimeMode, 1);
    EXPECT_EQ(s.Dba, 0);
    EXPECT_EQ(s.Fast, 0);
    EXPECT_EQ(s.Calibration, "-4");  // not a setup value
    EXPECT_EQ(SetupFieldsFromSettings(s), fields);
}

TEST(MemoryImage, blocksOfFiveHundredTwelveBytesWithAShorterLast) {
    EXPECT_EQ(MemoryBlockCount(0), 0u);
    EXPECT_EQ(MemoryBlockCount(512), 1u);
    EXPECT_EQ(MemoryBlockCount(1000), 2u);
    EXPECT_EQ(MemoryBlockCount(1024), 2u);

    CMemoryImage image;
    for (std::uint16_t i = 0; i < 500; ++i) {
        image.AppendReading(static_cast<std::uint16_t>(450 + i));
    }
    EXPECT_EQ(image.MemorySize(), 1000u);
    EXPECT_EQ(image.Block(1).size(), 512u);
    EXPECT_EQ(image.Block(2).size(), 488u);
    EXPECT_TRUE(image.Block(3).empty());
    EXPECT_TRUE(image.Block(0).empty());
    EXPECT_EQ(image.Block(2)[0], (450 + 256) & 0xFF);  // reading 256 starts block 2
    EXPECT_EQ(image.Reading(499), 949);
}

TEST(MemoryImage, fileHoldsHeaderThenMemory) {
    CTempDir dir;
    CMemoryImage image;
    image.Header.SetStart({2023, 11, 30, 22, 15, 0});
    image.Header.RateCode = 5;
    image.Header.AlarmLow = 35;
    image.Header.AlarmHigh = 90;
    image.AppendReading(1505);
    image.AppendReading(0);
    ASSERT_TRUE(SaveMemoryImage(dir / "image.bin", image));
    EXPECT_EQ(std::filesystem::file_size(dir / "image.bin"), 16u);
    EXPECT_EQ(LoadMemoryImage(dir / "image.bin"), image);
    EXPECT_EQ(image.Header.Encode()[0], 5);
    EXPECT_EQ(image.Header.Encode()[1], 23);
    EXPECT_EQ(image.Header.Encode()[11], 90);

    std::filesystem::resize_file(dir / "image.bin", 11);
    EXPECT_FALSE(LoadMemoryImage(dir / "image.bin"));
    EXPECT_FALSE(LoadMemoryImage(dir / "missing.bin"));
}

}  // namespace
