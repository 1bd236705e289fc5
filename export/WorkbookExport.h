#pragma once

#include <filesystem>

class CMeasurementRecord;

// The measurement as a spreadsheet workbook (.xlsx) written by libxlsxwriter straight to
// `file`: a sheet "Readings" with a header row (No., Time, Level (dBA) or Level (dBC)) and one
// row per reading, times as date-time cells and levels as numbers; a sheet "Summary" with the
// info panel's fields, the statistics, the hourly table and a line chart of the level against
// time. False when the workbook could not be written.
bool WriteWorkbook(const CMeasurementRecord& record, const std::filesystem::path& file);
