#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "document/CMeasurementRecord.h"

// The levels of one interval of the local clock, as a noise report tabulates them.
struct CIntervalLevels {
    std::int64_t StartMs = 0;  // UTC milliseconds; the interval is [StartMs, EndMs)
    std::int64_t EndMs = 0;
    // The run did not poll through all of it: it began or ended inside the interval.
    bool Partial = false;
    std::int32_t Count = 0;
    bool IsDBA = true;
    std::optional<double> LeqDb;
    std::optional<double> LmaxDb;
    std::optional<double> LminDb;
    std::optional<double> L10Db;
    std::optional<double> L50Db;
    std::optional<double> L90Db;
    std::int32_t CountWithLevel = 0;  // the readings of Count that give a level
};

// The interval lengths a station offers, in seconds: "1m", "5m", "10m", "15m", "30m", "1h".
// Each divides an hour, so that intervals start at whole minutes of the local clock.
std::optional<int> ParseIntervalLength(std::string_view text);

// Gathers the readings of one run into intervals of the local clock and hands back each
// interval once a reading falls past its end. An interval is whole when its first reading
// lies within one sampling interval of its start and its last within one of its end.
class CIntervalGatherer {
public:
    CIntervalGatherer(int lengthSeconds, float sampleInterval, bool isDBA);

    // A reading taken at `timeMs` (UTC milliseconds, never earlier than the one before):
    // the interval it completed, if it left one.
    std::optional<CIntervalLevels> Add(std::int64_t timeMs, float level);
    // The run has ended: its open interval, if it holds a reading.
    std::optional<CIntervalLevels> Finish();

private:
    CIntervalLevels Close();

    std::int64_t m_lengthMs;
    std::int64_t m_sampleMs;
    CIntervalLevels m_open;
    std::int64_t m_firstMs = 0;
    std::int64_t m_lastMs = 0;
    // The open interval's readings, in the record the statistics are computed from.
    CMeasurementRecord m_readings;
};
