#include "export/StatisticsJson.h"

#include <nlohmann/json.hpp>

#include "export/AcousticStatistics.h"
#include "platform/LocalTime.h"

namespace {

nlohmann::json Level(const std::optional<double>& level) {
    return level ? nlohmann::json(*level) : nlohmann::json(nullptr);
}

}  // namespace

std::string StatisticsJson(const CAcousticStatistics& s) {
    nlohmann::json hourly = nlohmann::json::array();
    for (const CHourlyLeq& hour : s.Hourly) {
        hourly.push_back({{"start", IsoLocalTime(hour.Start)},
                          {"count", hour.Count},
                          {"leq_db", Level(hour.LeqDb)}});
    }
    const nlohmann::json object = {
        {"count", s.Count},
        {"readings_with_level", s.ReadingsWithLevel},
        {"interval_s", s.IntervalS},
        {"duration_s", s.DurationS},
        {"weighting", s.IsDBA ? "A" : "C"},
        {"leq_db", Level(s.LeqDb)},
        {"sel_db", Level(s.SelDb)},
        {"l10_db", Level(s.L10Db)},
        {"l50_db", Level(s.L50Db)},
        {"l90_db", Level(s.L90Db)},
        {"max_db", Level(s.MaxDb)},
        {"min_db", Level(s.MinDb)},
        {"mean_db", Level(s.MeanDb)},
        {"alarm_high_db", s.AlarmHighDb},
        {"alarm_low_db", s.AlarmLowDb},
        {"above_high_s", s.AboveHighS},
        {"below_low_s", s.BelowLowS},
        {"hourly", hourly},
    };
    return object.dump(2);
}
