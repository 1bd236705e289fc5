#include "station/ArchiveQueries.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "logger/LoggerProtocol.h"
#include "logger/RealTimeRecord.h"
#include "platform/LocalTime.h"

namespace {

constexpr const char* RUN_COLUMNS =
    "SELECT id, logger, interval_s, weighting, time_weighting, start_ms, end_ms, readings "
    "FROM runs";

CArchivedRun RunOf(const CStatement& row) {
    return {row.Integer(0),        row.Text(1),    row.Real(2),    row.Text(3) == "A",
            row.Text(4) == "FAST", row.Integer(5), row.Integer(6), row.Integer(7)};
}

// The status byte a logger set up like the run answers with.
std::uint8_t StatusOf(const CArchivedRun& run) {
    int rateCode = 1;
    for (int code = 1; code <= RATE_CODE_COUNT; ++code) {
        if (std::abs(RateInterval(code) - run.IntervalS) < 1e-6) {
            rateCode = code;
        }
    }
    return static_cast<std::uint8_t>(rateCode | (run.IsDBA ? STATUS_DBA : 0) |
                                     (run.IsFast ? STATUS_FAST : 0));
}

// Reads `digits` digits at `at`, moving past them.
bool Digits(std::string_view text, std::size_t& at, std::size_t digits, int& value) {
    if (at + digits > text.size()) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + digits, value);
    at += digits;
    return error == std::errc() && end == text.data() + at;
}

bool Separator(std::string_view text, std::size_t& at, char separator) {
    if (at < text.size() && text[at] == separator) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace

std::vector<CArchivedRun> ArchivedRuns(CArchiveDatabase& db, const CArchiveRange& range) {
    CStatement query(
        db.Handle(),
        (std::string(RUN_COLUMNS) + " WHERE start_ms < ? AND end_ms > ? ORDER BY id").c_str());
    query.Bind(1, range.ToMs).Bind(2, range.FromMs);
    std::vector<CArchivedRun> runs;
    while (query.Step() == SQLITE_ROW) {
        runs.push_back(RunOf(query));
    }
    return runs;
}

CArchiveCursor::CSource::CSource(sqlite3* db, const char* sql, const CArchiveRange& range)
    : Query(std::make_unique<CStatement>(db, sql)), Done(sql[0] == '\0') {
    Query->Bind(1, range.FromMs).Bind(2, range.ToMs);
}

// Each in its time key's order, so that SQLite never sorts the range. Schema 1 kept every
// reading with its run and its level in dB; both come as tenths.
CArchiveCursor::CArchiveCursor(CArchiveDatabase& db, const CArchiveRange& range)
    : m_db(db),
      m_byTime(db.Handle(),
               db.Version() == 1
                   ? "SELECT run, time_ms, CAST(round(level_db * 10) AS INTEGER) FROM readings "
                     "WHERE time_ms >= ?1 AND time_ms < ?2 ORDER BY time_ms"
                   : "SELECT 0, time_ms, level_tenths FROM readings WHERE time_ms >= ?1 AND "
                     "time_ms < ?2 ORDER BY time_ms",
               range),
      m_apart(db.Handle(),
              db.Version() == 1 ? ""
                                : "SELECT run, time_ms, level_tenths FROM overlapping_readings "
                                  "WHERE time_ms >= ?1 AND time_ms < ?2 ORDER BY time_ms",
              range) {
    if (db.Version() > 1) {
        // A reading kept by time belongs to the run that started last at or before it.
        CStatement runs(
            db.Handle(),
            "SELECT start_ms, id FROM runs WHERE overlapping = 0 ORDER BY start_ms, id");
        while (runs.Step() == SQLITE_ROW) {
            m_spans.emplace_back(runs.Integer(0), runs.Integer(1));
        }
    }
}

bool CArchiveCursor::Fill(CSource& source) {
    if (source.Head || source.Done) {
        return true;
    }
    const int step = source.Query->Valid() ? source.Query->Step() : SQLITE_ERROR;
    if (step != SQLITE_ROW) {
        source.Done = true;
        if (step != SQLITE_DONE) {
            m_error = m_db.LastError();
        }
        return step == SQLITE_DONE;
    }
    const CStatement& row = *source.Query;
    source.Head = {row.Integer(0), row.Integer(1), LevelOfTenths(row.OptionalInteger(2))};
    return true;
}

bool CArchiveCursor::Next(CArchivedReading& reading) {
    if (!Fill(m_byTime) || !Fill(m_apart)) {
        return false;
    }
    // The earlier of the two; a reading kept by time first at the same time.
    CSource* next = &m_byTime;
    if (!m_byTime.Head || (m_apart.Head && m_apart.Head->TimeMs < m_byTime.Head->TimeMs)) {
        next = &m_apart;
    }
    if (!next->Head) {
        return false;
    }
    reading = *next->Head;
    next->Head.reset();
    if (next == &m_byTime && !m_spans.empty()) {
        const auto after =
            std::upper_bound(m_spans.begin(), m_spans.end(), std::pair(reading.TimeMs, INT64_MAX));
        reading.Run = after == m_spans.begin() ? 0 : std::prev(after)->second;
    }
    return true;
}

std::vector<CArchivedReading> ArchivedReadings(CArchiveDatabase& db, const CArchiveRange& range) {
    CArchiveCursor cursor(db, range);
    std::vector<CArchivedReading> readings;
    for (CArchivedReading reading; cursor.Next(reading);) {
        readings.push_back(reading);
    }
    return readings;
}

std::string ForEachArchivedInterval(CArchiveDatabase& db, const CArchiveRange& range,
                                    const std::function<void(const CIntervalLevels&)>& take) {
    // Schema 1 kept the levels in dB and not the readings of each interval that give a level:
    // they are counted from the readings archived with it.
    const std::string columns =
        db.Version() == 1
            ? "i.lmax_db * 10, i.lmin_db * 10, i.l10_db * 10, i.l50_db * 10, i.l90_db * 10, "
              "(SELECT count(level_db) FROM readings WHERE run = i.run AND time_ms >= "
              "i.start_ms AND time_ms < i.end_ms)"
            : "i.lmax_tenths, i.lmin_tenths, i.l10_tenths, i.l50_tenths, i.l90_tenths, "
              "i.count_with_level";
    CStatement query(db.Handle(),
                     ("SELECT i.start_ms, i.end_ms, i.partial, i.count, r.weighting, i.leq_db, " +
                      columns + " FROM intervals i JOIN runs r ON r.id = i.run WHERE " +
                      "i.start_ms >= ? AND i.start_ms < ? ORDER BY i.start_ms, i.run")
                         .c_str());
    query.Bind(1, range.FromMs).Bind(2, range.ToMs);
    const auto level = [&query](int column) {
        const auto tenths = query.Level(column);
        return DecibelsOfTenths(tenths ? std::optional<std::int64_t>(std::llround(*tenths))
                                       : std::nullopt);
    };
    int step = query.Valid() ? query.Step() : SQLITE_ERROR;
    for (; step == SQLITE_ROW; step = query.Step()) {
        take({query.Integer(0), query.Integer(1), query.Integer(2) != 0,
              static_cast<std::int32_t>(query.Integer(3)), query.Text(4) == "A", query.Level(5),
              level(6), level(7), level(8), level(9), level(10),
              static_cast<std::int32_t>(query.Integer(11))});
    }
    return step == SQLITE_DONE ? std::string() : db.LastError();
}

std::vector<CIntervalLevels> ArchivedIntervals(CArchiveDatabase& db, const CArchiveRange& range) {
    std::vector<CIntervalLevels> intervals;
    ForEachArchivedInterval(
        db, range, [&](const CIntervalLevels& interval) { intervals.push_back(interval); });
    return intervals;
}

CMeasurementRecord ArchivedRunRecord(const CArchivedRun& run, const CAlarmSettings& alarms) {
    return PrepareRealTimeRecord(StatusOf(run), alarms, CMeasurementRecord{}).value();
}

std::optional<std::int64_t> ParseArchiveTime(std::string_view text) {
    LocalTimeParts parts;
    std::size_t at = 0;
    if (!Digits(text, at, 4, parts.Year) || !Separator(text, at, '-') ||
        !Digits(text, at, 2, parts.Month) || !Separator(text, at, '-') ||
        !Digits(text, at, 2, parts.Day)) {
        return std::nullopt;
    }
    if (Separator(text, at, 'T') || Separator(text, at, ' ')) {
        if (!Digits(text, at, 2, parts.Hour) || !Separator(text, at, ':') ||
            !Digits(text, at, 2, parts.Minute) ||
            (Separator(text, at, ':') && !Digits(text, at, 2, parts.Second))) {
            return std::nullopt;
        }
    }
    std::optional<long> offsetSeconds;  // empty: local time
    if (Separator(text, at, 'Z')) {
        offsetSeconds = 0;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const long sign = text[at++] == '-' ? -1 : 1;
        int hours = 0;
        int minutes = 0;
        if (!Digits(text, at, 2, hours) || !Separator(text, at, ':') ||
            !Digits(text, at, 2, minutes)) {
            return std::nullopt;
        }
        offsetSeconds = sign * (hours * 3600L + minutes * 60L);
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    // With an offset, the calendar fields as UTC, then the offset they were given in: the
    // local clock has no say, not even where it skips an hour.
    const auto time = offsetSeconds ? MakeUtcTime(parts) : MakeLocalTime(parts);
    if (!time) {
        return std::nullopt;
    }
    return (std::int64_t{*time} - offsetSeconds.value_or(0)) * 1000;
}
