#include "document/CMeasurementRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "tests/document/ExampleRecord.h"

namespace {

CMeasurementRecord WithLevels(const std::vector<float>& levels, float interval = 1.0f) {
    CMeasurementRecord r = ExampleRecord(0, interval);
    r.ReplaceSeries(static_cast<std::int32_t>(levels.size()));
    r.SampleCount = static_cast<std::int32_t>(levels.size());
    std::copy(levels.begin(), levels.end(), r.Levels.begin());
    r.RecomputeStatistics();
    return r;
}

TEST(RecordStatistics, textsOfMaximumMinimumAndMean) {
    const CMeasurementRecord r = WithLevels({60.0f, 94.3f, 41.2f, 70.0f});
    EXPECT_EQ(r.MaxText, "94.3 @14:02:08 05/06/14");
    EXPECT_EQ(r.MinText, "41.2 @14:02:09 05/06/14");
    EXPECT_EQ(r.AvgText, "66.38 ");
    EXPECT_EQ(r.Info.SoundMax, r.MaxText);
    EXPECT_EQ(r.Info.SoundMin, r.MinText);
    EXPECT_EQ(r.Info.SoundAvg, r.AvgText);
}

TEST(RecordStatistics, tiesGoToTheLaterReading) {
    const CMeasurementRecord equal = WithLevels({50.0f, 50.0f, 50.0f});
    EXPECT_EQ(equal.MaxText, "50.0 @14:02:09 05/06/14");
    EXPECT_EQ(equal.MinText, "50.0 @14:02:09 05/06/14");

    const CMeasurementRecord ends = WithLevels({80.0f, 40.0f, 60.0f, 40.0f, 80.0f});
    EXPECT_EQ(ends.MaxText, "80.0 @14:02:11 05/06/14");
    EXPECT_EQ(ends.MinText, "40.0 @14:02:10 05/06/14");
}

TEST(RecordStatistics, startValuesBoundTheSearch) {
    // A reading of exactly 0.0 and of exactly 150.0 still count.
    const CMeasurementRecord r = WithLevels({0.0f, 150.0f});
    EXPECT_EQ(r.MaxText, "150.0 @14:02:08 05/06/14");
    EXPECT_EQ(r.MinText, "0.0 @14:02:07 05/06/14");

    // Real-time levels above 150 dB never become the minimum; its time is the start time.
    const CMeasurementRecord loud = WithLevels({151.0f, 152.0f});
    EXPECT_EQ(loud.MinText, "150.0 @14:02:07 05/06/14");
}

TEST(RecordStatistics, meanIsSummedInSinglePrecision) {
    // Over 100000 equal readings a single-precision sum drifts far enough to show in the
    // second decimal of the mean; files of the program have always carried that mean.
    std::vector<float> levels(100000, 88.8f);
    float sum = 0.0f;
    for (float v : levels) {
        sum += v;
    }
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.2f ",
                  static_cast<double>(sum / static_cast<float>(levels.size())));
    EXPECT_EQ(WithLevels(levels).AvgText, expected);
    EXPECT_NE(std::string(expected), "88.80 ") << "the float sum is visibly off";
}

TEST(RecordStatistics, levelsNoMeterGivesShowAPlaceholder) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::vector<float> Levels;
        const char* Max;
        const char* Min;
        const char* Avg;
    };
    for (const Case& c : {Case{{50.0f, inf}, "---- @14:02:08", "50.0 @14:02:07", "---- "},
                          Case{{50.0f, -inf}, "50.0 @14:02:07", "---- @14:02:08", "---- "},
                          Case{{nan, 60.0f}, "60.0 @14:02:08", "60.0 @14:02:08", "---- "}}) {
        const CMeasurementRecord r = WithLevels(c.Levels);
        EXPECT_TRUE(r.MaxText.starts_with(c.Max)) << r.MaxText;
        EXPECT_TRUE(r.MinText.starts_with(c.Min)) << r.MinText;
        EXPECT_EQ(r.AvgText, c.Avg);
    }
}

TEST(RecordSampleTime, productIsTruncatedTowardZero) {
    const CMeasurementRecord r = WithLevels({50.0f}, 0.05f);
    EXPECT_EQ(r.SampleTime(3), r.StartTime);
    EXPECT_EQ(r.SampleTime(19), r.StartTime);
    EXPECT_EQ(r.SampleTime(20), r.StartTime + 1);
    EXPECT_EQ(r.SampleTime(129919), r.StartTime + 6495);

    const CMeasurementRecord minute = WithLevels({50.0f}, 60.0f);
    EXPECT_EQ(minute.SampleTime(2), minute.StartTime + 120);
}

TEST(RecordSampleTime, damagedIntervalDoesNotWrapTheClock) {
    CMeasurementRecord r = WithLevels({50.0f});
    r.SampleInterval = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(r.SampleTime(5), r.StartTime);
    r.SampleInterval = 3.0e38f;
    EXPECT_EQ(r.SampleTime(5), r.StartTime);
}

TEST(RecordTexts, sampleRateInMillisecondsBelowOneSecond) {
    EXPECT_EQ(SampleRateText(0.05f), "50 ms");
    EXPECT_EQ(SampleRateText(0.5f), "500 ms");
    EXPECT_EQ(SampleRateText(1.0f), "1 s");
    EXPECT_EQ(SampleRateText(2.0f), "2 s");
    EXPECT_EQ(SampleRateText(60.0f), "60 s");
}

TEST(RecordTexts, panelTextsAfterALoad) {
    CMeasurementRecord r = ExampleRecord(3, 0.5f);
    r.IsDBA = 0;
    r.IsFast = 0;
    r.DeriveTextsAfterLoad();
    EXPECT_EQ(r.Info.StartTime, "05/06/14 14:02:07");
    EXPECT_EQ(r.Info.SampleRate, "500 ms");
    EXPECT_EQ(r.Info.DataNo, "3");
    EXPECT_EQ(r.Info.Unit, "dBC");
    EXPECT_EQ(r.Info.Speed, "SLOW");
}

TEST(RecordSeries, replaceSeriesMakesRoomForTheCapacity) {
    CMeasurementRecord r;
    r.ReplaceSeries(REAL_TIME_CAPACITY);
    EXPECT_EQ(r.Capacity(), REAL_TIME_CAPACITY);
    r.ReplaceSeries(-3);
    EXPECT_EQ(r.Capacity(), 0);
}

}  // namespace
