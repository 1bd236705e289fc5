#include "dialogs/display/LevelAssessment.h"

#include <algorithm>

#include "document/CMeasurementRecord.h"

namespace {

constexpr double TWO_HOURS = 7200.0;  // seconds

}  // namespace

CLevelAssessment AssessTwoHours(const CMeasurementRecord& record, std::int32_t first) {
    const std::int32_t count = ReadingCount(record);
    CLevelAssessment assessment;
    assessment.First = std::clamp(first, 1, std::max(count - 1, 1));
    // Readings in two hours; an interval from a damaged file still assesses one reading.
    double perTwoHours = TWO_HOURS / record.SampleInterval;
    if (!(perTwoHours >= 1.0)) {
        perTwoHours = 1.0;
    }
    const auto readings = static_cast<std::int64_t>(std::min(perTwoHours, 1.0e9));
    const std::int64_t last = assessment.First + readings - 1;
    assessment.ShortOfTwoHours = last > count;
    assessment.Last = static_cast<std::int32_t>(std::min<std::int64_t>(last, count));

    double sum = 0.0;
    for (std::int32_t n = assessment.First; n <= assessment.Last; ++n) {
        const float level = record.Levels[static_cast<std::size_t>(n - 1)];
        assessment.Max = std::max(assessment.Max, level);
        sum += level;
    }
    assessment.Average = sum / std::max(assessment.Last - assessment.First + 1, 1);
    return assessment;
}

std::string AssessedLevelText(double level) {
    return LevelText(level, 1) + " dB";
}
