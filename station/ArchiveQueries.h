#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/CMeasurementRecord.h"
#include "logger/CLinkHost.h"
#include "station/ArchiveDatabase.h"
#include "station/IntervalLevels.h"

struct CArchivedRun {
    std::int64_t Id = 0;
    std::string Logger;
    double IntervalS = 1.0;
    bool IsDBA = true;
    bool IsFast = true;
    std::int64_t StartMs = 0;
    std::int64_t EndMs = 0;
    std::int64_t Readings = 0;
};

struct CArchivedReading {
    std::int64_t Run = 0;
    std::int64_t TimeMs = 0;
    float LevelDb = 0.0f;  // not a number where the logger gave none
};

// A span of time, [FromMs, ToMs) in UTC milliseconds.
struct CArchiveRange {
    std::int64_t FromMs = INT64_MIN;
    std::int64_t ToMs = INT64_MAX;
};

// The runs that overlap the range, oldest first.
std::vector<CArchivedRun> ArchivedRuns(CArchiveDatabase& db, const CArchiveRange& range);
// The readings within the range, run by run, each run's in time order.
std::vector<CArchivedReading> ArchivedReadings(CArchiveDatabase& db, const CArchiveRange& range);
// The intervals that start within the range, in time order.
std::vector<CIntervalLevels> ArchivedIntervals(CArchiveDatabase& db, const CArchiveRange& range);

// The readings [first, first + count) as the record of a real-time run of `run`, as if the
// program had watched it: what the statistics, the exports and a .sound file take.
CMeasurementRecord ArchivedRecord(const CArchivedRun& run,
                                  const std::vector<CArchivedReading>& readings, std::size_t first,
                                  std::size_t count, const CAlarmSettings& alarms);

// A time on the command line: ISO 8601 ("2026-12-07T21:00:00Z", "...+01:00", local without a
// zone) or "YYYY-MM-DD[ HH:MM]" local; UTC milliseconds, or empty when it cannot be read.
std::optional<std::int64_t> ParseArchiveTime(std::string_view text);
