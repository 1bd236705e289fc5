#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "station/ArchiveQueries.h"

// What the readings of a stretch of time come to in a picture of the archive: how many there
// are, their lowest and highest level and their energy, gathered reading by reading.
struct CLevelSpan {
    std::int64_t Readings = 0;
    std::int64_t Levels = 0;  // the readings that give a level
    float Min = 0.0f;
    float Max = 0.0f;
    double Energy = 0.0;  // the sum of 10^(L/10) over the levels

    void Add(float level);
    // A minute's readings as its rollup sums them.
    void Add(const CMinuteRollup& minute);
    // The energy average of the levels; empty where none gave one.
    std::optional<double> Leq() const;
};

// The readings of `range` cut into `columns` stretches of equal time, the first starting at
// the range's start: a picture's columns. Read once, in time order, with memory for the
// columns only. Empty with `error` when the archive cannot be read.
inline constexpr std::int64_t MINUTE_MS = 60000;
std::optional<std::vector<CLevelSpan>> ArchiveColumns(CArchiveDatabase& db,
                                                      const CArchiveRange& range, int columns,
                                                      std::string& error);

// The archive's minute rollups in time order, held: a picture of a long span is drawn from
// them again and again without reading the file.
using CMinuteRows = std::vector<std::pair<std::int64_t, CMinuteRollup>>;
// The rollups of the minutes that begin within the range (and of the minute it begins in).
std::optional<CMinuteRows> ArchiveMinutes(CArchiveDatabase& db, const CArchiveRange& range,
                                          std::string& error);
// The columns of `range` from held rollups, each minute in the column of its start (the
// range's first column for a minute begun before the range): where a column is a minute or
// more, what a picture is drawn from instead of the readings.
std::vector<CLevelSpan> MinuteColumns(const CMinuteRows& minutes, const CArchiveRange& range,
                                      int columns);

// One local calendar day that holds readings.
struct CArchiveDay {
    std::int64_t StartMs = 0;  // local midnight
    std::int64_t EndMs = 0;    // the next local midnight
    CLevelSpan Levels;
};

// The days of the range that hold readings, oldest first, each gathered as the columns are.
std::optional<std::vector<CArchiveDay>> ArchiveDays(CArchiveDatabase& db,
                                                    const CArchiveRange& range,
                                                    std::string& error);

// The whole span of the archive's runs, from the first start to the last end; empty when it
// holds no run.
std::optional<CArchiveRange> ArchiveSpan(CArchiveDatabase& db);
