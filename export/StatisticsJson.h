#pragma once

#include <string>

struct CAcousticStatistics;

// The statistics as one JSON object for other programs: count, interval_s, duration_s,
// weighting ("A" or "C"), leq_db, sel_db, l10_db, l50_db, l90_db, max_db, min_db, mean_db,
// alarm_high_db, alarm_low_db, above_high_s, below_low_s and hourly (start as ISO 8601 local
// time with its UTC offset, count, leq_db). Numbers are not rounded; a missing level is null.
std::string StatisticsJson(const CAcousticStatistics& statistics);
