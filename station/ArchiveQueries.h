#pragma once

#include <cstdint>
#include <functional>
#include <memory>
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

// The readings of a range in time order, stepped one by one from statements that walk the
// readings' time keys: memory stays the same whatever the range. The readings kept by time are
// given the run whose span they fall in here, not by SQLite for each of them, and merged with
// the readings kept apart with their run.
class CArchiveCursor {
public:
    CArchiveCursor(CArchiveDatabase& db, const CArchiveRange& range);
    // The next reading; false at the end of the range or when the archive cannot be read.
    bool Next(CArchivedReading& reading);
    // Why the last step failed; empty at the end of the range.
    const std::string& Error() const { return m_error; }

private:
    // One statement's rows in time order, the next one read ahead.
    struct CSource {
        CSource(sqlite3* db, const char* sql, const CArchiveRange& range);
        std::unique_ptr<CStatement> Query;
        std::optional<CArchivedReading> Head;
        bool Done = false;
    };
    bool Fill(CSource& source);

    CArchiveDatabase& m_db;
    std::vector<std::pair<std::int64_t, std::int64_t>> m_spans;  // start and run, by start
    CSource m_byTime;
    CSource m_apart;
    std::string m_error;
};

// The readings within the range, in time order (a range small enough to hold).
std::vector<CArchivedReading> ArchivedReadings(CArchiveDatabase& db, const CArchiveRange& range);

// Each interval that starts within the range, in time order, to `take` as it is read; why the
// archive could not be read, or empty.
std::string ForEachArchivedInterval(CArchiveDatabase& db, const CArchiveRange& range,
                                    const std::function<void(const CIntervalLevels&)>& take);
// The same intervals, held (a range small enough to hold).
std::vector<CIntervalLevels> ArchivedIntervals(CArchiveDatabase& db, const CArchiveRange& range);

// A record set up as a real-time run of `run` with the alarm levels, without readings: the
// interval, weighting and alarms its readings are judged by.
CMeasurementRecord ArchivedRunRecord(const CArchivedRun& run, const CAlarmSettings& alarms);

// A time on the command line: ISO 8601 ("2026-12-07T21:00:00Z", "...+01:00", local without a
// zone) or "YYYY-MM-DD[ HH:MM]" local; UTC milliseconds, or empty when it cannot be read.
std::optional<std::int64_t> ParseArchiveTime(std::string_view text);
