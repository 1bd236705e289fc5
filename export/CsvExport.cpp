#include "export/CsvExport.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "document/CMeasurementRecord.h"
#include "platform/LocalTime.h"

namespace {

// Lines are gathered and handed to the stream in pieces of about this size.
constexpr std::size_t CHUNK = 64 * 1024;

// The seconds of "2014-06-05T14:02:07+02:00" stand 8 characters before its end.
constexpr std::size_t ISO_SECONDS_FROM_END = 8;

CMinuteClockText IsoClock() {
    return CMinuteClockText(IsoLocalTime, ISO_SECONDS_FROM_END);
}

void AppendReadingLine(std::string& out, const CMeasurementRecord& record, std::int32_t index,
                       CMinuteClockText& clock, const std::string& unit) {
    out += std::to_string(index + 1);
    out += ',';
    out += clock.Text(record.SampleTime(index));
    out += ',';
    const float level = record.Levels[static_cast<std::size_t>(index)];
    if (std::isfinite(level)) {
        AppendLevelText(out, level);
    }
    out += ',';
    out += unit;
    out += "\r\n";
}

}  // namespace

std::string CsvReadingLine(const CMeasurementRecord& record, std::int32_t index) {
    std::string line;
    CMinuteClockText clock = IsoClock();
    AppendReadingLine(line, record, index, clock, UnitText(record.IsDBA));
    return line;
}

bool WriteCsv(const CMeasurementRecord& record, std::ostream& out) {
    const std::int32_t count = ReadingCount(record);
    const std::string unit = UnitText(record.IsDBA);
    CMinuteClockText clock = IsoClock();
    std::string text = CSV_HEADER_LINE;
    text.reserve(CHUNK + 128);
    for (std::int32_t i = 0; i < count; ++i) {
        AppendReadingLine(text, record, i, clock, unit);
        if (text.size() >= CHUNK) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}
