#include "export/CsvExport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "document/CMeasurementRecord.h"
#include "platform/LocalTime.h"

namespace {

// Lines are gathered and handed to the stream in pieces of about this size.
constexpr std::size_t CHUNK = 64 * 1024;

// The seconds of "2014-06-05T14:02:07+02:00" stand 8 characters before its end.
constexpr std::size_t ISO_SECONDS_FROM_END = 8;
// "+02:00"
constexpr std::size_t ISO_OFFSET_LENGTH = 6;

void AppendReadingLine(std::string& out, const CMeasurementRecord& record, std::int32_t index,
                       CCsvLines& lines, const std::string& unit) {
    lines.Append(out, index + 1, ExportReadingTime(record, index),
                 ExportTimesInMilliseconds(record), record.Levels[static_cast<std::size_t>(index)],
                 unit);
}

}  // namespace

CCsvLines::CCsvLines() : m_clock(IsoLocalTime, ISO_SECONDS_FROM_END) {}

void CCsvLines::Append(std::string& out, std::int64_t number, const CReadingTime& time,
                       bool withMilliseconds, float level, const std::string& unit) {
    out += std::to_string(number);
    out += ',';
    const std::string& text = m_clock.Text(time.Second);
    if (withMilliseconds) {
        // Readings less than a second apart would share their times: theirs keep the
        // milliseconds, "2014-06-05T14:02:07.050+02:00".
        const std::size_t offsetAt = text.size() - ISO_OFFSET_LENGTH;
        out.append(text, 0, offsetAt);
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%03d", time.Millisecond);
        out += fraction;
        out.append(text, offsetAt);
    } else {
        out += text;
    }
    out += ',';
    if (std::isfinite(level)) {
        AppendLevelText(out, level);
    }
    out += ',';
    out += unit;
    out += "\r\n";
}

bool ExportTimesInMilliseconds(const CMeasurementRecord& record) {
    return record.SampleInterval < 1.0f;
}

CReadingTime ExportReadingTime(const CMeasurementRecord& record, std::int32_t index) {
    if (!ExportTimesInMilliseconds(record)) {
        return {record.SampleTime(index), 0};
    }
    const std::int64_t ms = record.SampleTimeMs(index);
    const std::int64_t fraction = (ms % 1000 + 1000) % 1000;
    return {static_cast<std::time_t>((ms - fraction) / 1000), static_cast<int>(fraction)};
}

std::string CsvReadingLine(const CMeasurementRecord& record, std::int32_t index) {
    std::string line;
    CCsvLines lines;
    AppendReadingLine(line, record, index, lines, UnitText(record.IsDBA));
    return line;
}

bool WriteCsv(const CMeasurementRecord& record, std::ostream& out) {
    const std::int32_t count = ReadingCount(record);
    const std::string unit = UnitText(record.IsDBA);
    CCsvLines lines;
    std::string text = CSV_HEADER_LINE;
    text.reserve(CHUNK + 128);
    for (std::int32_t i = 0; i < count; ++i) {
        AppendReadingLine(text, record, i, lines, unit);
        if (text.size() >= CHUNK) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}
