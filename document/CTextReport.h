#pragma once

#include <iosfwd>

class CMeasurementRecord;

// Readings per column group of the text report, and the groups a row can hold.
inline constexpr int REPORT_GROUP_ROWS = 60000;
inline constexpr int REPORT_MAX_GROUPS = 3;

// Writes the tab-separated text report that a spreadsheet opens as a table: the title, the
// header from the info panel texts, then one row per reading in column groups of 60000,
// single-byte text with CR LF line ends. False when the stream failed.
[[nodiscard]] bool WriteTextReport(const CMeasurementRecord& record, std::ostream& out);
