#include "export/CsvExport.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "document/CMeasurementRecord.h"
#include "platform/LocalTime.h"

namespace {

// Lines are gathered and handed to the stream in pieces of about this size.
constexpr std::size_t CHUNK = 64 * 1024;

}  // namespace

std::string CsvReadingLine(const CMeasurementRecord& record, std::int32_t index) {
    const float level = record.Levels[static_cast<std::size_t>(index)];
    const std::string levelText = std::isfinite(level) ? LevelText(level, 1) : "";
    return std::to_string(index + 1) + ',' + IsoLocalTime(record.SampleTime(index)) + ',' +
           levelText + ',' + UnitText(record.IsDBA) + "\r\n";
}

bool WriteCsv(const CMeasurementRecord& record, std::ostream& out) {
    const std::int32_t count = std::clamp(record.SampleCount, 0, record.Capacity());
    std::string text = CSV_HEADER_LINE;
    text.reserve(CHUNK + 128);
    for (std::int32_t i = 0; i < count; ++i) {
        text += CsvReadingLine(record, i);
        if (text.size() >= CHUNK) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}
