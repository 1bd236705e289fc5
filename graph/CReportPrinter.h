#pragma once

#include <utility>

#include <QPrinter>

class CDTDoc;
class CDTView;
class CPrintDialogs;
class CPrompt;
struct CReport;

// The graph view's printing: prints and previews the report that the view's DisplayState
// names (the list report for ListReport, else the graph report) and keeps the printer, with
// the user's page setup, from one job to the next. A long job shows its progress and can be
// stopped after any page.
class CReportPrinter {
public:
    CReportPrinter(CDTDoc& doc, CDTView& view);

    // The print dialog, then the pages chosen there.
    void Print(CPrintDialogs& dialogs, CPrompt& prompt);
    // The preview window over every page of the report.
    void Preview(CPrintDialogs& dialogs, CPrompt& prompt);
    void PageSetup(CPrintDialogs& dialogs);

private:
    // The report as the view shows it now, with the list's row count brought up to date.
    CReport MakeReport();
    // Prints the pages the printer's range names; a job that cannot start is reported.
    void Render(QPrinter& printer, const CReport& report, CPrompt& prompt);

    CDTDoc& m_doc;
    CDTView& m_view;
    QPrinter m_printer{QPrinter::HighResolution};
};

// The pages (first, last) of a report of `pageCount` pages that `printer` is set to print:
// its page range within the report, or all of them.
std::pair<int, int> PagesToPrint(const QPrinter& printer, int pageCount);
