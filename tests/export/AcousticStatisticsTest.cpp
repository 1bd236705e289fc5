#include "export/AcousticStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/LocalTime.h"
#include "tests/export/RecordOfLevels.h"

namespace {

constexpr float NOT_A_LEVEL = std::numeric_limits<float>::quiet_NaN();

TEST(AcousticStatistics, energyAverageAndExposureLevel) {
    const struct {
        std::vector<float> Levels;
        float Interval;
        double Leq;
        double Sel;
    } cases[] = {
        // 10 log10((10^6 + 10^8) / 2) = 77.03: the louder reading rules the average.
        {{60.0f, 80.0f}, 1.0f, 77.0329, 77.0329 + 10 * std::log10(2.0)},
        {{70.0f}, 1.0f, 70.0, 70.0},
        {{70.0f, 70.0f, 70.0f, 70.0f}, 0.05f, 70.0, 70.0 + 10 * std::log10(0.2)},
        // Levels a real-time run may bring: no power of ten of them fits a double.
        {{4000.0f, 4000.0f}, 60.0f, 4000.0, 4000.0 + 10 * std::log10(120.0)},
        // A reading without a level takes its time but no part in the levels or the energy.
        {{60.0f, NOT_A_LEVEL, 80.0f}, 1.0f, 77.0329, 77.0329 + 10 * std::log10(2.0)},
        {{50.0f, NOT_A_LEVEL, 60.0f, NOT_A_LEVEL, 70.0f}, 1.0f, 65.6820, 70.4532},
    };
    for (const auto& c : cases) {
        const CAcousticStatistics s =
            ComputeAcousticStatistics(RecordOfLevels(c.Levels, JUNE_5, c.Interval));
        ASSERT_TRUE(s.LeqDb && s.SelDb);
        EXPECT_NEAR(*s.LeqDb, c.Leq, 5e-5) << c.Levels.size();
        EXPECT_NEAR(*s.SelDb, c.Sel, 5e-5) << c.Levels.size();
        EXPECT_NEAR(s.DurationS, c.Levels.size() * static_cast<double>(c.Interval), 1e-6);
    }
}

TEST(AcousticStatistics, levelsExceededArePositionsInTheSortedReadings) {
    const struct {
        std::vector<float> Levels;
        double L10, L50, L90;
    } cases[] = {
        // One reading is every position.
        {{63.2f}, 63.2, 63.2, 63.2},
        // Ten readings, highest first 59..50: positions ceil(1), ceil(5), ceil(9).
        {{52.0f, 59.0f, 50.0f, 55.0f, 51.0f, 58.0f, 53.0f, 57.0f, 54.0f, 56.0f}, 59.0, 55.0, 51.0},
        // Three readings: positions 1, 2 (ceil 1.5) and 3 (ceil 2.7).
        {{70.1f, 40.2f, 55.3f}, 70.1, 55.3, 40.2},
        // Equal readings share a position.
        {{60.0f, 60.0f, 60.0f, 30.0f}, 60.0, 60.0, 30.0},
        // Levels between tenths and beyond 200 dB rank among the tenths.
        {{55.05f, 55.1f, 4000.0f, 55.0f, 54.95f, 55.1f, 55.0f, 55.05f, 30.0f, 55.0f},
         4000.0,
         55.05,
         54.95},
    };
    for (const auto& c : cases) {
        const CAcousticStatistics s = ComputeAcousticStatistics(RecordOfLevels(c.Levels));
        ASSERT_TRUE(s.L10Db && s.L50Db && s.L90Db);
        // Readings come out as the decimals they were written as.
        EXPECT_EQ(*s.L10Db, c.L10) << c.Levels.size();
        EXPECT_EQ(*s.L50Db, c.L50) << c.Levels.size();
        EXPECT_EQ(*s.L90Db, c.L90) << c.Levels.size();
    }
}

TEST(AcousticStatistics, extremesAndMeanAreThoseOfTheInfoPanel) {
    const CMeasurementRecord r = RecordOfLevels({55.1f, 94.3f, 41.7f, 60.0f});
    const CAcousticStatistics s = ComputeAcousticStatistics(r);
    ASSERT_TRUE(s.MaxDb && s.MinDb && s.MeanDb);
    EXPECT_EQ(*s.MaxDb, 94.3);
    EXPECT_EQ(*s.MinDb, 41.7);
    EXPECT_EQ(r.MaxText.substr(0, 5), "94.3 ");
    EXPECT_EQ(r.MinText.substr(0, 5), "41.7 ");
    EXPECT_NEAR(*s.MeanDb, 62.775, 1e-5);
    char average[32];
    std::snprintf(average, sizeof average, "%.2f ", *s.MeanDb);
    EXPECT_EQ(average, r.AvgText);
    // The largest levels a float holds still have a mean.
    EXPECT_EQ(ComputeAcousticStatistics(RecordOfLevels({3.4e38f, 3.4e38f})).MeanDb,
              DecimalOf(3.4e38f));
}

TEST(AcousticStatistics, readingsWithoutALevelTakeNoPartInTheExtremesOrTheMean) {
    constexpr float INFINITE = std::numeric_limits<float>::infinity();
    for (const std::vector<float>& levels : {std::vector<float>{60.0f, NOT_A_LEVEL, 80.0f},
                                             {INFINITE, 60.0f, 80.0f, -INFINITE},
                                             {NOT_A_LEVEL, 80.0f, INFINITE, 60.0f, NOT_A_LEVEL}}) {
        const CAcousticStatistics s = ComputeAcousticStatistics(RecordOfLevels(levels));
        ASSERT_TRUE(s.MaxDb && s.MinDb && s.MeanDb) << levels.size();
        EXPECT_EQ(*s.MaxDb, 80.0) << levels.size();
        EXPECT_EQ(*s.MinDb, 60.0) << levels.size();
        EXPECT_EQ(*s.MeanDb, 70.0) << levels.size();
    }
}

TEST(AcousticStatistics, timeBeyondTheAlarmLevelsCountsReadingsOnTheLevel) {
    // Alarm high 70, low 50; readings every 2 s.
    const CAcousticStatistics s = ComputeAcousticStatistics(
        RecordOfLevels({49.9f, 50.0f, 60.0f, 70.0f, 85.0f}, JUNE_5, 2.0f));
    EXPECT_EQ(s.AlarmHighDb, 70.0);
    EXPECT_EQ(s.AlarmLowDb, 50.0);
    EXPECT_EQ(s.AboveHighS, 4.0);
    EXPECT_EQ(s.BelowLowS, 4.0);
}

TEST(AcousticStatistics, rangesAndEmptyRecords) {
    const CMeasurementRecord r = RecordOfLevels({60.0f, 80.0f, 40.0f, 90.0f});
    const struct {
        std::int32_t First, Count, Expected;
    } cases[] = {{0, 4, 4}, {1, 2, 2}, {3, 10, 1}, {4, 1, 0}, {9, 3, 0}, {-2, 2, 2}, {0, 0, 0}};
    for (const auto& c : cases) {
        const CAcousticStatistics s = ComputeAcousticStatistics(r, c.First, c.Count);
        EXPECT_EQ(s.Count, c.Expected) << c.First << "+" << c.Count;
        EXPECT_EQ(s.LeqDb.has_value(), c.Expected > 0);
    }
    const CAcousticStatistics middle = ComputeAcousticStatistics(r, 1, 2);
    EXPECT_EQ(*middle.MaxDb, 80.0);
    EXPECT_EQ(*middle.MinDb, 40.0);

    for (const CMeasurementRecord& empty : {RecordOfLevels({}), RecordOfLevels({NOT_A_LEVEL})}) {
        const CAcousticStatistics s = ComputeAcousticStatistics(empty);
        EXPECT_EQ(s.Count, empty.SampleCount);
        for (const auto& level :
             {s.LeqDb, s.SelDb, s.L10Db, s.L50Db, s.L90Db, s.MaxDb, s.MinDb, s.MeanDb}) {
            EXPECT_FALSE(level);
        }
        EXPECT_EQ(s.AboveHighS, 0.0);
        EXPECT_EQ(s.BelowLowS, 0.0);
    }
    EXPECT_TRUE(ComputeAcousticStatistics(RecordOfLevels({})).Hourly.empty());
}

TEST(AcousticStatistics, hourlyTableFollowsTheLocalClockAcrossDaylightSavingChanges) {
    struct CRow {
        const char* Start;
        std::int32_t Count;
        double Leq;
    };
    const struct {
        CMeasurementRecord Record;
        std::vector<CRow> Rows;
    } cases[] = {
        // The clocks go back: 02:00 to 03:00 comes twice, each with its own offset.
        {AcrossSummerTimeEnd(),
         {{"2014-10-26T01:00:00+02:00", 1, 60.0},
          {"2014-10-26T02:00:00+02:00", 2, 77.0329},
          {"2014-10-26T02:00:00+01:00", 2, 70.0},
          {"2014-10-26T03:00:00+01:00", 1, 50.0}}},
        // The clocks go forward: 02:00 to 03:00 never comes.
        {RecordOfLevels({60.0f, 70.0f, 70.0f}, {2014, 3, 30, 1, 30, 0}, 1800.0f),
         {{"2014-03-30T01:00:00+01:00", 1, 60.0}, {"2014-03-30T03:00:00+02:00", 2, 70.0}}},
        // Readings every 0.05 s within one hour, and one in the next.
        {RecordOfLevels(std::vector<float>(72001, 65.0f), {2014, 6, 5, 13, 0, 0}, 0.05f),
         {{"2014-06-05T13:00:00+02:00", 72000, 65.0}, {"2014-06-05T14:00:00+02:00", 1, 65.0}}},
    };
    for (const auto& c : cases) {
        const CAcousticStatistics s = ComputeAcousticStatistics(c.Record);
        ASSERT_EQ(s.Hourly.size(), c.Rows.size());
        for (std::size_t i = 0; i < c.Rows.size(); ++i) {
            EXPECT_EQ(IsoLocalTime(s.Hourly[i].Start), c.Rows[i].Start);
            EXPECT_EQ(s.Hourly[i].Count, c.Rows[i].Count) << c.Rows[i].Start;
            ASSERT_TRUE(s.Hourly[i].LeqDb);
            EXPECT_NEAR(*s.Hourly[i].LeqDb, c.Rows[i].Leq, 5e-5) << c.Rows[i].Start;
        }
    }
    // A zone whose clock goes from 02:15 to 02:45 (30 March 2014), readings from 01:55 every ten
    // minutes: a row on either side of the change, each from where its clock hour starts.
    const std::string testZone = std::getenv("TZ");
    setenv("TZ", "<+01>-1<+0130>-1:30,M3.5.0/2:15,M10.5.0/3", 1);
    tzset();
    CMeasurementRecord r = RecordOfLevels(std::vector<float>(7, 60.0f), JUNE_5, 600.0f);
    r.StartTime = 1396140900;
    std::string rows;
    for (const CHourlyLeq& hour : ComputeAcousticStatistics(r).Hourly) {
        rows += IsoLocalTime(hour.Start).substr(11) + " " + std::to_string(hour.Count) + ", ";
    }
    setenv("TZ", testZone.c_str(), 1);
    tzset();
    EXPECT_EQ(rows, "01:00:00+01:00 1, 02:00:00+01:00 1, 02:45:00+01:30 2, 03:00:00+01:30 3, ");
}

}  // namespace
