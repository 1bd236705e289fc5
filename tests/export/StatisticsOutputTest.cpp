// The statistics as the program shows them: labelled texts and a JSON object.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>
#include <string>

#include "export/AcousticStatistics.h"
#include "export/StatisticsFields.h"
#include "export/StatisticsJson.h"
#include "tests/export/RecordOfLevels.h"

namespace {

TEST(StatisticsFields, textsOfLevelsAndTimes) {
    EXPECT_EQ(LevelFieldText(77.0329), "77.0 dB");
    EXPECT_EQ(LevelFieldText(-0.04), "-0.0 dB");
    EXPECT_EQ(LevelFieldText(std::nullopt), "-");
    const std::pair<double, const char*> durations[] = {{0.0, "0:00:00"},       {2.0, "0:00:02"},
                                                        {0.5, "0:00:01"},       {3599.6, "1:00:00"},
                                                        {129920.0, "36:05:20"}, {-1.0, "-"}};
    for (const auto& [seconds, text] : durations) {
        EXPECT_EQ(DurationText(seconds), text) << seconds;
    }
    EXPECT_EQ(DurationText(6.8e38), "-") << "more hours than a number holds";
}

TEST(StatisticsFields, labelsFollowTheWeighting) {
    CMeasurementRecord r = RecordOfLevels({60.0f, 80.0f});
    std::string labels;
    for (const CStatisticsField& field : StatisticsFields(ComputeAcousticStatistics(r))) {
        labels += field.Label + "=" + field.Text + "\n";
    }
    EXPECT_EQ(labels,
              "Readings=2\nInterval=1 s\nDuration=0:00:02\nWeighting=A\nLAeq=77.0 dB\n"
              "SEL=80.0 dB\nLA10=80.0 dB\nLA50=80.0 dB\nLA90=60.0 dB\nHighest=80.0 dB\n"
              "Lowest=60.0 dB\nArithmetic mean=70.0 dB\nAlarm high=70.0 dB\nAlarm low=50.0 dB\n"
              "Time at or above alarm high=0:00:01\nTime at or below alarm low=0:00:00\n");

    r.IsDBA = 0;
    const CAcousticStatistics c = ComputeAcousticStatistics(r);
    const auto fields = StatisticsFields(c);
    EXPECT_EQ(fields[3].Text, "C");
    EXPECT_EQ(fields[4].Label, "LCeq");
    EXPECT_EQ(fields[6].Label, "LC10");
    ASSERT_EQ(c.Hourly.size(), 1u);
    EXPECT_EQ(HourlyLabel(c, c.Hourly[0]), "LCeq from 2014-06-05T14:00:00+02:00");
    EXPECT_EQ(HourlyText(c.Hourly[0]), "77.0 dB (2 readings)");
}

TEST(StatisticsJson, exactlyTheKeysWithUnroundedNumbers) {
    const nlohmann::json full = nlohmann::json::parse(
        StatisticsJson(ComputeAcousticStatistics(RecordOfLevels({60.0f, 80.0f}, JUNE_5, 0.05f))));
    std::set<std::string> keys;
    for (const auto& [key, value] : full.items()) {
        keys.insert(key);
    }
    EXPECT_EQ(keys,
              (std::set<std::string>{"count", "readings_with_level", "interval_s", "duration_s",
                                     "weighting", "leq_db", "sel_db", "l10_db", "l50_db", "l90_db",
                                     "max_db", "min_db", "mean_db", "alarm_high_db", "alarm_low_db",
                                     "above_high_s", "below_low_s", "hourly"}));
    EXPECT_EQ(full["count"], 2);
    EXPECT_EQ(full["readings_with_level"], 2);
    EXPECT_EQ(full["interval_s"].get<double>(), 0.05) << "the interval as the setting reads";
    EXPECT_EQ(full["duration_s"].get<double>(), 0.1);
    EXPECT_EQ(full["weighting"], "A");
    EXPECT_NEAR(full["leq_db"].get<double>(), 77.03291, 1e-5);
    EXPECT_NE(full["leq_db"].get<double>(), 77.0) << "not rounded";
    EXPECT_NEAR(full["sel_db"].get<double>(), 77.03291 - 10.0, 1e-5);
    EXPECT_EQ(full["l90_db"].get<double>(), 60.0);
    EXPECT_EQ(full["above_high_s"].get<double>(), 0.05);
    ASSERT_EQ(full["hourly"].size(), 1u);
    EXPECT_EQ(full["hourly"][0]["start"], "2014-06-05T14:00:00+02:00");
    EXPECT_EQ(full["hourly"][0]["count"], 2);

    const nlohmann::json empty =
        nlohmann::json::parse(StatisticsJson(ComputeAcousticStatistics(RecordOfLevels({}))));
    EXPECT_EQ(empty["count"], 0);
    for (const char* level :
         {"leq_db", "sel_db", "l10_db", "l50_db", "l90_db", "max_db", "min_db", "mean_db"}) {
        EXPECT_TRUE(empty[level].is_null()) << level;
    }
    EXPECT_EQ(empty["hourly"], nlohmann::json::array());
}

}  // namespace
