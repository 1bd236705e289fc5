#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// Calendar components of a local time, as the logger and the measurement file carry them.
struct LocalTimeParts {
    int Year = 1970;  // four digits
    int Month = 1;    // 1..12
    int Day = 1;      // 1..31
    int Hour = 0;     // 0..23
    int Minute = 0;
    int Second = 0;
};

// The local time of the six components. A time the clock shows twice (the hour repeated when
// daylight saving time ends) is its first pass, a time it skips is read with the offset before
// the change. Empty when a component lies outside its calendar range (the 30th of February
// too) or the time cannot be represented.
std::optional<std::time_t> MakeLocalTime(const LocalTimeParts& parts);

// The local time of the six components for a clock that may hold values no calendar does:
// a component beyond its range rolls over into the next larger one, as the C library rolls
// it (month 13 is January of the next year, day 0 the last day of the month before).
std::time_t RolledOverLocalTime(const LocalTimeParts& parts);

LocalTimeParts SplitLocalTime(std::time_t time);

// The time of the six components read as UTC, whatever the local clock does at them (an hour
// it skips stays a time of UTC). Empty when a component lies outside its calendar range.
std::optional<std::time_t> MakeUtcTime(const LocalTimeParts& parts);

// strftime of the local time with one of the program's formats, such as "%d/%m/%y %H:%M:%S".
std::string FormatLocalTime(std::time_t time, const char* format);

// The local time with its offset from UTC, ISO 8601: "2014-06-05T14:02:07+02:00". The offset
// tells apart the two passes of the hour that repeats when daylight saving time ends.
std::string IsoLocalTime(std::time_t time);
// A time in UTC milliseconds as the whole second it falls in (rounded down).
std::time_t WholeSecond(std::int64_t ms);
// The same of a time in UTC milliseconds, with its milliseconds before the offset
// ("2014-06-05T14:02:07.250+02:00") when they are asked for.
std::string IsoLocalTimeMs(std::int64_t ms, bool withMilliseconds);
// FormatLocalTime of a time in UTC milliseconds whose format ends with the seconds, followed
// by its milliseconds ("05/06/2014 14:02:07.250") when they are asked for.
std::string FormatLocalTimeMs(std::int64_t ms, const char* format, bool withMilliseconds);

// Seconds the local clock is ahead of UTC at `time` (7200 in central European summer time).
long UtcOffsetSeconds(std::time_t time);

// The interval of the local clock that holds `time`, `lengthSeconds` long (a divisor of an
// hour) on the clock's grid, [Start, End) in UTC seconds. A change of the clock's offset
// inside it (half an hour, or at a quarter to the hour) cuts it: each side of the change is
// an interval of its own, so that no two intervals overlap and none holds readings of two.
struct LocalClockInterval {
    std::time_t Start = 0;
    std::time_t End = 0;
};
LocalClockInterval LocalClockIntervalOf(std::time_t time, int lengthSeconds);

// The local times of a series of readings as texts of one format, formatted in full once a
// minute at most: readings often share a second, and within one minute of the local clock only
// the seconds change (clocks change their offset at whole minutes only).
class CMinuteClockText {
public:
    // `format` gives the full text of a time, whose two digits of the seconds stand
    // `secondsFromEnd` characters before its end.
    CMinuteClockText(std::string (*format)(std::time_t), std::size_t secondsFromEnd)
        : m_format(format), m_secondsFromEnd(secondsFromEnd) {}

    const std::string& Text(std::time_t time);

private:
    std::string (*m_format)(std::time_t);
    std::size_t m_secondsFromEnd;
    std::time_t m_minuteStart = 0;
    std::string m_text;
    bool m_valid = false;
};

// The local time now, to the whole second.
std::time_t CurrentTime();
