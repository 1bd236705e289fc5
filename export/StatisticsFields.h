#pragma once

#include <optional>
#include <string>
#include <vector>

struct CAcousticStatistics;
struct CHourlyLeq;

// One line of the statistics as the program shows it: in the command-line tool as
// "Label: text", in the Statistics window as a row, in the workbook as a label and a cell.
struct CStatisticsField {
    enum class Kind { Count, Level, Duration, Text };
    std::string Label;
    std::string Text;  // levels "77.0 dB", times "H:MM:SS", "-" when there is no value
    Kind Type = Kind::Text;
    std::optional<double> Value;  // the number behind the text: dB, seconds or a count
};

// The statistics in the order they are shown, labelled after the record's weighting (LAeq,
// LA10, ... or LCeq, LC10, ...). The hourly table is not among them.
std::vector<CStatisticsField> StatisticsFields(const CAcousticStatistics& statistics);

// "LAeq" or "LCeq".
std::string LeqLabel(const CAcousticStatistics& statistics);

// The label of one hour of the hourly table: "LAeq from 2014-06-05T14:00:00+02:00".
std::string HourlyLabel(const CAcousticStatistics& statistics, const CHourlyLeq& hour);
// Its text: "55.1 dB (2 readings)".
std::string HourlyText(const CHourlyLeq& hour);

// "77.0 dB", or "-" when there is no level.
std::string LevelFieldText(const std::optional<double>& level);
// Seconds as "H:MM:SS", rounded to the second: "0:00:02", "36:00:00".
std::string DurationText(double seconds);
// A duration as a window shows it beside clock times: "19 h 42 min 34 s", "42 min 34 s",
// "34 s"; the units a shorter duration lacks are left out.
std::string DurationWordsText(double seconds);
