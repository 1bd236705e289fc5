#include "platform/LocalTime.h"

#include <chrono>
#include <cstdio>

namespace {

bool InCalendarRange(const LocalTimeParts& p) {
    const std::chrono::year_month_day day{std::chrono::year(p.Year),
                                          std::chrono::month(static_cast<unsigned>(p.Month)),
                                          std::chrono::day(static_cast<unsigned>(p.Day))};
    return p.Year >= 1900 && p.Year <= 9999 && p.Month >= 1 && p.Month <= 12 && p.Day >= 1 &&
           day.ok() && p.Hour >= 0 && p.Hour <= 23 && p.Minute >= 0 && p.Minute <= 59 &&
           p.Second >= 0 && p.Second <= 59;
}

// ".250" for the milliseconds past a time's whole second.
std::string MillisecondsText(std::int64_t ms) {
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d",
                  static_cast<int>(ms - static_cast<std::int64_t>(WholeSecond(ms)) * 1000));
    return fraction;
}

std::tm TmOf(const LocalTimeParts& parts, int isDst) {
    std::tm tm{};
    tm.tm_year = parts.Year - 1900;
    tm.tm_mon = parts.Month - 1;
    tm.tm_mday = parts.Day;
    tm.tm_hour = parts.Hour;
    tm.tm_min = parts.Minute;
    tm.tm_sec = parts.Second;
    tm.tm_isdst = isDst;
    return tm;
}

}  // namespace

std::optional<std::time_t> MakeLocalTime(const LocalTimeParts& parts) {
    if (!InCalendarRange(parts)) {
        return std::nullopt;
    }
    std::time_t time = RolledOverLocalTime(parts);
    // -1 is also the last second of 1969.
    if (time == static_cast<std::time_t>(-1) && !(parts.Year == 1969 && parts.Month == 12)) {
        return std::nullopt;
    }
    // A time the clock shows twice, in the hour repeated when daylight saving time ends, is
    // its first pass: the C library would choose either.
    for (const int isDst : {1, 0}) {
        std::tm tm = TmOf(parts, isDst);
        const std::time_t pass = std::mktime(&tm);
        if (pass != static_cast<std::time_t>(-1) && pass < time && tm.tm_hour == parts.Hour &&
            tm.tm_min == parts.Minute && tm.tm_mday == parts.Day) {
            time = pass;
        }
    }
    return time;
}

std::time_t RolledOverLocalTime(const LocalTimeParts& parts) {
    std::tm tm = TmOf(parts, -1);
    return std::mktime(&tm);
}

std::optional<std::time_t> MakeUtcTime(const LocalTimeParts& parts) {
    if (!InCalendarRange(parts)) {
        return std::nullopt;
    }
    std::tm tm = TmOf(parts, 0);
    return timegm(&tm);
}

LocalTimeParts SplitLocalTime(std::time_t time) {
    std::tm tm{};
    localtime_r(&time, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string FormatLocalTime(std::time_t time, const char* format) {
    std::tm tm{};
    localtime_r(&time, &tm);
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, length);
}

long UtcOffsetSeconds(std::time_t time) {
    std::tm tm{};
    localtime_r(&time, &tm);
    return tm.tm_gmtoff;
}

LocalClockInterval LocalClockIntervalOf(std::time_t time, int lengthSeconds) {
    std::tm tm{};
    localtime_r(&time, &tm);
    const long offset = tm.tm_gmtoff;
    LocalClockInterval interval;
    interval.Start = time - (tm.tm_min * 60 + tm.tm_sec) % lengthSeconds;
    interval.End = interval.Start + lengthSeconds;
    // An interval holds one change of offset at most: found by halving on either side.
    if (UtcOffsetSeconds(interval.Start) != offset) {
        std::time_t before = interval.Start;  // at another offset
        std::time_t at = time;                // at this one
        while (at - before > 1) {
            const std::time_t middle = before + (at - before) / 2;
            (UtcOffsetSeconds(middle) == offset ? at : before) = middle;
        }
        interval.Start = at;
    }
    if (UtcOffsetSeconds(interval.End - 1) != offset) {
        std::time_t at = time;                 // at this offset
        std::time_t after = interval.End - 1;  // at another one
        while (after - at > 1) {
            const std::time_t middle = at + (after - at) / 2;
            (UtcOffsetSeconds(middle) == offset ? at : after) = middle;
        }
        interval.End = after;
    }
    return interval;
}

std::time_t WholeSecond(std::int64_t ms) {
    return static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
}

std::string IsoLocalTime(std::time_t time) {
    std::tm tm{};
    localtime_r(&time, &tm);
    const long offset = tm.tm_gmtoff;
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

std::string IsoLocalTimeMs(std::int64_t ms, bool withMilliseconds) {
    std::string text = IsoLocalTime(WholeSecond(ms));
    if (withMilliseconds) {
        text.insert(text.size() - 6, MillisecondsText(ms));  // before "+hh:mm"
    }
    return text;
}

std::string FormatLocalTimeMs(std::int64_t ms, const char* format, bool withMilliseconds) {
    const std::string text = FormatLocalTime(WholeSecond(ms), format);
    return withMilliseconds ? text + MillisecondsText(ms) : text;
}

const std::string& CMinuteClockText::Text(std::time_t time) {
    if (m_valid && time >= m_minuteStart && time < m_minuteStart + 60) {
        const auto second = static_cast<int>(time - m_minuteStart);
        const std::size_t at = m_text.size() - m_secondsFromEnd;
        m_text[at] = static_cast<char>('0' + second / 10);
        m_text[at + 1] = static_cast<char>('0' + second % 10);
    } else {
        m_text = m_format(time);
        m_minuteStart = time - SplitLocalTime(time).Second;
        m_valid = m_text.size() >= m_secondsFromEnd;
    }
    return m_text;
}

std::time_t CurrentTime() {
    return std::time(nullptr);
}
