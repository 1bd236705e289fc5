#pragma once

#include <cstdint>
#include <string>

class CMeasurementRecord;

// Two hours of levels from a chosen reading, as the level window assesses them.
struct CLevelAssessment {
    std::int32_t First = 0;  // 1-based, the readings assessed
    std::int32_t Last = 0;
    float Max = 0.0f;
    double Average = 0.0;
    bool ShortOfTwoHours = false;  // the record ends before two hours are up

    bool MaxAlarm() const { return Max >= 135.0f; }
    bool AverageAlarm() const { return Average >= 99.0; }
};

// The readings from `first` (1-based; kept below the last reading, so that at least two are
// assessed when the record has them) to two hours later, or to the end of the record. Needs a
// record with at least one reading.
CLevelAssessment AssessTwoHours(const CMeasurementRecord& record, std::int32_t first);

// "94.3 dB"
std::string AssessedLevelText(double level);
