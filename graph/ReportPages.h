#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include <QColor>
#include <QLine>
#include <QMarginsF>
#include <QRect>
#include <QString>

#include "graph/CGraphState.h"
#include "graph/GraphScene.h"

class CMeasurementRecord;
class QAbstractItemModel;
class QPagedPaintDevice;
class QPainter;

// The two printed reports, both titled "Test Report": the graph report, one page of the graph
// with the measurement's header above it, and the list report, the data list's table over as
// many pages as it takes, with the header on the first page and the date and page number at
// the foot of every page. A page is composed as plain data from its size in device pixels and
// then drawn; it depends only on its number, the report and the data, so a range of pages, or
// the preview stepping backwards, shows the same rows on a page as printing them all.

// Rows on the first page of the list report, and on every page after it.
inline constexpr int FIRST_PAGE_ROWS = 30;
inline constexpr int LATER_PAGE_ROWS = 36;

// Pages of the list report of `rows` readings.
int ListReportPageCount(std::int64_t rows);

// The compact table report: the list's number, time and level of each reading in column
// groups side by side, filled top to bottom and then left to right, the same number of rows
// on every page.
inline constexpr int TABLE_ROWS = 80;
inline constexpr int TABLE_GROUPS = 5;
int TableReportPageCount(std::int64_t rows);

// The rows, 0-based from First up to but not including End, that page `page` (1-based) of the
// list report shows out of `rows`; empty for a page beyond the last.
struct CPageRows {
    std::int64_t First = 0;
    std::int64_t End = 0;
};
CPageRows ListPageRows(int page, std::int64_t rows);

// The header lines above the graph and on the list report's first page, from the info
// panel's texts.
std::array<std::string, 2> ReportHeaderLines(const CMeasurementRecord& record);

// Everything a report is printed from.
struct CReport {
    GraphDisplay Kind = GraphDisplay::Graph;  // the list or table report, else the graph
    const CMeasurementRecord& Record;
    const QAbstractItemModel& Table;  // the data list's rows and column headers
    bool InfoPanelShown = true;       // the graph report's header goes with the panel
    CGraphScene Graph;                // the graph as composed for a printer
    std::time_t PrintedAt = 0;        // the date at the foot of a list page

    int PageCount() const;
};

enum class ReportFont { Title, Text };

// A text whose cell has its top-left corner at (X, Y).
struct CReportText {
    int X = 0;
    int Y = 0;
    ReportFont Font = ReportFont::Text;
    QColor Color = Qt::black;
    QString Text;
};

// One printed page as plain data, in the device's pixels.
struct CReportPage {
    int Width = 0;        // the printable width
    int Height = 0;       // the printable height
    bool Graph = false;   // the graph drawn over the whole page first
    QRect WhiteBand;      // filled white before the texts (none when empty)
    int TitleHeight = 0;  // the cell heights of the two fonts
    int TextHeight = 0;
    std::vector<CReportText> Texts;
    std::vector<QLine> Rules;  // one pixel, black
};

// Page `page` (1-based) of the report on a printable area of `width` × `height` pixels.
CReportPage ComposeReportPage(const CReport& report, int width, int height, int page);

// Draws a composed page with `painter`, whose device is the page.
void DrawReportPage(QPainter& painter, const CReportPage& page, const CGraphScene& graph);

// Pages `first` to `last` (1-based, within the report) on a paged device (a printer or a PDF),
// a new page between two. `progress` hears of each page printed and may end the job there by
// returning false. False when the device cannot be painted on.
using PageProgress = std::function<bool(int printed, int total)>;
bool PrintReportPages(QPagedPaintDevice& device, const CReport& report, int first, int last,
                      const PageProgress& progress = {});

// The margins of a report's page unless the user chose others: a page printed to the edge of
// the printable area, or closer to the paper's edge than a printer can reach, loses its frame.
inline const QMarginsF REPORT_PAGE_MARGINS_MM(10.0, 10.0, 10.0, 10.0);

// The same pages as a PDF on A4 paper, within REPORT_PAGE_MARGINS_MM, written to `out`; false when
// the PDF could not be made. Whether every byte reached its file is for the stream's owner to
// check.
bool WriteReportPdf(std::ostream& out, const CReport& report, int first, int last,
                    const PageProgress& progress = {});
