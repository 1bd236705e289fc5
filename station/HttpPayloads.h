#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "station/CStationState.h"

// The station's state in the Prometheus text format (version 0.0.4): a HELP and a TYPE line
// for each family, counters ending in _total. A family whose value is not known yet (no
// reading, no interval, no archive or broker) is left out.
std::string MetricsText(const CStationSnapshot& state);

// The state as JSON, with the MQTT payloads' keys where they say the same:
// {"logger": {"connected", "name"}, "run": {"start", "weighting", "time_weighting",
// "sample_interval_s", "count", "count_with_level", "leq_db", "lmax_db", "lmin_db"} or null,
// "level": {"time", "level_db", "weighting"} or null, "interval": the last one or null,
// "alarm", "readings", "readings_without_level", "archive": {"pending_readings"} or null,
// "mqtt": {"connected"} or null}.
nlohmann::ordered_json StatusObject(const CStationSnapshot& state);

// [[UTC milliseconds, level or null], ...]: the readings for a chart.
nlohmann::ordered_json HistoryArray(const std::vector<CStationReading>& readings);

// [interval, ...] with the MQTT interval payload's keys.
nlohmann::ordered_json IntervalArray(const std::vector<CIntervalLevels>& intervals);
