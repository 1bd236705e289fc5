// The assessment figures against values worked out by hand, the options' checks, the JSON keys.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <tuple>

#include "export/AcousticStatistics.h"
#include "export/Assessment.h"
#include "export/AssessmentJson.h"
#include "platform/LocalTime.h"
#include "tests/export/RecordOfLevels.h"

namespace {

// Levels in runs: (readings, level) pairs one after the other.
std::vector<float> Runs(std::initializer_list<std::pair<int, float>> runs) {
    std::vector<float> levels;
    for (const auto& [readings, level] : runs) {
        levels.insert(levels.end(), static_cast<std::size_t>(readings), level);
    }
    return levels;
}

// Unset: not looked at; set to empty: the figure must be missing.
using Expected = std::optional<std::optional<double>>;
constexpr std::optional<double> MISSING = std::nullopt;

void ExpectFigure(const char* name, const std::optional<double>& actual, const Expected& expected,
                  const std::string& record) {
    if (expected) {
        EXPECT_EQ(actual.has_value(), expected->has_value()) << name << " of " << record;
        EXPECT_NEAR(actual.value_or(0), expected->value_or(0), 0.05) << name << " of " << record;
    }
}

nlohmann::json AssessmentJson(const CMeasurementRecord& record) {
    return nlohmann::json::parse(StatisticsWithAssessmentJson(ComputeAcousticStatistics(record),
                                                              AssessRecord(record, {})))
        .at("assessment");
}

const double MIDNIGHT_60MIN = 10 * std::log10((30 * 1e8 + 30 * 1e5) / 60);

TEST(Assessment, figures_matchTheValuesWorkedOutByHand) {
    const double dose85At90 = 50.0 * std::pow(2.0, 5.0 / 3.0);
    const double dose85At80 = 100.0 * std::pow(2.0, -5.0 / 3.0);
    const struct {
        const char* Name;
        std::vector<float> Levels;
        LocalTimeParts Start;
        float Interval;
        // Lday, Levening, Lnight, Lden, LEX,8h, dose and projected dose under 85/3 and 90/5,
        // the highest 30 and 60 minutes.
        Expected Figures[11];
        const char* Max30Start;  // empty: not looked at
        std::size_t Events;
        std::size_t Days;
    } cases[] = {
        // clang-format off
        {"a constant 60 dB day", Runs({{1440, 60.0f}}), {2014, 6, 5, 0, 0, 0}, 60.0f,
         {60.0, 60.0, 60.0, 66.4, {}, {}, {}, {}, {}, 60.0, 60.0}, "2014-06-05T00:00:00+02:00", 0, 1},
        {"a constant 60 dB day of 23 hours, when summer time starts", Runs({{1380, 60.0f}}),
         {2014, 3, 30, 0, 0, 0}, 60.0f, {60.0, 60.0, 60.0, 66.4}, "", 0, 1},
        {"4 h at 90 dB", Runs({{240, 90.0f}}), {2014, 6, 5, 8, 0, 0}, 60.0f,
         {MISSING, MISSING, MISSING, MISSING, 87.0, dose85At90, 2 * dose85At90, 50.0, 100.0,
          90.0, 90.0}, "2014-06-05T08:00:00+02:00", 1, 1},
        {"8 h at 85 dB", Runs({{480, 85.0f}}), {2014, 6, 5, 8, 0, 0}, 60.0f,
         {{}, {}, {}, {}, 85.0, 100.0, 100.0, 50.0, 50.0, 85.0, 85.0}, "", 1, 1},
        {"8 h at 80 dB, the 90/5 threshold", Runs({{480, 80.0f}}), {2014, 6, 5, 8, 0, 0}, 60.0f,
         {{}, {}, {}, {}, 80.0, dose85At80, dose85At80, 25.0, 25.0, 80.0, 80.0}, "", 0, 1},
        {"8 h at 85 dB, the last hour without a level", Runs({{420, 85.0f}, {60, std::nanf("")}}),
         {2014, 6, 5, 8, 0, 0}, 60.0f,
         {{}, {}, {}, {}, 85.0 + 10 * std::log10(7.0 / 8), 87.5, 100.0, {}, {}, 85.0, 85.0}, "", 1, 1},
        {"a loud half hour across midnight", Runs({{10, 50.0f}, {30, 80.0f}, {20, 50.0f}}),
         {2014, 6, 5, 23, 40, 0}, 60.0f,
         {MISSING, MISSING, MISSING, MISSING, {}, {}, {}, {}, {}, 80.0, MIDNIGHT_60MIN},
         "2014-06-05T23:50:00+02:00", 0, 2},
        // An event lasts at least the event time at or above the event level.
        {"a minute at 85 dB", Runs({{10, 60.0f}, {60, 85.0f}, {10, 60.0f}}),
         {2014, 6, 5, 12, 0, 0}, 1.0f, {}, "", 1, 1},
        {"59 s at 85 dB", Runs({{10, 60.0f}, {59, 85.0f}, {10, 60.0f}}),
         {2014, 6, 5, 12, 0, 0}, 1.0f, {}, "", 0, 1},
        {"a minute at 84.9 dB", Runs({{10, 60.0f}, {60, 84.9f}, {10, 60.0f}}),
         {2014, 6, 5, 12, 0, 0}, 1.0f, {}, "", 0, 1},
        {"one reading", Runs({{1, 90.0f}}), {2014, 6, 5, 12, 0, 0}, 1.0f,
         {MISSING, MISSING, MISSING, MISSING, 90.0 + 10 * std::log10(1.0 / 28800), {}, {}, {}, {},
          MISSING, MISSING}, "", 0, 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        const CAssessment a = AssessRecord(RecordOfLevels(c.Levels, c.Start, c.Interval), {});
        ASSERT_EQ(a.Doses.size(), 2u) << c.Name;
        // clang-format off
        const std::pair<const char*, std::optional<double>> figures[] = {
            {"Lday", a.Whole.LdayDb}, {"Levening", a.Whole.LeveningDb}, {"Lnight", a.Whole.LnightDb},
            {"Lden", a.Whole.LdenDb}, {"LEX,8h", a.Lex8hDb}, {"dose 85/3", a.Doses[0].DosePct},
            {"projected 85/3", a.Doses[0].Projected8hPct}, {"dose 90/5", a.Doses[1].DosePct},
            {"projected 90/5", a.Doses[1].Projected8hPct}, {"highest 30 min", a.Max30Min.LeqDb},
            {"highest 60 min", a.Max60Min.LeqDb}};
        // clang-format on
        for (std::size_t f = 0; f < std::size(figures); ++f) {
            ExpectFigure(figures[f].first, figures[f].second, c.Figures[f], c.Name);
        }
        if (*c.Max30Start != '\0') {
            EXPECT_EQ(IsoLocalTimeMs(a.Max30Min.StartMs, false), c.Max30Start) << c.Name;
        }
        EXPECT_EQ(a.Events.size(), c.Events) << c.Name;
        EXPECT_EQ(a.Days.size(), c.Days) << c.Name;
    }
}

TEST(Assessment, events_standWhereTheReadingsSay_andOnlyAWeightingHasADose) {
    // 30 s quiet, 90 s at 90 dB, 10 s quiet, 30 s at 95 dB: one event long enough.
    CMeasurementRecord record =
        RecordOfLevels(Runs({{30, 70.0f}, {90, 90.0f}, {10, 70.0f}, {30, 95.0f}}));
    const CAssessment a = AssessRecord(record, {});
    ASSERT_EQ(a.Events.size(), 1u);
    EXPECT_EQ(IsoLocalTimeMs(a.Events[0].StartMs, false), "2014-06-05T14:02:37+02:00");
    EXPECT_EQ(IsoLocalTimeMs(a.Events[0].EndMs, false), "2014-06-05T14:04:07+02:00");
    EXPECT_NEAR(a.Events[0].LeqDb, 90.0, 1e-9);
    EXPECT_EQ(a.Events[0].LmaxDb, 90.0);

    // A damaged file's interval of zero has no sliding windows (nor a division by it).
    EXPECT_FALSE(AssessRecord(RecordOfLevels({60.0f, 60.0f}, JUNE_5, 0.0f), {}).Max30Min.LeqDb);

    record.IsDBA = false;
    const CAssessment c = AssessRecord(record, {});
    EXPECT_FALSE(c.Lex8hDb);
    EXPECT_TRUE(c.Doses.empty());
}

TEST(Assessment, eventAndWindowStarts_keepTheirReadingsMilliseconds) {
    // 40 dB up to reading `loud`, 65 s at 95 dB, then 70 dB: 1810 s in all.
    const std::tuple<float, int, const char*, const char*> cases[] = {
        {0.05f, 7, "2014-06-05T14:02:07.350+02:00", "2014-06-05T14:03:12.350+02:00"},
        {1.0f, 7, "2014-06-05T14:02:14+02:00", "2014-06-05T14:03:19+02:00"}};
    for (const auto& [interval, loud, start, end] : cases) {
        const int n65 = std::lround(65 / interval), n = std::lround(1810 / interval);
        const nlohmann::json a = AssessmentJson(RecordOfLevels(
            Runs({{loud, 40.0f}, {n65, 95.0f}, {n - loud - n65, 70.0f}}), JUNE_5, interval));
        EXPECT_EQ(a["laeq_30min_max_start"], start);
        ASSERT_EQ(a["events"].size(), 1u) << start;
        EXPECT_EQ(a["events"][0]["start"], start);
        EXPECT_EQ(a["events"][0]["end"], end);
    }
}

TEST(Assessment, wholeRecordNight_needsAsLongAsThatNightLastsByTheClock) {
    // The nights summer time starts (7 h) and ends (9 h), and the 8 h one after its start.
    const std::tuple<int, int, int, bool> cases[] = {
        {3, 29, 7, true}, {3, 30, 7, false}, {10, 25, 8, false}, {10, 25, 9, true}};
    for (const auto& [month, day, hours, given] : cases) {
        const CMeasurementRecord record =
            RecordOfLevels(Runs({{hours * 60, 50.0f}}), {2014, month, day, 23, 0, 0}, 60.0f);
        EXPECT_EQ(AssessRecord(record, {}).Whole.LnightDb.has_value(), given) << day << hours;
    }
}

TEST(Assessment, slidingAverages_needLevelsForNineTenthsOfTheirWindow) {
    // An hour at 1 s whose first readings are at 100 dB, the others without a level.
    const std::tuple<int, bool, bool> cases[] = {
        {1, false, false}, {1619, false, false}, {1620, true, false}, {3240, true, true}};
    for (const auto& [given, max30, max60] : cases) {
        const CAssessment a =
            AssessRecord(RecordOfLevels(Runs({{given, 100.0f}, {3600 - given, NAN}})), {});
        EXPECT_EQ(a.Max30Min.LeqDb.has_value(), max30) << given;
        EXPECT_EQ(a.Max60Min.LeqDb.has_value(), max60) << given;
    }
}

// Readings given one by one, 2000 at 100 dB 1 s apart but for a gap of `gapMs` after the
// first 1000: one missing reading is a gap, which ends the event that runs up to it and which
// no window spans; a late reading is none.
TEST(Assessment, gapInTheReadings_endsEventsAndWindows) {
    const std::tuple<std::int64_t, std::size_t, bool> cases[] = {
        {0, 1, true}, {400, 1, true}, {1000, 2, false}, {600000, 2, false}};
    const CMeasurementRecord header = RecordOfLevels({});
    for (const auto& [gapMs, events, max30] : cases) {
        CAssessmentAccumulator accumulator(header, {});
        std::int64_t ms = std::int64_t{header.StartTime} * 1000;
        for (int i = 0; i < 2000; ++i, ms += 1000) {
            ms += i == 1000 ? gapMs : 0;
            accumulator.Add(WholeSecond(ms), ms, 100.0f);
        }
        const CAssessment a = accumulator.Result(ms);
        ASSERT_EQ(a.Events.size(), events) << gapMs;
        EXPECT_EQ(a.Events.front().EndMs - a.Events.front().StartMs,
                  events == 1 ? 2000000 + gapMs : 1000000)
            << gapMs;
        EXPECT_EQ(a.Max30Min.LeqDb.has_value(), max30) << gapMs;
    }
}

TEST(Assessment, cWeightedRecord_hasNoneOfTheAWeightedFigures) {
    CMeasurementRecord record = RecordOfLevels(Runs({{1440, 60.0f}}), {2014, 6, 5, 0, 0, 0}, 60.0f);
    for (const bool dba : {true, false}) {
        record.IsDBA = dba;
        const nlohmann::json a = AssessmentJson(record);
        for (const char* key : {"lday_db", "levening_db", "lnight_db", "lden_db", "lex_8h_db",
                                "laeq_30min_max_db", "laeq_60min_max_start"}) {
            EXPECT_EQ(a.at(key).is_null(), !dba) << key;
        }
    }
}

TEST(Assessment, optionsOutOfRangeOrInconsistent_nameTheirOption) {
    const struct {
        CDayPeriod Day, Evening, Night;
        double NightPenalty;
        double EventTime;
        std::string Option;  // empty: no problem
    } cases[] = {
        // clang-format off
        {{7, 19}, {19, 23}, {23, 7}, 10, 60, ""},
        {{0, 12}, {12, 18}, {18, 24}, 0, 0, ""},
        {{7, 25}, {19, 23}, {23, 7}, 10, 60, "--day"},
        {{7, 19}, {19, 19}, {23, 7}, 10, 60, "--evening"},
        {{6, 19}, {19, 23}, {23, 7}, 10, 60, "--night"},    // hours 6 to 7 twice
        {{7, 18}, {19, 23}, {23, 7}, 10, 60, "--evening"},  // hour 18 in none
        {{7, 20}, {20, 19}, {19, 7}, 10, 60, "--night"},    // round the clock and more
        {{7, 19}, {19, 23}, {23, 7}, 10, -5, "--event-time"},
        // clang-format on
    };
    for (const auto& c : cases) {
        CAssessmentOptions options;
        options.Day = c.Day;
        options.Evening = c.Evening;
        options.Night = c.Night;
        options.NightPenaltyDb = c.NightPenalty;
        options.EventMinimumS = c.EventTime;
        const std::string problem = OptionsProblem(options);
        EXPECT_EQ(problem.substr(0, c.Option.size()), c.Option) << problem;
        EXPECT_EQ(problem.empty(), c.Option.empty()) << problem;
    }
    for (const char* refused : {"7", "-7", "07-19h", "07-"}) {
        EXPECT_FALSE(ParseDayPeriod(refused)) << refused;
    }
    EXPECT_EQ(ParseDayPeriod("23-07")->Hours(), 8);
}

TEST(Assessment, json_holdsExactlyTheNamedKeys) {
    // The loudest half hour and the loudest hour start at different times.
    const CMeasurementRecord record =
        RecordOfLevels(Runs({{30, 85.0f}, {30, 90.0f}, {180, 70.0f}}), JUNE_5, 60.0f);
    const nlohmann::json a = AssessmentJson(record);
    const auto keys = [](const nlohmann::json& o) {
        std::string names;
        for (const auto& item : o.items()) {
            names += item.key() + ' ';
        }
        return names;
    };
    EXPECT_EQ(keys(a),
              "dose events laeq_30min_max_db laeq_30min_max_start laeq_60min_max_db "
              "laeq_60min_max_start lday_db lden_db levening_db lex_8h_db lnight_db ");
    EXPECT_TRUE(a.at("lden_db").is_null());
    ASSERT_EQ(a.at("dose").size(), 2u);
    EXPECT_EQ(keys(a.at("dose")[1]),
              "criterion_db dose_pct exchange_db projected_8h_pct threshold_db ");
    EXPECT_EQ(a.at("dose")[1].at("threshold_db"), 80.0);
    ASSERT_EQ(a.at("events").size(), 1u);
    EXPECT_EQ(keys(a.at("events")[0]), "end leq_db lmax_db start ");
    const std::pair<const char*, nlohmann::json> sliding[] = {
        {"laeq_30min_max_db", 90.0},
        {"laeq_30min_max_start", "2014-06-05T14:32:07+02:00"},
        {"laeq_60min_max_db", 10 * std::log10((std::pow(10.0, 8.5) + 1e9) / 2)},
        {"laeq_60min_max_start", "2014-06-05T14:02:07+02:00"}};
    for (const auto& [key, value] : sliding) {
        if (value.is_number()) {
            EXPECT_NEAR(a.at(key).get<double>(), value.get<double>(), 1e-6) << key;
        } else {
            EXPECT_EQ(a.at(key), value) << key;
        }
    }
}

}  // namespace
