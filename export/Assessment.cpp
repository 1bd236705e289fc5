#include "export/Assessment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "document/CMeasurementRecord.h"
#include "export/AcousticStatistics.h"
#include "export/CsvExport.h"
#include "platform/LocalTime.h"

namespace {

constexpr double SECONDS_PER_HOUR = 3600.0;
constexpr double EIGHT_HOURS_S = 8 * SECONDS_PER_HOUR;
constexpr double HOURS_PER_DAY = 24.0;
constexpr int DAY = 0;
constexpr int EVENING = 1;
constexpr int NIGHT = 2;

// The energy averages and covered time of the three parts of the day, over some readings.
class CPeriodLevels {
public:
    void Add(int period, double intervalS, float level) {
        m_covered[static_cast<std::size_t>(period)] += intervalS;
        if (std::isfinite(level)) {
            m_energy[static_cast<std::size_t>(period)].Add(level);
        }
    }

    // `needed`: the seconds of readings each part needs for a level.
    CDayLevels Levels(const CAssessmentOptions& options,
                      const std::array<double, 3>& needed) const {
        CDayLevels levels;
        levels.CoveredS = m_covered;
        std::optional<double>* targets[] = {&levels.LdayDb, &levels.LeveningDb, &levels.LnightDb};
        for (std::size_t p = 0; p < 3; ++p) {
            // A level only from readings covering at least as long as the period lasts.
            if (m_covered[p] >= needed[p] && needed[p] > 0.0) {
                *targets[p] = m_energy[p].Leq();
            }
        }
        if (levels.LdayDb && levels.LeveningDb && levels.LnightDb) {
            const double energy =
                options.Day.Hours() * std::pow(10.0, *levels.LdayDb / 10.0) +
                options.Evening.Hours() *
                    std::pow(10.0, (*levels.LeveningDb + options.EveningPenaltyDb) / 10.0) +
                options.Night.Hours() *
                    std::pow(10.0, (*levels.LnightDb + options.NightPenaltyDb) / 10.0);
            levels.LdenDb = 10.0 * std::log10(energy / HOURS_PER_DAY);
        }
        return levels;
    }

private:
    std::array<CEnergyAverage, 3> m_energy;
    std::array<double, 3> m_covered{};
};

// The local hour and date of readings in time order, looked up again only when a reading
// leaves the hour of the clock the last lookup found.
class CLocalHour {
public:
    const LocalTimeParts& At(std::time_t time) {
        if (!(time >= m_from && time < m_end)) {
            m_parts = SplitLocalTime(time);
            m_from = time;
            m_end = time - m_parts.Minute * 60 - m_parts.Second + 3600;
            // An offset that changes later in the hour ends the shortcut at the next reading.
            if (UtcOffsetSeconds(m_end - 1) != UtcOffsetSeconds(time)) {
                m_end = time + 1;
            }
        }
        return m_parts;
    }

private:
    LocalTimeParts m_parts;
    std::time_t m_from = 1;
    std::time_t m_end = 0;
};

int PeriodOf(int hour, const CAssessmentOptions& options) {
    if (options.Day.Holds(hour)) {
        return DAY;
    }
    return options.Evening.Holds(hour) ? EVENING : NIGHT;
}

const CDayPeriod& PartOfDay(int period, const CAssessmentOptions& options) {
    return period == DAY ? options.Day : period == EVENING ? options.Evening : options.Night;
}

// How long the shortest occurrence of each part of the day that readings fall in lasts by the
// clock: a part runs from its first hour on one date to its end, maybe on the next, so that a
// night over the start of summer time is an hour short and one over its end an hour long.
class CShortestOccurrence {
public:
    explicit CShortestOccurrence(const CAssessmentOptions& options) : m_options(options) {}

    void Add(int period, const LocalTimeParts& local) {
        const CDayPeriod& part = PartOfDay(period, m_options);
        const int first = part.First % 24;
        // The part of a night after midnight began the day before (day 0 rolls over).
        const int startDay = local.Day - (local.Hour < first ? 1 : 0);
        const std::array<int, 4> key = {period, local.Year, local.Month, startDay};
        if (key == m_key) {
            return;
        }
        m_key = key;
        const auto p = static_cast<std::size_t>(period);
        const std::time_t start =
            RolledOverLocalTime({local.Year, local.Month, startDay, first, 0, 0});
        if (m_start[p] == start) {
            return;  // the same occurrence, seen from its second date
        }
        m_start[p] = start;
        const std::time_t end =
            RolledOverLocalTime({local.Year, local.Month, startDay, first + part.Hours(), 0, 0});
        m_shortest[p] = std::min(m_shortest[p], static_cast<double>(end - start));
    }

    const std::array<double, 3>& Seconds() const { return m_shortest; }

private:
    const CAssessmentOptions& m_options;
    std::array<int, 4> m_key{-1, 0, 0, 0};
    std::array<std::optional<std::time_t>, 3> m_start;
    std::array<double, 3> m_shortest{std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::infinity()};
};

// How long each part of the day lasts on a calendar day by the clock: the night of the day
// summer time starts is an hour short, that of the day it ends an hour long.
std::array<double, 3> PeriodSeconds(const CCalendarDay& day, const CAssessmentOptions& options) {
    const std::time_t start = RolledOverLocalTime({day.Year, day.Month, day.Day, 0, 0, 0});
    const std::time_t end = RolledOverLocalTime({day.Year, day.Month, day.Day + 1, 0, 0, 0});
    std::array<double, 3> seconds{};
    for (std::time_t hour = start; hour < end; hour += 3600) {
        const int period = PeriodOf(SplitLocalTime(hour).Hour, options);
        seconds[static_cast<std::size_t>(period)] +=
            static_cast<double>(std::min<std::time_t>(3600, end - hour));
    }
    return seconds;
}

// The highest energy average of `window` consecutive readings with levels for at least
// SLIDING_COVERAGE_PCT of their time (one loud reading among readings without a level is no
// such average), from running sums of each reading's energy relative to the loudest one (so
// that none overflows).
CSlidingMaximum HighestWindow(const CMeasurementRecord& record, std::int32_t count,
                              double windowS) {
    CSlidingMaximum result{windowS, std::nullopt, 0};
    // A damaged file's interval of zero or less has no windows.
    if (!(record.SampleInterval > 0.0f)) {
        return result;
    }
    const auto window = static_cast<std::int64_t>(std::llround(windowS / record.SampleInterval));
    if (window < 1 || count < window) {
        return result;
    }
    float loudest = -HUGE_VALF;
    for (std::int32_t i = 0; i < count; ++i) {
        const float level = record.Levels[static_cast<std::size_t>(i)];
        if (std::isfinite(level)) {
            loudest = std::max(loudest, level);
        }
    }
    std::vector<double> energy(static_cast<std::size_t>(count) + 1, 0.0);
    std::vector<std::int32_t> levels(static_cast<std::size_t>(count) + 1, 0);
    for (std::int32_t i = 0; i < count; ++i) {
        const float level = record.Levels[static_cast<std::size_t>(i)];
        const bool given = std::isfinite(level);
        const auto at = static_cast<std::size_t>(i);
        energy[at + 1] = energy[at] + (given ? std::pow(10.0, (level - loudest) / 10.0) : 0.0);
        levels[at + 1] = levels[at] + (given ? 1 : 0);
    }
    std::optional<double> best;
    std::int64_t bestFirst = 0;
    for (std::int64_t first = 0; first + window <= count; ++first) {
        const auto from = static_cast<std::size_t>(first);
        const auto to = static_cast<std::size_t>(first + window);
        const std::int32_t given = levels[to] - levels[from];
        if (100 * std::int64_t{given} < SLIDING_COVERAGE_PCT * window) {
            continue;
        }
        const double leq = loudest + 10.0 * std::log10((energy[to] - energy[from]) / given);
        if (!best || leq > *best) {
            best = leq;
            bestFirst = first;
        }
    }
    if (best && std::isfinite(*best)) {
        result.LeqDb = best;
        result.StartMs = record.SampleTimeMs(bestFirst);
    }
    return result;
}

// Stretches of readings at or above the threshold; a reading below it or without a level ends
// a stretch, which counts when it lasted long enough.
class CEventFinder {
public:
    CEventFinder(const CMeasurementRecord& record, const CAssessmentOptions& options)
        : m_record(record), m_options(options) {}

    void Add(std::int32_t index, float level) {
        if (!(std::isfinite(level) && level >= m_options.EventThresholdDb)) {
            End(index);
            return;
        }
        if (m_energy.Count() == 0) {
            m_first = index;
            m_loudest = level;
        }
        m_energy.Add(level);
        m_loudest = std::max(m_loudest, level);
    }

    // Closes a stretch that ran up to, but not including, reading `index`.
    void End(std::int32_t index) {
        if (m_energy.Count() > 0 &&
            (index - m_first) * static_cast<double>(m_record.SampleInterval) >=
                m_options.EventMinimumS) {
            m_events.push_back({m_record.SampleTimeMs(m_first), m_record.SampleTimeMs(index),
                                m_energy.Leq().value_or(m_loudest), DecimalOf(m_loudest)});
        }
        m_energy = CEnergyAverage();
    }

    std::vector<CNoiseEvent> Events() { return std::move(m_events); }

private:
    const CMeasurementRecord& m_record;
    const CAssessmentOptions& m_options;
    CEnergyAverage m_energy;
    std::int32_t m_first = 0;
    float m_loudest = 0.0f;
    std::vector<CNoiseEvent> m_events;
};

std::string PeriodProblem(const char* option, const CDayPeriod& period) {
    const std::string name = option;
    if (period.First < 0 || period.First > 24 || period.End < 0 || period.End > 24) {
        return name + ": an hour is from 0 to 24";
    }
    if (period.Hours() == 0) {
        return name + ": the period holds no hour";
    }
    return {};
}

std::string RangeProblem(const char* option, double value, double low, double high) {
    if (value >= low && value <= high) {
        return {};
    }
    char text[128];
    std::snprintf(text, sizeof text, "%s: from %g to %g", option, low, high);
    return text;
}

}  // namespace

std::optional<CDayPeriod> ParseDayPeriod(const std::string& text) {
    const char* const end = text.data() + text.size();
    CDayPeriod period;
    const auto [dash, firstError] = std::from_chars(text.data(), end, period.First);
    if (firstError != std::errc() || dash == end || *dash != '-' || dash == text.data()) {
        return std::nullopt;
    }
    const auto [rest, endError] = std::from_chars(dash + 1, end, period.End);
    if (endError != std::errc() || rest != end) {
        return std::nullopt;
    }
    return period;
}

std::string OptionsProblem(const CAssessmentOptions& options) {
    const std::string problems[] = {
        PeriodProblem("--day", options.Day),
        PeriodProblem("--evening", options.Evening),
        PeriodProblem("--night", options.Night),
        RangeProblem("--evening-penalty", options.EveningPenaltyDb, 0.0, 20.0),
        RangeProblem("--night-penalty", options.NightPenaltyDb, 0.0, 20.0),
        RangeProblem("--limit-30min", options.Limit30MinDb, 0.0, 200.0),
        RangeProblem("--limit-60min", options.Limit60MinDb, 0.0, 200.0),
        RangeProblem("--event-level", options.EventThresholdDb, 0.0, 200.0),
        RangeProblem("--event-time", options.EventMinimumS, 0.0, 7 * 24 * SECONDS_PER_HOUR),
    };
    for (const std::string& problem : problems) {
        if (!problem.empty()) {
            return problem;
        }
    }
    // The evening follows the day, the night the evening, and the day the night, once round
    // the clock.
    if (options.Day.End % 24 != options.Evening.First % 24) {
        return "--evening: the evening starts when the day ends";
    }
    if (options.Evening.End % 24 != options.Night.First % 24) {
        return "--night: the night starts when the evening ends";
    }
    if (options.Night.End % 24 != options.Day.First % 24) {
        return "--night: the night ends when the day starts";
    }
    if (options.Day.Hours() + options.Evening.Hours() + options.Night.Hours() != 24) {
        return "--night: the periods overlap";
    }
    return {};
}

CAssessment AssessRecord(const CMeasurementRecord& record, const CAssessmentOptions& options) {
    CAssessment a;
    a.Options = options;
    a.IsDBA = record.IsDBA;
    a.TimesInMilliseconds = ExportTimesInMilliseconds(record);
    const std::int32_t count = ReadingCount(record);
    const double interval = record.SampleInterval;

    CPeriodLevels whole;
    CShortestOccurrence occurrences(options);
    std::vector<CPeriodLevels> days;
    CLocalHour clock;
    CEnergyAverage all;
    std::array<double, DOSE_CRITERIA.size()> allowedShares{};  // Σ time / allowed time
    CEventFinder events(record, options);
    for (std::int32_t i = 0; i < count; ++i) {
        const float level = record.Levels[static_cast<std::size_t>(i)];
        const LocalTimeParts& local = clock.At(record.SampleTime(i));
        if (a.Days.empty() || a.Days.back().Day != local.Day ||
            a.Days.back().Month != local.Month || a.Days.back().Year != local.Year) {
            a.Days.push_back({local.Year, local.Month, local.Day, {}});
            days.emplace_back();
        }
        const int period = PeriodOf(local.Hour, options);
        whole.Add(period, interval, level);
        occurrences.Add(period, local);
        days.back().Add(period, interval, level);
        events.Add(i, level);
        if (!std::isfinite(level)) {
            continue;
        }
        all.Add(level);
        for (std::size_t c = 0; c < DOSE_CRITERIA.size(); ++c) {
            const CDoseCriterion& criterion = DOSE_CRITERIA[c];
            if (!criterion.ThresholdDb || level >= *criterion.ThresholdDb) {
                allowedShares[c] +=
                    interval *
                    std::pow(2.0, (level - criterion.CriterionDb) / criterion.ExchangeDb) /
                    EIGHT_HOURS_S;
            }
        }
    }
    events.End(count);

    if (record.IsDBA) {
        for (std::size_t d = 0; d < days.size(); ++d) {
            a.Days[d].Levels = days[d].Levels(options, PeriodSeconds(a.Days[d], options));
        }
        // The whole record spans a part of the day when it covers as long as the shortest
        // occurrence of it that it reaches into lasts.
        a.Whole = whole.Levels(options, occurrences.Seconds());
        a.Max30Min = HighestWindow(record, count, a.Max30Min.WindowS);
        a.Max60Min = HighestWindow(record, count, a.Max60Min.WindowS);
    }
    a.Readings = count;
    a.LevelReadings = all.Count();
    a.LevelTimeS = all.Count() * interval;
    const std::optional<double> leq = all.Leq();
    if (record.IsDBA && leq && a.LevelTimeS > 0.0) {
        a.Lex8hDb = *leq + 10.0 * std::log10(a.LevelTimeS / EIGHT_HOURS_S);
        for (std::size_t c = 0; c < DOSE_CRITERIA.size(); ++c) {
            const double dose = 100.0 * allowedShares[c];
            a.Doses.push_back({DOSE_CRITERIA[c], dose, dose * EIGHT_HOURS_S / a.LevelTimeS});
        }
    }
    a.Events = events.Events();
    return a;
}
