// The station's run loop against the simulated logger on a stepping clock.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "document/CDTDoc.h"
#include "tests/station/StationBench.h"

namespace {

TEST(Station, pollsPastTheRecordLimitOnItsScheduleWithoutMissingAPoll) {
    CStationBench bench(3);  // 1 s
    CStationSettings settings;
    settings.MaxReadings = 25000;
    settings.IntervalSeconds = 60;
    ASSERT_EQ(bench.Run(settings), StationEnd::Limit);

    const CStationLog& log = bench.Log;
    ASSERT_EQ(log.Runs.size(), 1u);
    ASSERT_EQ(log.Readings.size(), 25000u);
    for (std::size_t i = 0; i < log.Readings.size(); ++i) {
        ASSERT_EQ(log.Readings[i].Number, static_cast<std::int64_t>(i + 1));
        ASSERT_EQ(log.Readings[i].TimeMs,
                  log.Runs[0].StartMs + static_cast<std::int64_t>(i) * 1000);
    }
    ASSERT_EQ(log.Ends, std::vector<std::int64_t>{log.Readings.back().TimeMs + 1000});
    std::int64_t counted = 0;
    for (const CIntervalLevels& interval : log.Intervals) {
        counted += interval.Count;
    }
    EXPECT_EQ(counted, 25000);
    EXPECT_TRUE(log.Intervals.back().Partial);
    // The last record's readings are the last measurement.
    CDTDoc doc;
    CRecordingPrompt prompt;
    ASSERT_EQ(doc.LoadLastMeasurement(prompt), LoadResult::Loaded);
    ASSERT_EQ(doc.Record().SampleCount, 5000);
    EXPECT_EQ(doc.Record().Levels[4999], log.Readings.back().LevelDb);

    // A run that stops where a record ends still ends a period after its last reading.
    CStationBench atRecordEnd(3);
    settings.MaxReadings = 10000;
    ASSERT_EQ(atRecordEnd.Run(settings), StationEnd::Limit);
    EXPECT_EQ(atRecordEnd.Log.Ends.back(), atRecordEnd.Log.Readings.back().TimeMs + 1000);
}

TEST(Station, durationEndsTheRunAtItsLimitWithNoReadingPastIt) {
    struct Case {
        std::uint8_t RateCode;
        std::int64_t DurationMs;
        std::size_t Readings;
        std::int64_t LastMs;  // the last reading's time after the start
    };
    // The first poll half a second after the start, each later one a period after it: at 0.5 s
    // and 50 ms the poll due just as the duration ends is not taken; at 1 s none falls there.
    for (const Case c :
         {Case{2, 10000, 19, 9500}, Case{1, 2000, 30, 1950}, Case{3, 10000, 10, 9500}}) {
        SCOPED_TRACE(static_cast<int>(c.RateCode));
        CStationBench bench(c.RateCode);
        CStationSettings settings;
        settings.DurationMs = c.DurationMs;
        ASSERT_EQ(bench.Run(settings), StationEnd::Limit);
        const CStationLog& log = bench.Log;
        EXPECT_EQ(log.Readings.size(), c.Readings);
        ASSERT_FALSE(log.Readings.empty());
        EXPECT_EQ(log.Readings.back().TimeMs, TEN_O_CLOCK_MS + c.LastMs);
        EXPECT_EQ(log.Ends, std::vector<std::int64_t>{TEN_O_CLOCK_MS + c.DurationMs});
    }
}

// Holds the station up after reading `After`, as a stopped process or a blocked output would.
struct CStall : CStationLog {
    CStall(CRunClock& clock, std::int64_t after, std::int64_t stallMs)
        : Clock(clock), After(after), StallMs(stallMs) {}
    void Reading(const CStationReading& reading) override {
        CStationLog::Reading(reading);
        Clock.Sleep(reading.Number == After ? StallMs : 0);
    }
    CRunClock& Clock;
    std::int64_t After, StallMs;
};

TEST(Station, stall_keepsTheMissedPollsWithoutALevelAndLaterTimesOnTheGrid) {
    struct Case {
        std::int64_t After, StallMs, DurationMs, Readings, Missed, LastRecordSize;
    };
    // Caught up within a second; kept to --count; past a record's end, not in the next one;
    // kept to --duration, the slot due half a second before its end too.
    for (const Case c : {Case{50, 1800, 0, 150, 0, 150}, Case{50, 7500, 0, 150, 6, 150},
                         Case{50, 7500, 0, 53, 3, 53}, Case{9998, 5500, 0, 10098, 4, 96},
                         Case{50, 15000, 60000, 60, 10, 60}}) {
        SCOPED_TRACE(c.After + c.Readings);
        CStationBench bench(3);
        CStall stall(*bench.Clock, c.After, c.StallMs);
        bench.Observers.push_back(&stall);
        CStationSettings settings;
        settings.MaxReadings = c.DurationMs > 0 ? 0 : c.Readings;
        settings.DurationMs = c.DurationMs;
        ASSERT_EQ(bench.Run(settings), StationEnd::Limit);
        ASSERT_EQ(stall.Readings.size(), static_cast<std::size_t>(c.Readings));
        std::int64_t withoutLevel = 0;
        for (const CStationReading& r : stall.Readings) {
            ASSERT_EQ(r.TimeMs, stall.Runs[0].StartMs + (r.Number - 1) * 1000);
            ASSERT_EQ(r.Number, &r - stall.Readings.data() + 1);
            withoutLevel += std::isnan(r.LevelDb) ? 1 : 0;
        }
        EXPECT_EQ(withoutLevel, c.Missed);
        EXPECT_EQ(bench.Messages.str(), c.Missed > 0 ? HeldUpRunText(c.Missed) + '\n' : "");
        CDTDoc doc;  // the last record holds its slots too, and starts at its first poll
        ASSERT_EQ(doc.LoadLastMeasurement(bench.Prompt), LoadResult::Loaded);
        EXPECT_EQ(doc.Record().SampleCount, c.LastRecordSize);
        EXPECT_EQ(doc.Record().StartTime,
                  stall.Readings[c.Readings - c.LastRecordSize].TimeMs / 1000);
    }
}

// The system's clock set after reading 10: beyond a second the run ends, said, and the next
// is stamped by the clock as set; within it the run keeps its grid.
TEST(Station, systemClockSet_endsTheRunAndTheNextKeepsTheNewTime) {
    struct CClockSetter : CStationLog {
        void Reading(const CStationReading& reading) override {
            CStationLog::Reading(reading);
            Clock->StepWall(reading.Number == 10 ? StepMs : 0);
        }
        CSteppingClock* Clock;
        std::int64_t StepMs;
    };
    const std::pair<std::int64_t, const char*> cases[] = {
        {3 * 3600000, "set forward by 10800 s"}, {-3 * 3600000, "set back by 10800 s"}, {900, ""}};
    for (const auto& [stepMs, said] : cases) {
        CStationBench bench(3);
        CClockSetter setter;
        setter.Clock = bench.Clock.get();
        setter.StepMs = stepMs;
        bench.Observers.push_back(&setter);
        CStationSettings settings;
        settings.MaxReadings = 20;
        ASSERT_EQ(bench.Run(settings), StationEnd::Limit);
        ASSERT_EQ(setter.Runs.size(), *said ? 2u : 1u) << stepMs;
        EXPECT_EQ(bench.Messages.str().find(*said ? said : "clock") != std::string::npos, !!*said);
        for (std::size_t i = 1; i < setter.Readings.size(); ++i) {
            const std::int64_t apart = setter.Readings[i].TimeMs - setter.Readings[i - 1].TimeMs;
            EXPECT_TRUE(i == 10 && *said ? apart - stepMs >= 1000 : apart == 1000) << i;
        }
    }
}

TEST(Station, loggerThatStopsAnswering_endsTheRunOrIsTriedAgain) {
    struct Case {
        bool Reconnect;
        StationEnd End;
        std::size_t Runs;
    };
    for (const Case c :
         {Case{false, StationEnd::LoggerStopped, 1}, Case{true, StationEnd::Limit, 2}}) {
        SCOPED_TRACE(c.Reconnect);
        // The status and 100 polls (two transfers each), then gone for 30 seconds.
        CStationBench bench(3, "unplug:203=30s");
        CStationSettings settings;
        settings.MaxReadings = 150;
        settings.Reconnect = c.Reconnect;
        ASSERT_EQ(bench.Run(settings), c.End);
        EXPECT_EQ(bench.Logger->Faults().Played(), 1);
        const CStationLog& log = bench.Log;
        ASSERT_EQ(log.Runs.size(), c.Runs);
        ASSERT_EQ(log.Ends.size(), c.Runs);
        EXPECT_EQ(log.Readings.size(), c.Reconnect ? 150u : 100u);
        EXPECT_EQ(log.Ends[0], log.Readings[99].TimeMs + 1000);
        if (c.Reconnect) {
            // The gap lies between the first run's end and the second's start.
            EXPECT_GE(log.Runs[1].StartMs - log.Ends[0], 30000);
            EXPECT_EQ(log.Readings[100].Number, 101);
            EXPECT_EQ(log.Readings[100].TimeMs, log.Runs[1].StartMs);
            EXPECT_EQ(bench.Messages.str(),
                      "The logger stopped answering after 100 readings; trying again every 5 "
                      "seconds.\nThe logger answers again: a new run begins.\n");
        }
    }
}

TEST(Station, loggerThatIsMissingOrInStoredMode_isNotUsedOrWaitedFor) {
    struct Case {
        bool StoredMode;
        bool Reconnect;
        StationEnd End;
        const char* Says;
    };
    for (const Case c :
         {Case{true, false, StationEnd::NotRealTime, ""},
          Case{false, false, StationEnd::NotConnected, ""},
          Case{true, true, StationEnd::Limit, "The logger answers but is set up for stored mode"},
          Case{false, true, StationEnd::Limit,
               "No logger answers; trying again every 5 seconds"}}) {
        SCOPED_TRACE(c.Says);
        CStationBench bench(3, c.StoredMode ? "" : "unplug:1");
        if (c.StoredMode) {
            bench.Logger->Device().ApplySetup(ComposeSetupBlock({}, {2024, 6, 3, 10, 0, 0}),
                                              bench.Clock->NowMs(), std::nullopt);
        }
        CStationSettings settings;
        settings.Reconnect = c.Reconnect;
        settings.DurationMs = 60000;
        ASSERT_EQ(bench.Run(settings), c.End);
        EXPECT_TRUE(bench.Log.Runs.empty());
        EXPECT_EQ(bench.Logger->Faults().Played(), c.StoredMode ? 0 : 1);
        EXPECT_EQ(bench.Messages.str().substr(0, std::strlen(c.Says)), c.Says);
    }
}

}  // namespace
