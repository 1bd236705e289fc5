#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "platform/LocalTime.h"

// Readings a real-time run can hold, and readings the logger's memory can hold.
inline constexpr std::int32_t REAL_TIME_CAPACITY = 10000;
inline constexpr std::int32_t STORED_CAPACITY = 129920;
// Readings a measurement file may hold: far more than any logger run gives, few enough that
// the graph's working arrays of a full file take tens of megabytes, not gigabytes.
inline constexpr std::int32_t FILE_CAPACITY = 1000000;

// How a level that no meter gives (not a number, infinite) shows in texts and reports.
inline constexpr const char* NO_LEVEL_TEXT = "----";

// The info panel's own texts. Its Mode, Sound Alarm Hi and Sound Alarm Low fields are the
// record's ModeText, AlarmHighText and AlarmLowText.
struct CInfoTexts {
    std::string StartTime;
    std::string SampleRate;
    std::string DataNo;
    std::string Unit;
    std::string Speed;
    std::string SoundMax;
    std::string SoundMin;
    std::string SoundAvg;
};

// The one measurement the program holds: a series of levels taken at a fixed interval from
// a known start time, the header values that describe how the logger took them, and the
// texts derived from them. A download or a file load builds a new record and swaps it in
// whole; a real-time run grows its record one reading at a time.
class CMeasurementRecord {
public:
    // Levels in dB; the first SampleCount entries are valid, the rest is capacity.
    std::vector<float> Levels;
    std::int32_t SampleCount = 0;

    // Start components as last read from a measurement file.
    LocalTimeParts StartParts;
    std::time_t StartTime = 0;    // time of reading 0, whole seconds
    float SampleInterval = 1.0f;  // seconds between two readings

    std::uint8_t IsDBA = 0;     // 1 "dBA", 0 "dBC"
    std::uint8_t IsFast = 0;    // 1 "FAST", 0 "SLOW"
    std::string ModeText;       // "STOR" or "RT", or as stored in a file
    std::string AlarmHighText;  // as shown in the info panel
    std::string AlarmLowText;
    float AlarmHigh = 0.0f;  // dB, drawn as alarm lines
    float AlarmLow = 0.0f;

    std::string MaxText;  // "94.3 @14:02:07 05/06/14"
    std::string MinText;
    std::string AvgText;  // "71.25 "

    CInfoTexts Info;

    // Frees the series and makes room for `capacity` readings; nothing is cleared.
    void ReplaceSeries(std::int32_t capacity);
    std::int32_t Capacity() const { return static_cast<std::int32_t>(Levels.size()); }

    // Reading i was taken at StartTime + trunc(i × SampleInterval) seconds, the product
    // formed in floating point. Every list, report and readout uses this rule.
    std::time_t SampleTime(std::int64_t index) const;
    // The time of reading i to the millisecond, StartTime + i × SampleInterval, for the
    // exports of readings less than a second apart, which SampleTime puts in one second.
    std::int64_t SampleTimeMs(std::int64_t index) const;

    // Maximum, minimum (ties go to the later reading) and mean over the whole series, into
    // MaxText, MinText, AvgText and the info panel's copies.
    void RecomputeStatistics();

    // The info panel texts as the first graph after a file load shows them: start time,
    // sample rate, number of readings, unit, speed ("FAST" or "SLOW") and the statistics
    // texts as stored.
    void DeriveTextsAfterLoad();
};

// Readings the record holds, never more than its capacity: a damaged file may claim more.
std::int32_t ReadingCount(const CMeasurementRecord& record);

// The eleven info panel fields of a record with their labels, in the panel's order.
using CInfoField = std::pair<const char*, const std::string&>;
std::array<CInfoField, 11> InfoPanelFields(const CMeasurementRecord& record);

// Display texts shared by the panel, the report and the list.
std::string StartTimeText(std::time_t time);       // "05/06/14 14:02:07"
std::string SampleRateText(float sampleInterval);  // "500 ms", "2 s"
std::string UnitText(std::uint8_t isDBA);          // "dBA" or "dBC"
std::string SpeedText(std::uint8_t isFast);        // "FAST" or "SLOW"
// A level with the given number of decimals ("55.1"), or NO_LEVEL_TEXT.
std::string LevelText(double level, int decimals);
// Appends LevelText(level, 1), without the cost of general formatting for the many readings
// of a report or an export.
void AppendLevelText(std::string& out, float level);
