#pragma once

#include <string>

struct CAcousticStatistics;
struct CAssessment;

// The statistics' JSON object with the assessment beside them under "assessment": lday_db,
// levening_db, lnight_db, lden_db (null when the record does not span the period), lex_8h_db,
// dose (criterion_db, exchange_db, threshold_db, dose_pct, projected_8h_pct),
// laeq_30min_max_db, laeq_30min_max_start, laeq_60min_max_db, laeq_60min_max_start (null when
// no window has enough readings) and events (start, end, leq_db, lmax_db). All but the events
// are A-weighted figures: null (the doses empty) for a C-weighted record. Times are ISO 8601
// local times with their UTC offset, and their milliseconds when readings are less than a
// second apart.
std::string StatisticsWithAssessmentJson(const CAcousticStatistics& statistics,
                                         const CAssessment& assessment);
