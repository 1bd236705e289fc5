#include "station/IntervalLevels.h"

#include <cmath>

#include "export/AcousticStatistics.h"
#include "platform/LocalTime.h"

namespace {

constexpr std::int64_t MS_PER_SECOND = 1000;

// The interval of the local clock that holds `timeMs`, cut where the clock changes its offset.
LocalClockInterval IntervalOf(std::int64_t timeMs, std::int64_t lengthMs) {
    const std::int64_t seconds =
        timeMs >= 0 ? timeMs / MS_PER_SECOND : (timeMs - (MS_PER_SECOND - 1)) / MS_PER_SECOND;
    return LocalClockIntervalOf(static_cast<std::time_t>(seconds),
                                static_cast<int>(lengthMs / MS_PER_SECOND));
}

}  // namespace

std::optional<int> ParseIntervalLength(std::string_view text) {
    static constexpr std::pair<std::string_view, int> LENGTHS[] = {
        {"1m", 60}, {"5m", 300}, {"10m", 600}, {"15m", 900}, {"30m", 1800}, {"1h", 3600}};
    for (const auto& [name, seconds] : LENGTHS) {
        if (text == name) {
            return seconds;
        }
    }
    return std::nullopt;
}

CIntervalGatherer::CIntervalGatherer(int lengthSeconds, float sampleInterval, bool isDBA)
    : m_lengthMs(std::int64_t{lengthSeconds} * MS_PER_SECOND),
      m_sampleMs(std::llround(sampleInterval * 1000.0)) {
    m_open.IsDBA = isDBA;
    m_readings.SampleInterval = sampleInterval;
    m_readings.IsDBA = isDBA ? 1 : 0;
}

std::optional<CIntervalLevels> CIntervalGatherer::Add(std::int64_t timeMs, float level) {
    std::optional<CIntervalLevels> completed;
    if (m_readings.SampleCount > 0 && timeMs >= m_open.EndMs) {
        completed = Close();
    }
    if (m_readings.SampleCount == 0) {
        const LocalClockInterval interval = IntervalOf(timeMs, m_lengthMs);
        m_open.StartMs = std::int64_t{interval.Start} * MS_PER_SECOND;
        m_open.EndMs = std::int64_t{interval.End} * MS_PER_SECOND;
        m_firstMs = timeMs;
    }
    m_lastMs = timeMs;
    m_readings.Levels.push_back(level);
    ++m_readings.SampleCount;
    return completed;
}

std::optional<CIntervalLevels> CIntervalGatherer::Finish() {
    if (m_readings.SampleCount == 0) {
        return std::nullopt;
    }
    return Close();
}

CIntervalLevels CIntervalGatherer::Close() {
    const CAcousticStatistics statistics = ComputeAcousticStatistics(m_readings);
    CIntervalLevels levels = m_open;
    levels.Partial =
        m_firstMs - m_open.StartMs >= m_sampleMs || m_open.EndMs - m_lastMs > m_sampleMs;
    levels.Count = statistics.Count;
    levels.CountWithLevel = statistics.ReadingsWithLevel;
    levels.LeqDb = statistics.LeqDb;
    levels.LmaxDb = statistics.MaxDb;
    levels.LminDb = statistics.MinDb;
    levels.L10Db = statistics.L10Db;
    levels.L50Db = statistics.L50Db;
    levels.L90Db = statistics.L90Db;
    m_readings.Levels.clear();
    m_readings.SampleCount = 0;
    return levels;
}
