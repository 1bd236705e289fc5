#include "export/AcousticStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>

#include "document/CMeasurementRecord.h"
#include "platform/LocalTime.h"

namespace {

std::optional<double> FiniteOrNone(double value) {
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// LN: with the levels sorted from highest to lowest, the one at position ceil(N × n / 100),
// counted from 1.
std::optional<double> LevelExceeded(std::vector<float>& levels, int percent) {
    if (levels.empty()) {
        return std::nullopt;
    }
    const auto n = static_cast<std::int64_t>(levels.size());
    const std::int64_t position = (percent * n + 99) / 100;
    const auto nth = levels.begin() + (position - 1);
    std::nth_element(levels.begin(), nth, levels.end(), std::greater<>());
    return DecimalOf(*nth);
}

// The clock hours the readings fall in: one row for each hour the local clock shows with each
// offset it shows it with, so that the hour repeated when daylight saving time ends gives two
// rows, and an hour cut by a change of offset gives one row on either side of the change.
// Within one row the offset stays the same, so the hour is looked up again only when a
// reading leaves it.
class CHourTable {
public:
    void Add(std::time_t time, float level) {
        if (!(time >= m_hourStart && time < m_hourEnd)) {
            const LocalClockInterval hour = LocalClockIntervalOf(time, 3600);
            m_hourStart = hour.Start;
            m_hourEnd = hour.End;
            m_current = &m_hours[m_hourStart];
        }
        ++m_current->Readings;
        if (std::isfinite(level)) {
            m_current->Energy.Add(level);
        }
    }

    std::vector<CHourlyLeq> Rows() const {
        std::vector<CHourlyLeq> rows;
        for (const auto& [start, hour] : m_hours) {
            rows.push_back({start, hour.Readings, hour.Energy.Leq()});
        }
        return rows;
    }

private:
    struct CHour {
        std::int32_t Readings = 0;
        CEnergyAverage Energy;
    };
    std::map<std::time_t, CHour> m_hours;
    std::time_t m_hourStart = 0;
    std::time_t m_hourEnd = 0;
    CHour* m_current = nullptr;
};

}  // namespace

void CEnergyAverage::Add(double level) {
    if (m_count == 0 || level > m_reference) {
        m_sum = m_count == 0 ? 0.0 : m_sum * std::pow(10.0, (m_reference - level) / 10.0);
        m_reference = level;
    }
    m_sum += std::pow(10.0, (level - m_reference) / 10.0);
    ++m_count;
}

std::optional<double> CEnergyAverage::Leq() const {
    if (m_count == 0) {
        return std::nullopt;
    }
    return FiniteOrNone(m_reference + 10.0 * std::log10(m_sum / m_count));
}

double DecimalOf(float level) {
    char digits[64];
    const auto written = std::to_chars(digits, digits + sizeof digits, level);
    double decimal = level;
    std::from_chars(digits, written.ptr, decimal);
    return decimal;
}

CAcousticStatistics ComputeAcousticStatistics(const CMeasurementRecord& record, std::int32_t first,
                                              std::int32_t count) {
    const std::int32_t held = ReadingCount(record);
    first = std::clamp(first, 0, held);
    count = std::clamp(count, 0, held - first);

    CAcousticStatistics s;
    s.Count = count;
    s.IntervalS = DecimalOf(record.SampleInterval);
    s.DurationS = count * s.IntervalS;
    s.IsDBA = record.IsDBA != 0;
    s.AlarmHighDb = DecimalOf(record.AlarmHigh);
    s.AlarmLowDb = DecimalOf(record.AlarmLow);

    CEnergyAverage energy;
    CHourTable hours;
    std::vector<float> levels;
    levels.reserve(static_cast<std::size_t>(count));
    std::int32_t aboveHigh = 0;
    std::int32_t belowLow = 0;
    float highest = 0.0f;
    float lowest = 0.0f;
    double sum = 0.0;  // readings near the largest float overflow a float sum
    for (std::int32_t i = first; i < first + count; ++i) {
        const float level = record.Levels[static_cast<std::size_t>(i)];
        hours.Add(record.SampleTime(i), level);
        if (!std::isfinite(level)) {
            continue;
        }
        energy.Add(level);
        highest = levels.empty() ? level : std::max(highest, level);
        lowest = levels.empty() ? level : std::min(lowest, level);
        sum += level;
        levels.push_back(level);
        aboveHigh += level >= record.AlarmHigh ? 1 : 0;
        belowLow += level <= record.AlarmLow ? 1 : 0;
    }
    s.AboveHighS = aboveHigh * s.IntervalS;
    s.BelowLowS = belowLow * s.IntervalS;
    s.Hourly = hours.Rows();

    s.LeqDb = energy.Leq();
    s.ReadingsWithLevel = energy.Count();
    // The exposure is the energy of the readings that give a level, over the time they cover.
    const double levelSeconds = s.ReadingsWithLevel * s.IntervalS;
    if (s.LeqDb && levelSeconds > 0.0) {
        s.SelDb = FiniteOrNone(*s.LeqDb + 10.0 * std::log10(levelSeconds));
    }
    s.L10Db = LevelExceeded(levels, 10);
    s.L50Db = LevelExceeded(levels, 50);
    s.L90Db = LevelExceeded(levels, 90);
    if (!levels.empty()) {
        s.MaxDb = DecimalOf(highest);
        s.MinDb = DecimalOf(lowest);
        s.MeanDb =
            FiniteOrNone(DecimalOf(static_cast<float>(sum / static_cast<double>(levels.size()))));
    }
    return s;
}

CAcousticStatistics ComputeAcousticStatistics(const CMeasurementRecord& record) {
    return ComputeAcousticStatistics(record, 0, record.SampleCount);
}
