#include "export/AssessmentJson.h"

#include <nlohmann/json.hpp>

#include "export/AcousticStatistics.h"
#include "export/Assessment.h"
#include "export/StatisticsJson.h"
#include "platform/LocalTime.h"

namespace {

nlohmann::json Level(const std::optional<double>& level) {
    return level ? nlohmann::json(*level) : nlohmann::json(nullptr);
}

std::string Time(std::int64_t ms, const CAssessment& a) {
    return IsoLocalTimeMs(ms, a.TimesInMilliseconds);
}

nlohmann::json Start(const CSlidingMaximum& maximum, const CAssessment& a) {
    return maximum.LeqDb ? nlohmann::json(Time(maximum.StartMs, a)) : nlohmann::json(nullptr);
}

nlohmann::json AssessmentObject(const CAssessment& a) {
    nlohmann::json doses = nlohmann::json::array();
    for (const CDose& dose : a.Doses) {
        doses.push_back({{"criterion_db", dose.Criterion.CriterionDb},
                         {"exchange_db", dose.Criterion.ExchangeDb},
                         {"threshold_db", Level(dose.Criterion.ThresholdDb)},
                         {"dose_pct", dose.DosePct},
                         {"projected_8h_pct", dose.Projected8hPct}});
    }
    nlohmann::json events = nlohmann::json::array();
    for (const CNoiseEvent& event : a.Events) {
        events.push_back({{"start", Time(event.StartMs, a)},
                          {"end", Time(event.EndMs, a)},
                          {"leq_db", event.LeqDb},
                          {"lmax_db", event.LmaxDb}});
    }
    return {
        {"lday_db", Level(a.Whole.LdayDb)},
        {"levening_db", Level(a.Whole.LeveningDb)},
        {"lnight_db", Level(a.Whole.LnightDb)},
        {"lden_db", Level(a.Whole.LdenDb)},
        {"lex_8h_db", Level(a.Lex8hDb)},
        {"dose", doses},
        {"laeq_30min_max_db", Level(a.Max30Min.LeqDb)},
        {"laeq_30min_max_start", Start(a.Max30Min, a)},
        {"laeq_60min_max_db", Level(a.Max60Min.LeqDb)},
        {"laeq_60min_max_start", Start(a.Max60Min, a)},
        {"events", events},
    };
}

}  // namespace

std::string StatisticsWithAssessmentJson(const CAcousticStatistics& statistics,
                                         const CAssessment& assessment) {
    // The statistics' own object, read back, keeps one writer of their keys.
    nlohmann::json object = nlohmann::json::parse(StatisticsJson(statistics));
    object["assessment"] = AssessmentObject(assessment);
    return object.dump(2);
}
