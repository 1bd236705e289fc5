#pragma once

#include <cstdint>
#include <string>

#include "station/IntervalLevels.h"

// One continuous stretch of polling: it ends when the logger stops answering or the station
// stops, and a logger that answers again begins the next.
struct CStationRun {
    std::string Logger;           // the name the logger's bridge gives
    float SampleInterval = 1.0f;  // seconds between two readings
    bool IsDBA = true;
    bool IsFast = true;
    std::int64_t StartMs = 0;  // UTC milliseconds of the station's clock
    std::int32_t IntervalSeconds = 0;  // the length of its intervals; 0 without intervals
};

struct CStationReading {
    std::int64_t Number = 0;  // from 1, across the runs and records of one station
    std::int64_t TimeMs = 0;  // the poll's time on the station's schedule, UTC milliseconds
    float LevelDb = 0.0f;
};

// What a station tells those who keep or pass on its readings: the archive, the terminal, a
// publisher. Calls come in order: RunStarted, then readings and the intervals they complete,
// then RunEnded.
class CStationObserver {
public:
    virtual ~CStationObserver() = default;

    virtual void RunStarted(const CStationRun& run) = 0;
    virtual void Reading(const CStationReading& reading) = 0;
    virtual void IntervalCompleted(const CIntervalLevels& interval) = 0;
    // `endMs`: when the run was found to have ended.
    virtual void RunEnded(std::int64_t endMs) = 0;
    // The station waits for its next poll: time for work no reading brings (a commit that
    // is due, a network connection's upkeep).
    virtual void Idle() {}
};
