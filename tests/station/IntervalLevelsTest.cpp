// Interval levels: clock-aligned intervals of the local time, their figures computed as the
// statistics of their readings, the partial first and last marked.

#include <gtest/gtest.h>

#include "export/AcousticStatistics.h"
#include "platform/LocalTime.h"
#include "station/IntervalLevels.h"
#include "tests/TimeZoneScope.h"
#include "tests/station/IntervalCheck.h"

namespace {

TEST(IntervalLevels, lengthsAreThoseThatDivideAnHour) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"1m", 60},         {"5m", 300},         {"10m", 600},         {"15m", 900},
        {"30m", 1800},      {"1h", 3600},        {"2m", std::nullopt}, {"60m", std::nullopt},
        {"", std::nullopt}, {"1H", std::nullopt}};
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(ParseIntervalLength(text), seconds) << text;
    }
}

// Zones of the local clock, as the C library reads them without a zone database.
constexpr const char* BERLIN = "CET-1CEST,M3.5.0,M10.5.0/3";  // the tests' own
constexpr const char* KOLKATA = "<+0530>-5:30";
constexpr const char* KATHMANDU = "<+0545>-5:45";
// +10:30, and +11 from the first Sunday of October 02:00 (then 02:30) to the first Sunday of
// April 02:00 (then 01:30): a clock that changes by half an hour.
constexpr const char* LORD_HOWE = "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0";

TEST(IntervalLevels, eachIntervalOfTheLocalClockHoldsItsReadingsAndTheirStatistics) {
    struct Case {
        const char* Zone;
        LocalTimeParts Clock;  // the local time a whole hour starts at
        std::int64_t FirstMs;  // of the first reading, after that hour
        int LengthSeconds;
        float IntervalS;
        int Readings;
        std::vector<bool> Partial;  // of each interval, in order
    };
    const Case cases[] = {
        // Started on the minute, stopped on the minute: every interval whole.
        {BERLIN, {2024, 6, 3, 10, 0, 0}, 0, 60, 1.0f, 180, {false, false, false}},
        // Started 0.3 s into a minute: a reading every second still covers it.
        {BERLIN, {2024, 6, 3, 10, 0, 0}, 300, 60, 1.0f, 120, {false, false}},
        // Started and stopped inside a 5-minute interval.
        {BERLIN, {2024, 6, 3, 10, 0, 0}, 90000, 300, 0.5f, 1200, {true, false, true}},
        {BERLIN, {2024, 6, 3, 10, 0, 0}, 1800000, 3600, 60.0f, 90, {true, false}},
        // Clocks whose hours do not start at whole hours of UTC.
        {KOLKATA, {2024, 6, 3, 10, 0, 0}, 0, 3600, 60.0f, 120, {false, false}},
        {KATHMANDU, {2024, 6, 3, 10, 0, 0}, 0, 1800, 1.0f, 3600, {false, false}},
        // Across the change to summer time (02:00 is 03:00) and back (03:00 is 02:00 again):
        // each hour of the clock, the one that repeats twice.
        {BERLIN, {2024, 3, 31, 1, 0, 0}, 1800000, 3600, 60.0f, 180, {true, false, false, true}},
        {BERLIN, {2024, 10, 27, 1, 0, 0}, 1800000, 3600, 60.0f, 180, {true, false, false, true}},
        // Across a change by half an hour, either way.
        {LORD_HOWE, {2024, 10, 6, 1, 0, 0}, 0, 1800, 60.0f, 120, {false, false, false, false}},
        {LORD_HOWE, {2024, 4, 7, 1, 0, 0}, 0, 1800, 60.0f, 120, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        const CTimeZoneScope zone(c.Zone);
        const auto hour = MakeLocalTime(c.Clock);
        ASSERT_TRUE(hour);
        SCOPED_TRACE(IsoLocalTime(*hour) + " " + std::to_string(c.LengthSeconds));
        CIntervalGatherer gatherer(c.LengthSeconds, c.IntervalS, true);
        std::vector<CIntervalLevels> intervals;
        std::vector<std::vector<float>> levels(1);
        std::vector<std::vector<std::int64_t>> times(1);
        const auto periodMs = static_cast<std::int64_t>(c.IntervalS * 1000);
        for (int i = 0; i < c.Readings; ++i) {
            const std::int64_t timeMs = std::int64_t{*hour} * 1000 + c.FirstMs + i * periodMs;
            const float level = 40.0f + static_cast<float>((i * 37) % 50) / 2;
            if (auto done = gatherer.Add(timeMs, level)) {
                intervals.push_back(*done);
                levels.emplace_back();
                times.emplace_back();
            }
            levels.back().push_back(level);
            times.back().push_back(timeMs);
        }
        if (auto last = gatherer.Finish()) {
            intervals.push_back(*last);
        }
        EXPECT_EQ(intervals.size(), c.Partial.size());
        if (intervals.size() != c.Partial.size()) {
            continue;  // the next zone is still checked
        }
        for (std::size_t n = 0; n < intervals.size(); ++n) {
            SCOPED_TRACE(n);
            const CIntervalLevels& interval = intervals[n];
            EXPECT_EQ(interval.Partial, c.Partial[n]);
            // It starts at a whole interval of the local clock, where the one before ended.
            const LocalTimeParts start = SplitLocalTime(interval.StartMs / 1000);
            EXPECT_EQ(interval.StartMs % 1000, 0);
            EXPECT_EQ((start.Minute * 60 + start.Second) % c.LengthSeconds, 0)
                << IsoLocalTimeMs(interval.StartMs, true);
            EXPECT_EQ(interval.EndMs - interval.StartMs, c.LengthSeconds * 1000);
            if (n > 0) {
                EXPECT_EQ(interval.StartMs, intervals[n - 1].EndMs);
            }
            EXPECT_GE(times[n].front(), interval.StartMs);
            EXPECT_LT(times[n].back(), interval.EndMs);
            ExpectFiguresOf(interval, levels[n]);
        }
    }
}

// In a zone whose clock moves an hour at a quarter to the hour, off every interval's grid,
// each interval keeps one offset and follows the one before without a gap or an overlap.
TEST(IntervalLevels, intervalsOfTheLocalClockWhereItChangesOffTheirGrid) {
    const CTimeZoneScope chathamLike("<+1245>-12:45<+1345>,M9.5.0/2:45,M4.1.0/3:45");
    // An hour and three quarters before the clock moves forward, and before it moves back.
    for (const std::int64_t firstMs : {1727525700000, 1712405700000}) {
        for (const int length : {600, 3600}) {
            CIntervalGatherer gatherer(length, 10.0f, true);
            std::int64_t endMs = firstMs;
            for (std::int64_t timeMs = firstMs; timeMs < firstMs + 4 * 3600000; timeMs += 10000) {
                if (const auto done = gatherer.Add(timeMs, 50.0f)) {
                    EXPECT_EQ(UtcOffsetSeconds(done->StartMs / 1000),
                              UtcOffsetSeconds(done->EndMs / 1000 - 1));
                    EXPECT_EQ(done->StartMs, endMs) << length;
                    EXPECT_EQ(done->Count, (done->EndMs - done->StartMs) / 10000);
                    endMs = done->EndMs;
                }
            }
        }
    }
}

}  // namespace
