#include "graph/CReportPrinter.h"

#include <algorithm>

#include <QProgressDialog>

#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CPrintDialogs.h"
#include "graph/ReportPages.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"

namespace {

constexpr int PROGRESS_DELAY_MS = 500;

}  // namespace

CReportPrinter::CReportPrinter(CDTDoc& doc, CDTView& view) : m_doc(doc), m_view(view) {
    m_printer.setDocName(QStringLiteral("Test Report"));
    // Never inside the printer's own printable area: the printer keeps its least margins.
    m_printer.setPageMargins(REPORT_PAGE_MARGINS_MM, QPageLayout::Millimeter);
}

void CReportPrinter::Print(CPrintDialogs& dialogs, CPrompt& prompt) {
    const CReport report = MakeReport();
    if (dialogs.ConfirmPrint(m_printer, report.PageCount())) {
        Render(m_printer, report, prompt);
    }
}

void CReportPrinter::Preview(CPrintDialogs& dialogs, CPrompt& prompt) {
    const CReport report = MakeReport();
    // The preview shows every page; a range chosen for an earlier job does not carry over.
    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setFromTo(0, 0);
    dialogs.Preview(m_printer,
                    [this, &report, &prompt](QPrinter& target) { Render(target, report, prompt); });
}

void CReportPrinter::PageSetup(CPrintDialogs& dialogs) {
    dialogs.PageSetup(m_printer);
}

CReport CReportPrinter::MakeReport() {
    CDataListModel& table = m_view.DataList().Model();
    table.TakeStaleCount();
    const CGraphState& state = m_view.State();
    return CReport{.Kind = state.DisplayState,
                   .Record = m_doc.Record(),
                   .Table = table,
                   .InfoPanelShown = state.PanelHeight != 0,
                   .Graph = m_view.PrinterScene(),
                   .PrintedAt = CurrentTime()};
}

void CReportPrinter::Render(QPrinter& printer, const CReport& report, CPrompt& prompt) {
    const auto [first, last] = PagesToPrint(printer, report.PageCount());
    QProgressDialog progress(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0,
                             last - first + 1, &m_view);
    progress.setWindowTitle(QStringLiteral("Datalogger"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(PROGRESS_DELAY_MS);
    const bool printed =
        PrintReportPages(printer, report, first, last, [&progress](int printedPages, int) {
            progress.setValue(printedPages);
            return !progress.wasCanceled();
        });
    if (!printed) {
        prompt.Message("Could not start print job.", PromptIcon::Error);
    }
}

std::pair<int, int> PagesToPrint(const QPrinter& printer, int pageCount) {
    if (printer.printRange() != QPrinter::PageRange || printer.fromPage() < 1) {
        return {1, pageCount};
    }
    const int first = std::min(printer.fromPage(), pageCount);
    const int last =
        printer.toPage() < 1 ? pageCount : std::clamp(printer.toPage(), first, pageCount);
    return {first, last};
}
