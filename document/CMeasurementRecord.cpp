#include "document/CMeasurementRecord.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Statistics start values: every level a download can bring lies between them.
constexpr float MAX_START = 0.0f;
constexpr float MIN_START = 150.0f;

// An interval from a damaged or edited file must not wrap the clock around.
constexpr double OFFSET_LIMIT_S = 1.0e15;

std::string LevelAtTime(float level, std::time_t time) {
    return LevelText(level, 1) + " @" + FormatLocalTime(time, "%H:%M:%S %d/%m/%y");
}

}  // namespace

void CMeasurementRecord::ReplaceSeries(std::int32_t capacity) {
    std::vector<float> series(static_cast<std::size_t>(capacity > 0 ? capacity : 0));
    Levels.swap(series);
}

std::time_t CMeasurementRecord::SampleTime(std::int64_t index) const {
    const float offset = static_cast<float>(index) * SampleInterval;
    if (!(offset > -OFFSET_LIMIT_S && offset < OFFSET_LIMIT_S)) {
        return StartTime;
    }
    return StartTime + static_cast<std::time_t>(offset);
}

std::int64_t CMeasurementRecord::SampleTimeMs(std::int64_t index) const {
    const double offset = static_cast<double>(index) * SampleInterval;
    const std::int64_t start = static_cast<std::int64_t>(StartTime) * 1000;
    if (!(offset > -OFFSET_LIMIT_S && offset < OFFSET_LIMIT_S)) {
        return start;
    }
    return start + std::llround(offset * 1000.0);
}

void CMeasurementRecord::RecomputeStatistics() {
    float max = MAX_START;
    float min = MIN_START;
    float sum = 0.0f;
    // A series that never reaches the start values still shows a time: the start time.
    std::time_t maxTime = StartTime;
    std::time_t minTime = StartTime;
    for (std::int32_t i = 0; i < SampleCount; ++i) {
        const float level = Levels[static_cast<std::size_t>(i)];
        if (level >= max) {
            max = level;
            maxTime = SampleTime(i);
        }
        if (level <= min) {
            min = level;
            minTime = SampleTime(i);
        }
        sum += level;
    }
    MaxText = LevelAtTime(max, maxTime);
    MinText = LevelAtTime(min, minTime);
    const float mean = SampleCount > 0 ? sum / static_cast<float>(SampleCount) : 0.0f;
    AvgText = LevelText(mean, 2) + " ";
    Info.SoundMax = MaxText;
    Info.SoundMin = MinText;
    Info.SoundAvg = AvgText;
}

void CMeasurementRecord::DeriveTextsAfterLoad() {
    Info.StartTime = StartTimeText(StartTime);
    Info.SampleRate = SampleRateText(SampleInterval);
    Info.DataNo = std::to_string(SampleCount);
    Info.SoundMax = MaxText;
    Info.SoundMin = MinText;
    Info.SoundAvg = AvgText;
    Info.Unit = UnitText(IsDBA);
    Info.Speed = SpeedText(IsFast);
}

std::array<CInfoField, 11> InfoPanelFields(const CMeasurementRecord& r) {
    return {{{"Start Time", r.Info.StartTime},
             {"Sample Rate", r.Info.SampleRate},
             {"DataNo.", r.Info.DataNo},
             {"Unit", r.Info.Unit},
             {"Speed", r.Info.Speed},
             {"Mode", r.ModeText},
             {"Sound MAX", r.Info.SoundMax},
             {"MIN", r.Info.SoundMin},
             {"AVG", r.Info.SoundAvg},
             {"Sound Alarm Hi", r.AlarmHighText},
             {"Sound Alarm Low", r.AlarmLowText}}};
}

std::string StartTimeText(std::time_t time) {
    return FormatLocalTime(time, "%d/%m/%y %H:%M:%S");
}

std::string SampleRateText(float sampleInterval) {
    char text[64];
    if (sampleInterval >= 1.0f) {
        std::snprintf(text, sizeof text, "%.0f s", static_cast<double>(sampleInterval));
    } else {
        std::snprintf(text, sizeof text, "%.0f ms", static_cast<double>(sampleInterval * 1000));
    }
    return text;
}

std::string UnitText(std::uint8_t isDBA) {
    return isDBA ? "dBA" : "dBC";
}

std::string SpeedText(std::uint8_t isFast) {
    return isFast ? "FAST" : "SLOW";
}

void AppendLevelText(std::string& out, float level) {
    // The same digits as "%.1f". Ten times a float is exact in double precision, so rounding
    // it to an integer (ties to even, as printf rounds) gives the digits.
    const double tenths = std::nearbyint(static_cast<double>(level) * 10.0);
    if (!(std::fabs(tenths) < 1e15)) {
        out += LevelText(level, 1);
        return;
    }
    if (std::signbit(level)) {
        out += '-';
    }
    const auto magnitude = static_cast<std::uint64_t>(std::fabs(tenths));
    out += std::to_string(magnitude / 10);
    out += '.';
    out += static_cast<char>('0' + magnitude % 10);
}

std::string LevelText(double level, int decimals) {
    if (!std::isfinite(level)) {
        return NO_LEVEL_TEXT;
    }
    // The digits of "%.*f" with the point whatever the locale: a window under a locale with a
    // decimal comma shows one separator, the point of the info panel, in all its numbers.
    char text[400];  // the largest double with its decimals
    const auto written = std::to_chars(text, text + sizeof text, level, std::chars_format::fixed,
                                       std::clamp(decimals, 0, 17));
    return std::string(text, written.ptr);
}

std::int32_t ReadingCount(const CMeasurementRecord& record) {
    return std::clamp(record.SampleCount, 0, record.Capacity());
}
