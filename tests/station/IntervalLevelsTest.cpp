// Interval levels: clock-aligned intervals of the local time, their figures computed as the
// statistics of their readings, the partial first and last marked.

#include <gtest/gtest.h>

#include "export/AcousticStatistics.h"
#include "station/IntervalLevels.h"
#include "tests/station/IntervalCheck.h"

namespace {

// 2024-06-03 10:00:00 CEST, the tests' time zone.
constexpr std::int64_t TEN_O_CLOCK_MS = 1717401600000;

TEST(IntervalLevels, lengthsAreThoseThatDivideAnHour) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"1m", 60},         {"5m", 300},         {"10m", 600},         {"15m", 900},
        {"30m", 1800},      {"1h", 3600},        {"2m", std::nullopt}, {"60m", std::nullopt},
        {"", std::nullopt}, {"1H", std::nullopt}};
    for (const auto& [text, seconds] : cases) {
        EXPECT_EQ(ParseIntervalLength(text), seconds) << text;
    }
}

TEST(IntervalLevels, eachIntervalHoldsItsReadingsAndTheirStatistics) {
    struct Case {
        int LengthSeconds;
        std::int64_t FirstMs;  // after ten o'clock
        float IntervalS;
        int Readings;
        std::vector<bool> Partial;  // of each interval, in order
    };
    const Case cases[] = {
        // Started on the minute, stopped on the minute: every interval whole.
        {60, 0, 1.0f, 180, {false, false, false}},
        // Started 0.3 s into a minute: a reading every second still covers it.
        {60, 300, 1.0f, 120, {false, false}},
        // Started and stopped inside a 5-minute interval.
        {300, 90000, 0.5f, 1200, {true, false, true}},
        {3600, 1800000, 60.0f, 90, {true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.LengthSeconds);
        CIntervalGatherer gatherer(c.LengthSeconds, c.IntervalS, true);
        std::vector<CIntervalLevels> intervals;
        std::vector<std::vector<float>> expected(1);
        const auto periodMs = static_cast<std::int64_t>(c.IntervalS * 1000);
        for (int i = 0; i < c.Readings; ++i) {
            const float level = 40.0f + static_cast<float>((i * 37) % 50) / 2;
            if (auto done = gatherer.Add(TEN_O_CLOCK_MS + c.FirstMs + i * periodMs, level)) {
                intervals.push_back(*done);
                expected.emplace_back();
            }
            expected.back().push_back(level);
        }
        if (auto last = gatherer.Finish()) {
            intervals.push_back(*last);
        }
        ASSERT_EQ(intervals.size(), c.Partial.size());
        for (std::size_t n = 0; n < intervals.size(); ++n) {
            const CIntervalLevels& interval = intervals[n];
            EXPECT_EQ(interval.Partial, c.Partial[n]) << n;
            EXPECT_EQ((interval.StartMs - TEN_O_CLOCK_MS) % (c.LengthSeconds * 1000), 0);
            EXPECT_EQ(interval.EndMs - interval.StartMs, c.LengthSeconds * 1000);
            ExpectFiguresOf(interval, expected[n]);
        }
    }
}

}  // namespace
