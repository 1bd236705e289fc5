#pragma once

#include <filesystem>
#include <string>

class CMeasurementRecord;

enum class ExportFormat {
    Csv,       // comma-separated readings (CsvExport.h)
    Workbook,  // a spreadsheet workbook (WorkbookExport.h)
};

// Writes the measurement to `file` in the format, through a temporary file that replaces
// `file` only when it is complete: a failure leaves what was there before, and no partial file.
[[nodiscard]] bool ExportToFile(const CMeasurementRecord& record, ExportFormat format,
                                const std::filesystem::path& file);

// What the user is told when an export could not be written.
std::string ExportFailedMessage(const std::filesystem::path& file);
