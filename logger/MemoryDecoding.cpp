#include "logger/MemoryDecoding.h"

#include "platform/LocalTime.h"

namespace {

constexpr float UNWEIGHTED_INTERVAL = 0.05f;

// "%d " of an alarm byte: the panel shows a blank after the number.
std::string AlarmText(std::uint8_t level) {
    return std::to_string(level) + " ";
}

}  // namespace

std::vector<float> DecodeLevels(std::span<const std::uint8_t> memory) {
    std::vector<float> levels(memory.size() / 2);
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const unsigned raw = memory[2 * k] | (memory[2 * k + 1] << 8);
        const auto level = static_cast<float>(raw * 0.1);
        levels[k] = level > HIGHEST_STORED_LEVEL && k > 0 ? levels[k - 1] : level;
    }
    return levels;
}

CMeasurementRecord DecodeStoredRecording(const CMemoryImage& image, float previousInterval) {
    const MemoryHeader& header = image.Header;
    CMeasurementRecord r;
    r.Levels = DecodeLevels(image.Memory);
    r.SampleCount = static_cast<std::int32_t>(r.Levels.size());
    r.SampleInterval = IsRateCode(header.RateCode)
                           ? static_cast<float>(RateInterval(header.RateCode))
                           : previousInterval;
    // The logger's clock can hold values that no calendar does (after a flat battery, say);
    // they roll over into a real time, so the readings keep a start time instead of being lost.
    r.StartTime = RolledOverLocalTime(header.Start());
    r.IsDBA = header.Dba;
    r.IsFast = header.Fast;
    r.ModeText = "STOR";
    r.AlarmLow = header.AlarmLow;
    r.AlarmHigh = header.AlarmHigh;
    r.AlarmLowText = AlarmText(header.AlarmLow);
    r.AlarmHighText = AlarmText(header.AlarmHigh);

    r.Info.StartTime = StartTimeText(r.StartTime);
    r.Info.SampleRate = SampleRateText(r.SampleInterval);
    r.Info.DataNo = std::to_string(r.SampleCount);
    r.Info.Unit = UnitText(r.IsDBA);
    r.Info.Speed = LoggerSpeedText(r.IsFast, r.SampleInterval);
    r.RecomputeStatistics();
    return r;
}

std::string LoggerSpeedText(std::uint8_t isFast, float sampleInterval) {
    return sampleInterval == UNWEIGHTED_INTERVAL ? "NONE" : SpeedText(isFast);
}
