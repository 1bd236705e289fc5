#pragma once

#include <vector>

#include "document/CMeasurementRecord.h"
#include "tests/document/ExampleRecord.h"

inline constexpr LocalTimeParts JUNE_5 = {2014, 6, 5, 14, 2, 7};

// A record of the given levels taken every `interval` seconds from `start` (local time, the
// tests' central European zone), dBA, alarm levels 70 and 50 dB, with its panel texts.
inline CMeasurementRecord RecordOfLevels(const std::vector<float>& levels,
                                         LocalTimeParts start = JUNE_5, float interval = 1.0f) {
    CMeasurementRecord r = ExampleRecord(static_cast<int>(levels.size()), interval);
    r.Levels = levels;
    r.StartParts = start;
    r.StartTime = *MakeLocalTime(start);
    r.AlarmHighText = "70 ";
    r.AlarmLowText = "50 ";
    r.AlarmHigh = 70.0f;
    r.AlarmLow = 50.0f;
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    return r;
}

// 26 October 2014, when the clocks go back from 03:00 summer time to 02:00 winter time: six
// readings every half hour from 01:30 summer time, two of them in the repeated hour.
inline CMeasurementRecord AcrossSummerTimeEnd() {
    return RecordOfLevels({60.0f, 60.0f, 80.0f, 70.0f, 70.0f, 50.0f}, {2014, 10, 26, 1, 30, 0},
                          1800.0f);
}
