#include "app/ExportCommands.h"

#include "app/CFileChooser.h"
#include "app/CWaitCursor.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "export/Assessment.h"
#include "platform/CAtomicFile.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"
#include "reports/AssessmentReport.h"

void RunExportCommand(const CDTDoc& doc, ExportFormat format, CFileChooser& chooser,
                      CPrompt& prompt) {
    // The name the Save command would propose, with the format's own extension.
    const auto file = chooser.ChooseExportName(format, DefaultSaveName(CurrentTime()));
    if (!file) {
        return;
    }
    bool exported = false;
    {
        const CWaitCursor wait;
        exported = ExportToFile(doc.Record(), format, *file);
    }
    if (!exported) {
        prompt.Message(ExportFailedMessage(*file), PromptIcon::Warning);
    }
}

std::string AssessmentReportName(const CDTDoc& doc) {
    if (!doc.PathName.empty()) {
        return doc.PathName.stem().string();
    }
    return FormatLocalTime(doc.Record().StartTime, "%Y-%m-%d") + " assessment";
}

std::optional<std::filesystem::path> RunAssessmentReportCommand(const CDTDoc& doc,
                                                                CFileChooser& chooser,
                                                                CPrompt& prompt) {
    const auto file = chooser.ChooseReportName(AssessmentReportName(doc));
    if (!file) {
        return std::nullopt;
    }
    bool written = false;
    {
        const CWaitCursor wait;
        CAtomicFile out(*file);
        written = out.Open() && WriteAssessmentPdf(out.Stream(), doc.Record(), {}) && out.Commit();
    }
    if (!written) {
        prompt.Message(ExportFailedMessage(*file), PromptIcon::Warning);
        return std::nullopt;
    }
    return file;
}
