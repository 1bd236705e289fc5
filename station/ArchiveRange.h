#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/AcousticStatistics.h"
#include "export/Assessment.h"
#include "station/ArchiveQueries.h"

// The readings of a time range read as one series across the runs they belong to, once, in
// time order, with memory that stays the same whatever the range: what the command line, a
// window or a web page ask of an archive.

// Why a range could not be read as asked: the range itself, which a narrower one mends, or
// the archive.
struct CRangeProblem {
    bool Archive = false;
    std::string Text;
};

struct CArchiveFigures {
    std::size_t Runs = 0;  // the runs that overlap the range
    CAcousticStatistics Statistics;
    CAssessment Assessment;
};

// The statistics and the assessment of the range's readings, judged by the interval and
// weighting of their runs and by the alarm levels; empty with `problem` when the runs differ
// in rate or weighting or the archive cannot be read.
std::optional<CArchiveFigures> ArchiveFigures(CArchiveDatabase& db, const CArchiveRange& range,
                                              const CAlarmSettings& alarms, CRangeProblem& problem);

// Writes the range's readings as the csv command writes a measurement's, numbered from 1
// across runs, each with its own time (the runs' gaps stay gaps) and its run's weighting.
// False with `problem` when the archive cannot be read or the file cannot be written (then
// `problem.Text` is empty: the caller names the file).
bool WriteArchiveCsv(CArchiveDatabase& db, const CArchiveRange& range, const std::string& file,
                     CRangeProblem& problem);

// The range's readings as the record of one real-time run, as if the program had watched it:
// what a .sound file or a workbook holds. Empty with `problem` when they belong to more than
// one run or are more than a record holds.
std::optional<CMeasurementRecord> ArchivedMeasurement(CArchiveDatabase& db,
                                                      const CArchiveRange& range,
                                                      const CAlarmSettings& alarms,
                                                      CRangeProblem& problem);
