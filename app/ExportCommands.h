#pragma once

#include "export/ExportFiles.h"

class CDTDoc;
class CFileChooser;
class CPrompt;

// File > Export > CSV... and Excel Workbook...: the file dialog, then the export written whole
// or not at all; a failure says which file.
void RunExportCommand(const CDTDoc& doc, ExportFormat format, CFileChooser& chooser,
                      CPrompt& prompt);

// File > Export > Assessment Report...: the file dialog, then the report's PDF written whole
// or not at all, with the default periods, penalties and limits.
void RunAssessmentReportCommand(const CDTDoc& doc, CFileChooser& chooser, CPrompt& prompt);
