#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "export/ExportFiles.h"

class CDTDoc;
class CFileChooser;
class CPrompt;

// File > Export > CSV... and Excel Workbook...: the file dialog, then the export written whole
// or not at all; a failure says which file.
void RunExportCommand(const CDTDoc& doc, ExportFormat format, CFileChooser& chooser,
                      CPrompt& prompt);

// The name the assessment report proposes: the measurement file's own, else the day the
// measurement began, "2014-06-05 assessment".
std::string AssessmentReportName(const CDTDoc& doc);

// File > Export > Assessment Report...: the file dialog, then the report's PDF written whole
// or not at all, with the default periods, penalties and limits. The file written, if any.
std::optional<std::filesystem::path> RunAssessmentReportCommand(const CDTDoc& doc,
                                                                CFileChooser& chooser,
                                                                CPrompt& prompt);
