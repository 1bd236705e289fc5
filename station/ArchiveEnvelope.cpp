#include "station/ArchiveEnvelope.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/LocalTime.h"

namespace {

// Local midnight of the day of `ms`, and the next one (days of 23 or 25 hours included).
CArchiveRange LocalDayOf(std::int64_t ms) {
    LocalTimeParts parts = SplitLocalTime(WholeSecond(ms));
    parts.Hour = parts.Minute = parts.Second = 0;
    const std::time_t start = RolledOverLocalTime(parts);
    ++parts.Day;
    return {std::int64_t{start} * 1000, std::int64_t{RolledOverLocalTime(parts)} * 1000};
}

// Each minute's rollup that begins within the range (or the minute the range begins in), in
// time order; why the archive could not be read, or empty.
std::string ForEachMinute(CArchiveDatabase& db, const CArchiveRange& range,
                          const std::function<void(std::int64_t, const CMinuteRollup&)>& take) {
    CStatement minutes(db.Handle(),
                       "SELECT start_ms, count, count_with_level, energy_sum, min_tenths, "
                       "max_tenths FROM minutes WHERE start_ms >= ? AND start_ms < ? "
                       "ORDER BY start_ms");
    // A range open at its start takes every minute.
    const std::int64_t from =
        range.FromMs < INT64_MIN + MINUTE_MS ? INT64_MIN : MinuteStartOf(range.FromMs);
    minutes.Bind(1, from).Bind(2, range.ToMs);
    int step = minutes.Valid() ? minutes.Step() : SQLITE_ERROR;
    for (; step == SQLITE_ROW; step = minutes.Step()) {
        take(minutes.Integer(0),
             {minutes.Integer(1), minutes.Integer(2), minutes.Real(3),
              minutes.OptionalInteger(4), minutes.OptionalInteger(5)});
    }
    return step == SQLITE_DONE ? std::string() : db.LastError();
}

// Which of `columns` equal stretches of a range a time falls in; a time before the range in
// the first.
class CColumnIndex {
public:
    CColumnIndex(const CArchiveRange& range, std::size_t columns)
        : m_from(range.FromMs),
          m_columns(columns),
          m_width(static_cast<long double>(range.ToMs - range.FromMs)) {}
    std::size_t Of(std::int64_t ms) const {
        const auto column = static_cast<std::size_t>(
            static_cast<long double>(std::max(ms, m_from) - m_from) * m_columns / m_width);
        return std::min(column, m_columns - 1);
    }

private:
    std::int64_t m_from;
    std::size_t m_columns;
    long double m_width;
};

}  // namespace

void CLevelSpan::Add(float level) {
    ++Readings;
    if (!std::isfinite(level)) {
        return;
    }
    Min = Levels == 0 ? level : std::min(Min, level);
    Max = Levels == 0 ? level : std::max(Max, level);
    ++Levels;
    Energy += std::pow(10.0, level / 10.0);
}

void CLevelSpan::Add(const CMinuteRollup& minute) {
    Readings += minute.Count;
    if (minute.CountWithLevel == 0) {
        return;
    }
    const float low = LevelOfTenths(minute.MinTenths);
    const float high = LevelOfTenths(minute.MaxTenths);
    Min = Levels == 0 ? low : std::min(Min, low);
    Max = Levels == 0 ? high : std::max(Max, high);
    Levels += minute.CountWithLevel;
    Energy += minute.EnergySum;
}

std::optional<double> CLevelSpan::Leq() const {
    if (Levels == 0) {
        return std::nullopt;
    }
    return 10.0 * std::log10(Energy / static_cast<double>(Levels));
}

std::optional<std::vector<CLevelSpan>> ArchiveColumns(CArchiveDatabase& db,
                                                      const CArchiveRange& range, int columns,
                                                      std::string& error) {
    std::vector<CLevelSpan> spans(static_cast<std::size_t>(std::max(columns, 0)));
    if (spans.empty() || range.ToMs <= range.FromMs) {
        return spans;
    }
    const CColumnIndex index(range, spans.size());
    CArchiveCursor cursor(db, range);
    for (CArchivedReading reading; cursor.Next(reading);) {
        spans[index.Of(reading.TimeMs)].Add(reading.LevelDb);
    }
    if (!cursor.Error().empty()) {
        error = cursor.Error();
        return std::nullopt;
    }
    return spans;
}

std::optional<CMinuteRows> ArchiveMinutes(CArchiveDatabase& db, const CArchiveRange& range,
                                          std::string& error) {
    CMinuteRows rows;
    error = ForEachMinute(db, range, [&](std::int64_t startMs, const CMinuteRollup& minute) {
        rows.emplace_back(startMs, minute);
    });
    return error.empty() ? std::optional(std::move(rows)) : std::nullopt;
}

std::vector<CLevelSpan> MinuteColumns(const CMinuteRows& minutes, const CArchiveRange& range,
                                      int columns) {
    std::vector<CLevelSpan> spans(static_cast<std::size_t>(std::max(columns, 0)));
    if (spans.empty() || range.ToMs <= range.FromMs) {
        return spans;
    }
    const CColumnIndex index(range, spans.size());
    const std::int64_t from =
        range.FromMs < INT64_MIN + MINUTE_MS ? INT64_MIN : MinuteStartOf(range.FromMs);
    auto row = std::lower_bound(minutes.begin(), minutes.end(), from,
                                [](const auto& minute, std::int64_t ms) { return minute.first < ms; });
    for (; row != minutes.end() && row->first < range.ToMs; ++row) {
        spans[index.Of(row->first)].Add(row->second);
    }
    return spans;
}

std::optional<std::vector<CArchiveDay>> ArchiveDays(CArchiveDatabase& db,
                                                    const CArchiveRange& range,
                                                    std::string& error) {
    std::vector<CArchiveDay> days;
    const auto dayOf = [&](std::int64_t ms) -> CArchiveDay& {
        if (days.empty() || ms >= days.back().EndMs) {
            const CArchiveRange day = LocalDayOf(ms);
            days.push_back({day.FromMs, day.ToMs, {}});
        }
        return days.back();
    };
    if (db.Version() >= 2) {
        // A minute lies within one local day: the clock's offsets are whole minutes.
        error = ForEachMinute(db, range, [&](std::int64_t startMs, const CMinuteRollup& minute) {
            dayOf(startMs).Levels.Add(minute);
        });
        return error.empty() ? std::optional(std::move(days)) : std::nullopt;
    }
    CArchiveCursor cursor(db, range);
    for (CArchivedReading reading; cursor.Next(reading);) {
        dayOf(reading.TimeMs).Levels.Add(reading.LevelDb);
    }
    if (!cursor.Error().empty()) {
        error = cursor.Error();
        return std::nullopt;
    }
    return days;
}

std::optional<CArchiveRange> ArchiveSpan(CArchiveDatabase& db) {
    const auto runs = ArchivedRuns(db, {});
    if (runs.empty()) {
        return std::nullopt;
    }
    CArchiveRange span{runs.front().StartMs, runs.front().EndMs};
    for (const CArchivedRun& run : runs) {
        span.FromMs = std::min(span.FromMs, run.StartMs);
        span.ToMs = std::max(span.ToMs, run.EndMs);
    }
    return span;
}
