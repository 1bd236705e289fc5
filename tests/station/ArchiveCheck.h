#pragma once

#include <gtest/gtest.h>

#include "station/ArchiveDatabase.h"

// The minutes whose rollup differs from the one recomputed from the archive's readings (or
// that have one and no readings, or readings and none); -1 when the archive cannot be read.
inline std::int64_t MinutesUnlikeTheirReadings(CArchiveDatabase& db) {
    CStatement unlike(
        db.Handle(),
        "SELECT count(*) FROM (SELECT time_ms / 60000 * 60000 AS start_ms, count(*) AS n, "
        "count(level_tenths) AS l, coalesce(sum(pow(10, level_tenths / 100.0)), 0) AS e, "
        "min(level_tenths) AS lo, max(level_tenths) AS hi FROM run_readings GROUP BY 1) r "
        "FULL JOIN minutes m USING (start_ms) WHERE m.count IS NOT r.n OR "
        "m.count_with_level IS NOT r.l OR m.min_tenths IS NOT r.lo OR m.max_tenths IS NOT r.hi "
        "OR NOT abs(m.energy_sum - r.e) <= 1e-9 * r.e");
    return unlike.Valid() && unlike.Step() == SQLITE_ROW ? unlike.Integer(0) : -1;
}
