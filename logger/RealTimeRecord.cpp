#include "logger/RealTimeRecord.h"

#include <cstdio>

#include "logger/LoggerProtocol.h"
#include "logger/MemoryDecoding.h"
#include "platform/CProfile.h"

namespace {

std::string WholeDecibels(float level) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(level));
    return text;
}

}  // namespace

std::optional<CMeasurementRecord> PrepareRealTimeRecord(std::uint8_t statusByte,
                                                        const CAlarmSettings& alarms,
                                                        const CMeasurementRecord& previous) {
    const int rateCode = statusByte & STATUS_RATE_MASK;
    if (!IsRateCode(rateCode)) {
        return std::nullopt;
    }
    CMeasurementRecord r;
    r.StartTime = previous.StartTime;
    r.Info.StartTime = previous.Info.StartTime;
    r.IsDBA = (statusByte & STATUS_DBA) ? 1 : 0;
    r.IsFast = (statusByte & STATUS_FAST) ? 1 : 0;
    r.ModeText = "RT";
    r.AlarmHigh = static_cast<float>(LeadingInteger(alarms.HighText));
    r.AlarmLow = static_cast<float>(LeadingInteger(alarms.LowText));
    r.AlarmHighText = WholeDecibels(r.AlarmHigh);
    r.AlarmLowText = WholeDecibels(r.AlarmLow);
    r.SampleInterval = static_cast<float>(RateInterval(rateCode));
    r.ReplaceSeries(REAL_TIME_CAPACITY);
    r.SampleCount = 0;

    r.Info.Unit = UnitText(r.IsDBA);
    r.Info.Speed = LoggerSpeedText(r.IsFast, r.SampleInterval);
    r.Info.SampleRate = SampleRateText(r.SampleInterval);
    return r;
}
