#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMeasurementRecord;

// The figures people are asked for about a noise: the day, evening and night levels and the
// day-evening-night level of environmental noise, the daily exposure and dose at work, and the
// highest half-hour and hour energy averages and loud stretches of an event.

// A part of the day in whole local hours, from First up to but not including End (End below
// First runs past midnight).
struct CDayPeriod {
    int First = 0;
    int End = 0;

    int Hours() const { return (End - First + 24) % 24; }
    bool Holds(int hour) const { return (hour - First + 24) % 24 < Hours(); }
};

struct CAssessmentOptions {
    CDayPeriod Day{7, 19};
    CDayPeriod Evening{19, 23};
    CDayPeriod Night{23, 7};
    double EveningPenaltyDb = 5.0;
    double NightPenaltyDb = 10.0;
    double Limit30MinDb = 99.0;  // the audience-protection limits of the two sliding averages
    double Limit60MinDb = 95.0;
    double EventThresholdDb = 85.0;  // a stretch at or above this level ...
    double EventMinimumS = 60.0;     // ... for at least this long is an event
};

// What is wrong with options, naming the option, or empty: an hour outside 0 to 24, a period
// without hours, periods that overlap or leave hours of the day uncovered.
std::string OptionsProblem(const CAssessmentOptions& options);

// "07-19" as a period; empty when it is not two hours from 0 to 24 joined by a dash.
std::optional<CDayPeriod> ParseDayPeriod(const std::string& text);

// Levels of the parts of the day, each empty when the readings do not cover as much time of
// that part as it lasts by the local clock (or cover none with a level).
struct CDayLevels {
    std::optional<double> LdayDb;
    std::optional<double> LeveningDb;
    std::optional<double> LnightDb;
    std::optional<double> LdenDb;
    std::array<double, 3> CoveredS{};  // day, evening, night
};

struct CCalendarDay {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    CDayLevels Levels;
};

// The dose of one criterion: the share of the allowed daily exposure taken, where the allowed
// time halves with every ExchangeDb above CriterionDb and levels below ThresholdDb count for
// nothing.
struct CDoseCriterion {
    double CriterionDb = 0.0;
    double ExchangeDb = 0.0;
    std::optional<double> ThresholdDb;
};
inline constexpr std::array<CDoseCriterion, 2> DOSE_CRITERIA{
    {{85.0, 3.0, std::nullopt}, {90.0, 5.0, 80.0}}};

struct CDose {
    CDoseCriterion Criterion;
    double DosePct = 0.0;
    double Projected8hPct = 0.0;  // the same exposure kept up for eight hours
};

// The highest energy average of a window sliding reading by reading, and its first reading's
// time; empty when the record is shorter than the window or no window has levels for
// SLIDING_COVERAGE_PCT of its time.
inline constexpr int SLIDING_COVERAGE_PCT = 90;
struct CSlidingMaximum {
    double WindowS = 0.0;
    std::optional<double> LeqDb;
    std::int64_t StartMs = 0;  // UTC milliseconds
};

// Times in UTC milliseconds.
struct CNoiseEvent {
    std::int64_t StartMs = 0;
    std::int64_t EndMs = 0;  // when the last reading's time ends
    double LeqDb = 0.0;
    double LmaxDb = 0.0;
};

struct CAssessment {
    CAssessmentOptions Options;
    bool IsDBA = true;
    bool TimesInMilliseconds = false;  // readings less than a second apart tell their milliseconds
    std::int32_t Readings = 0;
    std::int32_t LevelReadings = 0;  // the readings with a level
    double LevelTimeS = 0.0;         // their time
    // The levels of the parts of the day and the sliding averages are A-weighted levels by
    // definition, as are the occupational figures: a C-weighted record has none of them.
    CDayLevels Whole;
    std::vector<CCalendarDay> Days;
    std::optional<double> Lex8hDb;
    std::vector<CDose> Doses;
    CSlidingMaximum Max30Min{1800.0, std::nullopt, 0};
    CSlidingMaximum Max60Min{3600.0, std::nullopt, 0};
    std::vector<CNoiseEvent> Events;
};

// The assessment of readings given one at a time in time order, as a long archive is read:
// memory grows with the days, the events and the readings of an hour, not with all readings.
// A reading more than half an interval later than the one before follows a gap, which ends
// an event and that no sliding window spans.
class CAssessmentAccumulator {
public:
    // The interval and weighting are the record's; its readings are not read.
    CAssessmentAccumulator(const CMeasurementRecord& record, const CAssessmentOptions& options);
    ~CAssessmentAccumulator();
    CAssessmentAccumulator(CAssessmentAccumulator&&) noexcept;
    CAssessmentAccumulator& operator=(CAssessmentAccumulator&&) noexcept;

    // A reading taken at `ms` (UTC milliseconds), in the second `time`; a level that is not
    // finite gives none.
    void Add(std::time_t time, std::int64_t ms, float level);
    // `endMs`: when the last reading's time ends.
    CAssessment Result(std::int64_t endMs);

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};

// The assessment of every reading the record holds. Readings without a level count for the
// time they cover but not in the levels, as in the statistics.
CAssessment AssessRecord(const CMeasurementRecord& record, const CAssessmentOptions& options);
