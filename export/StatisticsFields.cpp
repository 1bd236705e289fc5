#include "export/StatisticsFields.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "document/CMeasurementRecord.h"
#include "export/AcousticStatistics.h"
#include "platform/LocalTime.h"

namespace {

constexpr const char* NO_VALUE = "-";

CStatisticsField LevelField(std::string label, const std::optional<double>& level) {
    return {std::move(label), LevelFieldText(level), CStatisticsField::Kind::Level, level};
}

CStatisticsField DurationField(std::string label, double seconds) {
    return {std::move(label), DurationText(seconds), CStatisticsField::Kind::Duration, seconds};
}

}  // namespace

std::string LevelFieldText(const std::optional<double>& level) {
    return level ? LevelText(*level, 1) + " dB" : NO_VALUE;
}

std::string DurationText(double seconds) {
    // Beyond the range of a long long (an absurd interval in a damaged file) no hours fit.
    constexpr double LONGEST = 9.0e18;
    if (!(seconds >= 0.0 && seconds < LONGEST)) {
        return NO_VALUE;
    }
    const auto whole = static_cast<long long>(std::llround(seconds));
    char text[64];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}

std::string DurationWordsText(double seconds) {
    const std::string clock = DurationText(seconds);
    if (clock == NO_VALUE) {
        return clock;
    }
    const auto whole = std::llround(seconds);
    std::string text;
    if (whole >= 3600) {
        text = std::to_string(whole / 3600) + " h ";
    }
    if (whole >= 60) {
        text += std::to_string(whole / 60 % 60) + " min ";
    }
    return text + std::to_string(whole % 60) + " s";
}

std::string LeqLabel(const CAcousticStatistics& s) {
    return s.IsDBA ? "LAeq" : "LCeq";
}

std::vector<CStatisticsField> StatisticsFields(const CAcousticStatistics& s) {
    const std::string weighting = s.IsDBA ? "A" : "C";
    // As "%g", with the point whatever the locale.
    char interval[64];
    const auto written = std::to_chars(interval, interval + sizeof interval - 3, s.IntervalS,
                                       std::chars_format::general, 6);
    std::memcpy(written.ptr, " s", 3);
    return {
        {"Readings", std::to_string(s.Count), CStatisticsField::Kind::Count, s.Count},
        {"Interval", interval, CStatisticsField::Kind::Text, s.IntervalS},
        DurationField("Duration", s.DurationS),
        {"Weighting", weighting, CStatisticsField::Kind::Text, std::nullopt},
        LevelField(LeqLabel(s), s.LeqDb),
        LevelField("SEL", s.SelDb),
        LevelField("L" + weighting + "10", s.L10Db),
        LevelField("L" + weighting + "50", s.L50Db),
        LevelField("L" + weighting + "90", s.L90Db),
        LevelField("Highest", s.MaxDb),
        LevelField("Lowest", s.MinDb),
        LevelField("Arithmetic mean", s.MeanDb),
        LevelField("Alarm high", s.AlarmHighDb),
        LevelField("Alarm low", s.AlarmLowDb),
        DurationField("Time at or above alarm high", s.AboveHighS),
        DurationField("Time at or below alarm low", s.BelowLowS),
    };
}

std::string HourlyLabel(const CAcousticStatistics& s, const CHourlyLeq& hour) {
    return LeqLabel(s) + " from " + IsoLocalTime(hour.Start);
}

std::string HourlyText(const CHourlyLeq& hour) {
    return LevelFieldText(hour.LeqDb) + " (" + std::to_string(hour.Count) +
           (hour.Count == 1 ? " reading)" : " readings)");
}
