#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "document/CMeasurementRecord.h"
#include "export/AcousticStatistics.h"
#include "station/IntervalLevels.h"

// An interval's figures are the statistics of its own readings.
inline void ExpectFiguresOf(const CIntervalLevels& interval, std::vector<float> levels) {
    CMeasurementRecord record;
    record.Levels = std::move(levels);
    record.SampleCount = static_cast<std::int32_t>(record.Levels.size());
    const CAcousticStatistics statistics = ComputeAcousticStatistics(record);
    EXPECT_EQ(interval.Count, statistics.Count);
    EXPECT_EQ(interval.LeqDb, statistics.LeqDb);
    EXPECT_EQ(interval.LmaxDb, statistics.MaxDb);
    EXPECT_EQ(interval.LminDb, statistics.MinDb);
    EXPECT_EQ(interval.L10Db, statistics.L10Db);
    EXPECT_EQ(interval.L50Db, statistics.L50Db);
    EXPECT_EQ(interval.L90Db, statistics.L90Db);
}
