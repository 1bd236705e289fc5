#pragma once

#include <iosfwd>

class CMeasurementRecord;
struct CAssessmentOptions;

// The noise assessment report of a record, three A4 pages: the measurement and its levels, the
// environmental and occupational figures; the event figures and the loud stretches; the chart
// of the energy average of each hour and the distribution of the levels. A figure that the
// record is too short for reads "not enough readings".
inline constexpr int ASSESSMENT_REPORT_PAGES = 3;

// The report as a PDF written to `out`; false when the PDF could not be made or not every byte
// reached the stream.
bool WriteAssessmentPdf(std::ostream& out, const CMeasurementRecord& record,
                        const CAssessmentOptions& options);
