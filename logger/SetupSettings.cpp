#include "logger/SetupSettings.h"

#include <algorithm>
#include <string>

#include "document/CMeasurementRecord.h"
#include "platform/CProfile.h"

namespace {

constexpr int RATE_50MS = 1;
constexpr int DEFAULT_RATE_CODE = 3;  // "1s"

std::uint8_t LedCycleShown(std::uint8_t stored) {
    return (stored == 0 || stored == 20 || stored == 30) ? stored : 10;
}

}  // namespace

int LimitPoints(int points, bool realTime) {
    return std::clamp(points, 1, realTime ? REAL_TIME_CAPACITY : STORED_CAPACITY);
}

int LimitAlarmLevel(int level) {
    return std::clamp(level, ALARM_LEVEL_MIN, ALARM_LEVEL_MAX);
}

int LimitCalibration(int value) {
    return std::clamp(value, CALIBRATION_MIN, CALIBRATION_MAX);
}

SetupFields SetupFieldsFromSettings(const CFrameSettings& settings) {
    SetupFields fields;
    fields.LedCycle = LedCycleShown(settings.LedCycle);
    fields.ManualStart = settings.AutoStart != 1;
    fields.Dba = settings.Dba != 0;
    fields.Fast = settings.Fast != 0;
    const int rateCode = settings.SampleRateIndex + 1;
    fields.RateCode =
        static_cast<std::uint8_t>(IsRateCode(rateCode) ? rateCode : DEFAULT_RATE_CODE);
    fields.RealTime = settings.RealTimeMode == 1 || fields.RateCode == RATE_50MS;
    fields.Points = static_cast<std::uint32_t>(
        LimitPoints(LeadingInteger(settings.SamplePoints), fields.RealTime));
    fields.AlarmLow = static_cast<std::uint8_t>(LimitAlarmLevel(LeadingInteger(settings.AlarmLow)));
    fields.AlarmHigh =
        static_cast<std::uint8_t>(LimitAlarmLevel(LeadingInteger(settings.AlarmHigh)));
    return fields;
}

void StoreSetupFields(const SetupFields& fields, CFrameSettings& settings) {
    settings.SampleRateIndex = fields.RateCode - 1;
    settings.SamplePoints = std::to_string(fields.Points);
    settings.AlarmHigh = std::to_string(fields.AlarmHigh);
    settings.AlarmLow = std::to_string(fields.AlarmLow);
    settings.LedCycle = fields.LedCycle;
    settings.AutoStart = fields.ManualStart ? 0 : 1;
    settings.Dba = fields.Dba ? 1 : 0;
    settings.Fast = fields.Fast ? 1 : 0;
    settings.RealTimeMode = fields.RealTime ? 1 : 0;
}
