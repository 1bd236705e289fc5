#pragma once

#include <array>
#include <cstdint>
#include <string>

class CMeasurementRecord;

// The table of readings that the data list shows and the list report prints: one row per
// reading with its number, time, level and unit.
inline constexpr int LIST_COLUMNS = 4;
inline constexpr std::array<const char*, LIST_COLUMNS> LIST_HEADERS = {"No.", "Time", "Sound",
                                                                       "Unit"};

// The texts of reading `index` (0-based): the number index + 1, the time by the record's
// sample-time rule as "%d/%m/%y %H:%M:%S", the level as "%.1f" and "dBA" or "dBC". A row the
// record does not hold (a list not yet told of a shorter record) has four empty texts.
std::array<std::string, LIST_COLUMNS> ListRowTexts(const CMeasurementRecord& record,
                                                   std::int64_t index);
