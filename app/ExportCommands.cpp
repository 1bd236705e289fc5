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

void RunAssessmentReportCommand(const CDTDoc& doc, CFileChooser& chooser, CPrompt& prompt) {
    const auto file = chooser.ChooseReportName(DefaultSaveName(CurrentTime()));
    if (!file) {
        return;
    }
    bool written = false;
    {
        const CWaitCursor wait;
        CAtomicFile out(*file);
        written = out.Open() && WriteAssessmentPdf(out.Stream(), doc.Record(), {}) && out.Commit();
    }
    if (!written) {
        prompt.Message(ExportFailedMessage(*file), PromptIcon::Warning);
    }
}
