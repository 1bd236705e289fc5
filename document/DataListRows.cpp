#include "document/DataListRows.h"

#include "document/CMeasurementRecord.h"

std::array<std::string, LIST_COLUMNS> ListRowTexts(const CMeasurementRecord& record,
                                                   std::int64_t index) {
    if (index < 0 || index >= record.SampleCount ||
        index >= static_cast<std::int64_t>(record.Levels.size())) {
        return {};
    }
    return {std::to_string(index + 1), StartTimeText(record.SampleTime(index)),
            LevelText(record.Levels[static_cast<std::size_t>(index)], 1), UnitText(record.IsDBA)};
}
