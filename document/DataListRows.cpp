#include "document/DataListRows.h"

#include <cstdio>

#include "document/CMeasurementRecord.h"

std::array<std::string, LIST_COLUMNS> ListRowTexts(const CMeasurementRecord& record,
                                                   std::int64_t index) {
    if (index < 0 || index >= record.SampleCount ||
        index >= static_cast<std::int64_t>(record.Levels.size())) {
        return {};
    }
    char level[32];
    std::snprintf(level, sizeof level, "%.1f",
                  static_cast<double>(record.Levels[static_cast<std::size_t>(index)]));
    return {std::to_string(index + 1), StartTimeText(record.SampleTime(index)), level,
            UnitText(record.IsDBA)};
}
