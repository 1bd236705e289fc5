#include "export/Assessment.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <deque>
#include <limits>
#include <numbers>

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

// The highest energy averages of windows of consecutive readings (a half hour's and an hour's)
// with levels for at least SLIDING_COVERAGE_PCT of their time (one loud reading among readings
// without a level is no such average), as the windows slide reading by reading over the last
// readings. Each reading's energy is taken once, relative to the loudest level so far so that
// none overflows; the windows' sums are added up afresh once a window length so that rounding
// cannot build up.
class CWindowMaxima {
public:
    CWindowMaxima(std::array<double, 2> windowsS, float interval) {
        for (std::size_t w = 0; w < m_windows.size(); ++w) {
            m_windows[w].Result = {windowsS[w], std::nullopt, 0};
            // A damaged file's interval of zero or less has no windows.
            if (interval > 0.0f) {
                m_windows[w].Length = std::llround(windowsS[w] / interval);
                m_longest = std::max(m_longest, m_windows[w].Length);
            }
        }
    }

    // After a gap in the readings: no window spans it.
    void Restart() {
        m_readings.clear();
        for (CWindow& window : m_windows) {
            window.Sum = 0.0;
            window.Given = 0;
        }
    }

    void Add(std::int64_t ms, float level) {
        if (m_longest < 1) {
            return;
        }
        const bool given = std::isfinite(level);
        if (given && (!m_reference || level > *m_reference)) {
            const double scale = m_reference ? EnergyOf(*m_reference - level) : 0.0;
            m_reference = level;
            for (CWindow& window : m_windows) {
                window.Sum *= scale;
                window.Beaten = Beaten(window);
            }
        }
        const double energy = given ? EnergyOf(level - *m_reference) : 0.0;
        m_readings.push_back({ms, level, m_reference.value_or(0.0f), energy});
        const auto held = static_cast<std::int64_t>(m_readings.size());
        for (CWindow& window : m_windows) {
            window.Sum += energy;
            window.Given += given ? 1 : 0;
            if (window.Length >= 1 && held > window.Length) {
                const CReading& leaving =
                    m_readings[static_cast<std::size_t>(held - 1 - window.Length)];
                window.Sum -= EnergyNow(leaving);
                window.Given -= std::isfinite(leaving.Level) ? 1 : 0;
            }
        }
        if (held > m_longest) {
            m_readings.pop_front();
        }
        if (++m_sinceSum >= m_longest) {
            AddUpAfresh();
        }
        for (CWindow& window : m_windows) {
            Consider(window);
        }
    }

    const CSlidingMaximum& Result(std::size_t window) const { return m_windows[window].Result; }

private:
    struct CReading {
        std::int64_t Ms;
        float Level;
        float Reference;  // the level the energy is relative to
        double Energy;
    };
    struct CWindow {
        CSlidingMaximum Result;
        std::int64_t Length = 0;  // in readings
        double Sum = 0.0;         // Σ of its energies relative to the reference
        std::int64_t Given = 0;   // its readings with a level
        double Beaten = 0.0;
    };

    double EnergyNow(const CReading& reading) const {
        if (!std::isfinite(reading.Level)) {
            return 0.0;
        }
        return reading.Reference == *m_reference ? reading.Energy
                                                 : EnergyOf(reading.Level - *m_reference);
    }

    // 10^(level/10), the energy of a level relative to another.
    static double EnergyOf(double relativeDb) {
        return std::exp(relativeDb * (std::numbers::ln10 / 10.0));
    }

    // The mean energy relative to the reference that a window must pass to beat the highest
    // average so far: the logarithm is taken only of one that does.
    double Beaten(const CWindow& window) const {
        return window.Result.LeqDb ? EnergyOf(*window.Result.LeqDb - *m_reference) : 0.0;
    }

    void AddUpAfresh() {
        m_sinceSum = 0;
        for (CReading& reading : m_readings) {
            reading.Energy = EnergyNow(reading);
            reading.Reference = m_reference.value_or(0.0f);
        }
        for (CWindow& window : m_windows) {
            const auto length =
                std::min<std::size_t>(static_cast<std::size_t>(window.Length), m_readings.size());
            window.Sum = 0.0;
            for (auto reading = m_readings.end() - static_cast<std::ptrdiff_t>(length);
                 reading != m_readings.end(); ++reading) {
                window.Sum += reading->Energy;
            }
        }
    }

    void Consider(CWindow& window) const {
        if (window.Length < 1 || static_cast<std::int64_t>(m_readings.size()) < window.Length ||
            100 * window.Given < SLIDING_COVERAGE_PCT * window.Length) {
            return;
        }
        const double mean = window.Sum / static_cast<double>(window.Given);
        if (window.Result.LeqDb && !(mean > window.Beaten)) {
            return;
        }
        const double leq = *m_reference + 10.0 * std::log10(mean);
        if (std::isfinite(leq) && (!window.Result.LeqDb || leq > *window.Result.LeqDb)) {
            window.Result.LeqDb = leq;
            window.Result.StartMs =
                m_readings[m_readings.size() - static_cast<std::size_t>(window.Length)].Ms;
            window.Beaten = Beaten(window);
        }
    }

    std::array<CWindow, 2> m_windows;
    std::int64_t m_longest = 0;
    std::deque<CReading> m_readings;   // the last readings of the longest window
    std::optional<float> m_reference;  // the loudest level so far
    std::int64_t m_sinceSum = 0;
};

// Stretches of readings at or above the threshold; a reading below it or without a level ends
// a stretch, which counts when it lasted long enough.
class CEventFinder {
public:
    CEventFinder(double intervalS, const CAssessmentOptions& options)
        : m_intervalS(intervalS), m_options(options) {}

    void Add(std::int64_t ms, float level) {
        if (!(std::isfinite(level) && level >= m_options.EventThresholdDb)) {
            End(ms);
            return;
        }
        if (m_energy.Count() == 0) {
            m_firstMs = ms;
            m_loudest = level;
        }
        m_energy.Add(level);
        m_loudest = std::max(m_loudest, level);
    }

    // Closes a stretch that ended at `endMs`.
    void End(std::int64_t endMs) {
        if (m_energy.Count() > 0 && m_energy.Count() * m_intervalS >= m_options.EventMinimumS) {
            m_events.push_back(
                {m_firstMs, endMs, m_energy.Leq().value_or(m_loudest), DecimalOf(m_loudest)});
        }
        m_energy = CEnergyAverage();
    }

    std::vector<CNoiseEvent> Events() { return std::move(m_events); }

private:
    double m_intervalS;
    const CAssessmentOptions& m_options;
    CEnergyAverage m_energy;
    std::int64_t m_firstMs = 0;
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

struct CAssessmentAccumulator::CState {
    CState(const CMeasurementRecord& record, const CAssessmentOptions& options)
        : Options(options),
          Interval(record.SampleInterval),
          Occurrences(Options),
          Events(Interval, Options),
          Windows({1800.0, 3600.0}, record.SampleInterval) {
        A.Options = options;
        A.IsDBA = record.IsDBA;
        A.TimesInMilliseconds = ExportTimesInMilliseconds(record);
    }

    // A reading this much later than the one before follows a gap.
    bool AfterGap(std::int64_t ms) const {
        return Interval > 0.0 && A.Readings > 0 &&
               static_cast<double>(ms - LastMs) > 1.5 * Interval * 1000.0;
    }

    const CAssessmentOptions Options;  // what the parts below look at
    const double Interval;
    CAssessment A;
    CPeriodLevels Whole;
    CShortestOccurrence Occurrences;
    std::vector<CPeriodLevels> Days;
    CLocalHour Clock;
    CEnergyAverage All;
    std::array<double, DOSE_CRITERIA.size()> AllowedShares{};  // Σ time / allowed time
    CEventFinder Events;
    CWindowMaxima Windows;  // a half hour's and an hour's
    std::int64_t LastMs = 0;
};

CAssessmentAccumulator::CAssessmentAccumulator(const CMeasurementRecord& record,
                                               const CAssessmentOptions& options)
    : m_state(std::make_unique<CState>(record, options)) {}

CAssessmentAccumulator::~CAssessmentAccumulator() = default;
CAssessmentAccumulator::CAssessmentAccumulator(CAssessmentAccumulator&&) noexcept = default;
CAssessmentAccumulator& CAssessmentAccumulator::operator=(CAssessmentAccumulator&&) noexcept =
    default;

void CAssessmentAccumulator::Add(std::time_t time, std::int64_t ms, float level) {
    CState& s = *m_state;
    CAssessment& a = s.A;
    if (s.AfterGap(ms)) {
        s.Events.End(s.LastMs + std::llround(s.Interval * 1000.0));
        s.Windows.Restart();
    }
    ++a.Readings;
    s.LastMs = ms;
    const LocalTimeParts& local = s.Clock.At(time);
    if (a.Days.empty() || a.Days.back().Day != local.Day || a.Days.back().Month != local.Month ||
        a.Days.back().Year != local.Year) {
        a.Days.push_back({local.Year, local.Month, local.Day, {}});
        s.Days.emplace_back();
    }
    const int period = PeriodOf(local.Hour, s.Options);
    s.Whole.Add(period, s.Interval, level);
    s.Occurrences.Add(period, local);
    s.Days.back().Add(period, s.Interval, level);
    s.Events.Add(ms, level);
    if (a.IsDBA) {
        s.Windows.Add(ms, level);
    }
    if (!std::isfinite(level)) {
        return;
    }
    s.All.Add(level);
    for (std::size_t c = 0; c < DOSE_CRITERIA.size(); ++c) {
        const CDoseCriterion& criterion = DOSE_CRITERIA[c];
        if (!criterion.ThresholdDb || level >= *criterion.ThresholdDb) {
            s.AllowedShares[c] +=
                s.Interval * std::pow(2.0, (level - criterion.CriterionDb) / criterion.ExchangeDb) /
                EIGHT_HOURS_S;
        }
    }
}

CAssessment CAssessmentAccumulator::Result(std::int64_t endMs) {
    CState& s = *m_state;
    CAssessment a = s.A;
    s.Events.End(endMs);
    if (a.IsDBA) {
        for (std::size_t d = 0; d < s.Days.size(); ++d) {
            a.Days[d].Levels = s.Days[d].Levels(s.Options, PeriodSeconds(a.Days[d], s.Options));
        }
        // The whole record spans a part of the day when it covers as long as the shortest
        // occurrence of it that it reaches into lasts.
        a.Whole = s.Whole.Levels(s.Options, s.Occurrences.Seconds());
        a.Max30Min = s.Windows.Result(0);
        a.Max60Min = s.Windows.Result(1);
    }
    a.LevelReadings = s.All.Count();
    a.LevelTimeS = s.All.Count() * s.Interval;
    const std::optional<double> leq = s.All.Leq();
    if (a.IsDBA && leq && a.LevelTimeS > 0.0) {
        a.Lex8hDb = *leq + 10.0 * std::log10(a.LevelTimeS / EIGHT_HOURS_S);
        for (std::size_t c = 0; c < DOSE_CRITERIA.size(); ++c) {
            const double dose = 100.0 * s.AllowedShares[c];
            a.Doses.push_back({DOSE_CRITERIA[c], dose, dose * EIGHT_HOURS_S / a.LevelTimeS});
        }
    }
    a.Events = s.Events.Events();
    return a;
}

CAssessment AssessRecord(const CMeasurementRecord& record, const CAssessmentOptions& options) {
    const std::int32_t count = ReadingCount(record);
    CAssessmentAccumulator assessment(record, options);
    for (std::int32_t i = 0; i < count; ++i) {
        assessment.Add(record.SampleTime(i), record.SampleTimeMs(i),
                       record.Levels[static_cast<std::size_t>(i)]);
    }
    return assessment.Result(record.SampleTimeMs(count));
}
