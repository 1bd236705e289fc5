#include "export/AcousticStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "document/CMeasurementRecord.h"
#include "platform/LocalTime.h"

namespace {

std::optional<double> FiniteOrNone(double value) {
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
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

void CLevelCounts::Add(float level) {
    ++m_count;
    const double tenths = std::nearbyint(static_cast<double>(level) * 10.0);
    if (tenths >= 0.0 && tenths < TENTHS && static_cast<float>(tenths / 10.0) == level) {
        m_tenths.resize(TENTHS);
        ++m_tenths[static_cast<std::size_t>(tenths)];
    } else {
        ++m_others[level];
    }
}

std::optional<double> CLevelCounts::Exceeded(int percent) const {
    if (m_count == 0) {
        return std::nullopt;
    }
    const std::int64_t position = (percent * m_count + 99) / 100;
    // The table and the other levels, merged from the highest level down.
    auto other = m_others.rbegin();
    auto tenth = static_cast<std::ptrdiff_t>(m_tenths.size()) - 1;
    for (std::int64_t passed = 0;;) {
        while (tenth >= 0 && m_tenths[static_cast<std::size_t>(tenth)] == 0) {
            --tenth;
        }
        const double tenthLevel = static_cast<double>(tenth) / 10.0;
        if (tenth >= 0 &&
            (other == m_others.rend() || static_cast<float>(tenthLevel) > other->first)) {
            passed += m_tenths[static_cast<std::size_t>(tenth--)];
            if (passed >= position) {
                return tenthLevel;
            }
        } else {
            passed += other->second;
            if (passed >= position) {
                return DecimalOf(other->first);
            }
            ++other;
        }
    }
}

struct CStatisticsAccumulator::CState {
    CAcousticStatistics Header;
    float AlarmHigh = 0.0f;
    float AlarmLow = 0.0f;
    std::int32_t Count = 0;
    CEnergyAverage Energy;
    CHourTable Hours;
    CLevelCounts Levels;
    std::int32_t AboveHigh = 0;
    std::int32_t BelowLow = 0;
    float Highest = 0.0f;
    float Lowest = 0.0f;
    double Sum = 0.0;  // readings near the largest float overflow a float sum
};

CStatisticsAccumulator::CStatisticsAccumulator(const CMeasurementRecord& record)
    : m_state(std::make_unique<CState>()) {
    CAcousticStatistics& s = m_state->Header;
    s.IntervalS = DecimalOf(record.SampleInterval);
    s.IsDBA = record.IsDBA != 0;
    s.AlarmHighDb = DecimalOf(record.AlarmHigh);
    s.AlarmLowDb = DecimalOf(record.AlarmLow);
    m_state->AlarmHigh = record.AlarmHigh;
    m_state->AlarmLow = record.AlarmLow;
}

CStatisticsAccumulator::~CStatisticsAccumulator() = default;
CStatisticsAccumulator::CStatisticsAccumulator(CStatisticsAccumulator&&) noexcept = default;
CStatisticsAccumulator& CStatisticsAccumulator::operator=(CStatisticsAccumulator&&) noexcept =
    default;

void CStatisticsAccumulator::Add(std::time_t time, float level) {
    CState& a = *m_state;
    ++a.Count;
    a.Hours.Add(time, level);
    if (!std::isfinite(level)) {
        return;
    }
    const bool first = a.Energy.Count() == 0;
    a.Energy.Add(level);
    a.Highest = first ? level : std::max(a.Highest, level);
    a.Lowest = first ? level : std::min(a.Lowest, level);
    a.Sum += level;
    a.Levels.Add(level);
    a.AboveHigh += level >= a.AlarmHigh ? 1 : 0;
    a.BelowLow += level <= a.AlarmLow ? 1 : 0;
}

CAcousticStatistics CStatisticsAccumulator::Result() const {
    const CState& a = *m_state;
    CAcousticStatistics s = a.Header;
    s.Count = a.Count;
    s.DurationS = a.Count * s.IntervalS;
    s.AboveHighS = a.AboveHigh * s.IntervalS;
    s.BelowLowS = a.BelowLow * s.IntervalS;
    s.Hourly = a.Hours.Rows();

    s.LeqDb = a.Energy.Leq();
    s.ReadingsWithLevel = a.Energy.Count();
    // The exposure is the energy of the readings that give a level, over the time they cover.
    const double levelSeconds = s.ReadingsWithLevel * s.IntervalS;
    if (s.LeqDb && levelSeconds > 0.0) {
        s.SelDb = FiniteOrNone(*s.LeqDb + 10.0 * std::log10(levelSeconds));
    }
    s.L10Db = a.Levels.Exceeded(10);
    s.L50Db = a.Levels.Exceeded(50);
    s.L90Db = a.Levels.Exceeded(90);
    if (s.ReadingsWithLevel > 0) {
        s.MaxDb = DecimalOf(a.Highest);
        s.MinDb = DecimalOf(a.Lowest);
        s.MeanDb = FiniteOrNone(
            DecimalOf(static_cast<float>(a.Sum / static_cast<double>(s.ReadingsWithLevel))));
    }
    return s;
}

CAcousticStatistics ComputeAcousticStatistics(const CMeasurementRecord& record, std::int32_t first,
                                              std::int32_t count) {
    const std::int32_t held = ReadingCount(record);
    first = std::clamp(first, 0, held);
    count = std::clamp(count, 0, held - first);
    CStatisticsAccumulator statistics(record);
    for (std::int32_t i = first; i < first + count; ++i) {
        statistics.Add(record.SampleTime(i), record.Levels[static_cast<std::size_t>(i)]);
    }
    return statistics.Result();
}

CAcousticStatistics ComputeAcousticStatistics(const CMeasurementRecord& record) {
    return ComputeAcousticStatistics(record, 0, record.SampleCount);
}
