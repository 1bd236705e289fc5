#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class CMeasurementRecord;

// The energy average of the readings of one hour of the local clock.
struct CHourlyLeq {
    std::time_t Start = 0;   // the first second of the hour at its UTC offset, which tells
                             // apart the two hours of the same name when daylight saving time
                             // ends; later than the whole hour when the offset changed within it
    std::int32_t Count = 0;  // readings taken in the hour
    std::optional<double> LeqDb;
};

// How noise is judged: by its energy average and by the levels exceeded for part of the time,
// beside the highest, lowest and mean reading the info panel shows. A level is empty when no
// reading gives one.
struct CAcousticStatistics {
    std::int32_t Count = 0;
    std::int32_t ReadingsWithLevel = 0;  // the readings that give a level
    double IntervalS = 0.0;
    double DurationS = 0.0;  // Count × IntervalS
    bool IsDBA = true;
    std::optional<double> LeqDb;
    std::optional<double> SelDb;  // Leq + 10 log10(time of the readings with a level): their
                                  // energy in one second
    std::optional<double> L10Db;  // exceeded for 10 % of the time
    std::optional<double> L50Db;
    std::optional<double> L90Db;
    std::optional<double> MaxDb;
    std::optional<double> MinDb;
    std::optional<double> MeanDb;  // arithmetic, as the info panel's AVG
    double AlarmHighDb = 0.0;
    double AlarmLowDb = 0.0;
    double AboveHighS = 0.0;  // time at or above the alarm high level
    double BelowLowS = 0.0;   // time at or below the alarm low level
    std::vector<CHourlyLeq> Hourly;
};

// The statistics of `count` readings from `first` (0-based), limited to the readings the record
// holds. Readings without a level a meter gives (not a number, infinite) count for the time they
// cover but not in the levels.
CAcousticStatistics ComputeAcousticStatistics(const CMeasurementRecord& record, std::int32_t first,
                                              std::int32_t count);
CAcousticStatistics ComputeAcousticStatistics(const CMeasurementRecord& record);

// The statistics of readings given one at a time in time order, as a long archive is read:
// memory grows with the clock hours and the distinct levels, not with the readings.
class CStatisticsAccumulator {
public:
    // The interval, weighting and alarm levels are the record's; its readings are not read.
    explicit CStatisticsAccumulator(const CMeasurementRecord& record);
    ~CStatisticsAccumulator();
    CStatisticsAccumulator(CStatisticsAccumulator&&) noexcept;
    CStatisticsAccumulator& operator=(CStatisticsAccumulator&&) noexcept;

    // A reading taken in the second `time`; a level that is not finite gives none.
    void Add(std::time_t time, float level);
    CAcousticStatistics Result() const;

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};

// How many readings gave each level, for the levels exceeded for a share of the time: exact
// whatever their number. Tenths of a decibel, the meter's own resolution, are counted in one
// table over the levels meters measure; any other level is counted apart.
class CLevelCounts {
public:
    void Add(float level);
    // LN: with the levels sorted from highest to lowest, the one at position ceil(N × n / 100),
    // counted from 1, as the decimal it was written as; empty without levels.
    std::optional<double> Exceeded(int percent) const;

private:
    static constexpr int TENTHS = 2001;  // 0.0 to 200.0 dB
    std::vector<std::int64_t> m_tenths;  // sized at the first tenth counted
    std::map<float, std::int64_t> m_others;
    std::int64_t m_count = 0;
};

// The energy average 10 log10((1/n) Σ 10^(Li/10)) of levels added one by one, kept relative
// to the highest level so far so that no level overflows the sum.
class CEnergyAverage {
public:
    void Add(double level);
    std::int32_t Count() const { return m_count; }
    std::optional<double> Leq() const;

private:
    std::int32_t m_count = 0;
    double m_reference = 0.0;  // the highest level added
    double m_sum = 0.0;        // Σ 10^((Li − reference)/10)
};

// A reading held in single precision as the decimal it was written as: 55.1f gives 55.1, not
// 55.099998474121094.
double DecimalOf(float level);
