#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <string>

#include "platform/LocalTime.h"

class CMeasurementRecord;

// The readings as comma-separated values (RFC 4180, UTF-8, CR LF line ends) for other
// programs: a header line, then per reading its number from 1, its time as ISO 8601 local
// time with the UTC offset in force (with milliseconds when readings are less than a second
// apart), its level with one decimal (empty when it has none) and
// "dBA" or "dBC". No field ever needs quotes.
inline constexpr const char* CSV_HEADER_LINE = "number,time,level_db,weighting\r\n";

// Whether the exports give the readings' times to the millisecond: readings less than a
// second apart would share their times otherwise.
bool ExportTimesInMilliseconds(const CMeasurementRecord& record);

// The time of reading `index` as the exports give it: SampleTime's whole second, or with
// milliseconds the second it falls in and the milliseconds past it.
struct CReadingTime {
    std::time_t Second = 0;
    int Millisecond = 0;
};
CReadingTime ExportReadingTime(const CMeasurementRecord& record, std::int32_t index);

// Lines of readings formatted one at a time, their times in full once a minute at most.
class CCsvLines {
public:
    CCsvLines();

    // The line of reading `number` (from 1) with its line end, appended to `out`; the time with
    // its milliseconds or without, a level that is not finite as none, `unit` "dBA" or "dBC".
    void Append(std::string& out, std::int64_t number, const CReadingTime& time,
                bool withMilliseconds, float level, const std::string& unit);

private:
    CMinuteClockText m_clock;
};

// The line of reading `index` (0-based), with its line end.
std::string CsvReadingLine(const CMeasurementRecord& record, std::int32_t index);

// The header and every reading the record holds; false when the stream failed.
bool WriteCsv(const CMeasurementRecord& record, std::ostream& out);
