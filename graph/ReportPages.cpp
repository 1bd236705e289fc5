#include "graph/ReportPages.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <ostream>

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include "dialogs/display/LocalText.h"
#include "document/CMeasurementRecord.h"
#include "graph/GraphPainter.h"
#include "platform/LocalTime.h"

namespace {

constexpr const char* TITLE = "Test Report";
constexpr int MAX_HEADER_CHARACTERS = 100;
constexpr int HIDDEN_PANEL_TITLE_Y = 120;
constexpr int PDF_RESOLUTION = 1200;  // dots per inch, as Qt's own PDF printer

// The report's face: "Arial" (Liberation Sans), weight 200, sized so that its cell (ascent
// and descent) is `cellHeight` pixels tall on the page's device.
QFont ReportFontOf(int cellHeight, QPaintDevice* device) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::ExtraLight);
    constexpr int PROBE_SIZE = 1000;
    font.setPixelSize(PROBE_SIZE);
    const double cellPerPixel = QFontMetricsF(font, device).height() / PROBE_SIZE;
    font.setPixelSize(std::max(static_cast<int>(std::lround(cellHeight / cellPerPixel)), 1));
    return font;
}

void AddText(CReportPage& page, int x, int y, ReportFont font, QString text,
             QColor color = Qt::black) {
    page.Texts.push_back({x, y, font, color, std::move(text)});
}

void ComposeGraphPage(CReportPage& page, const CReport& report) {
    const int h = page.Width;
    page.Graph = true;
    page.TitleHeight = h / 35;
    page.TextHeight = h / 50;
    const int titleX = h / 2 - (3 * h) / 35;
    if (!report.InfoPanelShown) {
        AddText(page, titleX, HIDDEN_PANEL_TITLE_Y, ReportFont::Title, TITLE, Qt::white);
        return;
    }
    AddText(page, titleX, 0, ReportFont::Title, TITLE);
    const auto header = ReportHeaderLines(report.Record);
    const int firstLineY = (3 * (h / 35)) / 2;
    AddText(page, 0, firstLineY, ReportFont::Text, FromLocalText(header[0]));
    AddText(page, 0, firstLineY + 2 * (h / 50), ReportFont::Text, FromLocalText(header[1]));
}

void ComposeListPage(CReportPage& page, const CReport& report, int number) {
    const int h = page.Width;
    const int v = page.Height;
    const int w = h / 50;
    const int m = v / 42;
    const bool first = number == 1;
    page.WhiteBand = QRect(0, 0, h, v / 4);
    page.TitleHeight = 2 * w;
    page.TextHeight = w;
    AddText(page, h / 2 - 6 * w, 0, ReportFont::Title, TITLE);
    if (first) {
        const auto header = ReportHeaderLines(report.Record);
        AddText(page, 0, 2 * w + m, ReportFont::Text, FromLocalText(header[0]));
        AddText(page, 0, 2 * w + 3 * m, ReportFont::Text, FromLocalText(header[1]));
        const int ruleY = static_cast<int>(5.5 * m + 2 * w);
        page.Rules.emplace_back(0, ruleY, h, ruleY);
    }

    // Each column stands two text heights per header character further right than the one
    // before it, counting its own header.
    const QAbstractItemModel& table = report.Table;
    std::vector<int> columnX;
    int characters = 0;
    for (int k = 0; k < table.columnCount(); ++k) {
        const QString header =
            table.headerData(k, Qt::Horizontal).toString().left(MAX_HEADER_CHARACTERS);
        characters += static_cast<int>(header.size());
        columnX.push_back(2 * w * characters);
        AddText(page, columnX.back(), first ? 6 * m + 2 * w : 2 * w + m, ReportFont::Text, header);
    }
    const CPageRows rows = ListPageRows(number, table.rowCount());
    const std::int64_t firstLine = first ? 7 : 2;
    for (std::int64_t r = rows.First; r < rows.End; ++r) {
        const int y = static_cast<int>((r - rows.First + firstLine) * m + 2 * w);
        for (int k = 0; k < static_cast<int>(columnX.size()); ++k) {
            const QString cell = table.data(table.index(static_cast<int>(r), k)).toString();
            AddText(page, columnX[static_cast<std::size_t>(k)], y, ReportFont::Text, cell);
        }
    }
    const std::string footer =
        FormatLocalTime(report.PrintedAt, "%d/%m/%y") + "  page" + std::to_string(number);
    AddText(page, h / 2 - 5 * w, v - m, ReportFont::Text, QString::fromStdString(footer));
}

// Column groups of the list's first three columns (the unit is in the header). In text
// heights t = H / 85 from each group's left edge: the number, the time, the level.
void ComposeTablePage(CReportPage& page, const CReport& report, int number) {
    constexpr int TEXT_HEIGHTS_ACROSS = 85;
    constexpr int GROUP_COLUMNS[] = {0, 4, 13};
    const int h = page.Width;
    const int v = page.Height;
    const int t = h / TEXT_HEIGHTS_ACROSS;
    page.TitleHeight = 2 * t;
    page.TextHeight = t;
    AddText(page, h / 2 - 6 * t, 0, ReportFont::Title, TITLE);
    if (number == 1) {
        const auto header = ReportHeaderLines(report.Record);
        AddText(page, 0, 5 * t / 2, ReportFont::Text, FromLocalText(header[0]));
        AddText(page, 0, 4 * t, ReportFont::Text, FromLocalText(header[1]));
    }
    const int ruleY = 11 * t / 2;
    page.Rules.emplace_back(0, ruleY, h, ruleY);
    const int firstRowY = 15 * t / 2;
    const int pitch = (v - firstRowY - 3 * t) / TABLE_ROWS;
    const QAbstractItemModel& table = report.Table;
    const std::int64_t rows = table.rowCount();
    const std::int64_t pageFirst = std::int64_t{number - 1} * TABLE_ROWS * TABLE_GROUPS;
    for (int group = 0; group < TABLE_GROUPS; ++group) {
        const int groupX = group * h / TABLE_GROUPS;
        const std::int64_t first = pageFirst + std::int64_t{group} * TABLE_ROWS;
        if (first >= rows && group > 0) {
            break;
        }
        for (int k = 0; k < static_cast<int>(std::size(GROUP_COLUMNS)); ++k) {
            const int x = groupX + GROUP_COLUMNS[k] * t;
            AddText(page, x, 6 * t, ReportFont::Text,
                    table.headerData(k, Qt::Horizontal).toString());
            for (std::int64_t r = first; r < std::min(first + TABLE_ROWS, rows); ++r) {
                const int y = firstRowY + static_cast<int>(r - first) * pitch;
                AddText(page, x, y, ReportFont::Text,
                        table.data(table.index(static_cast<int>(r), k)).toString());
            }
        }
    }
    const std::string footer =
        FormatLocalTime(report.PrintedAt, "%d/%m/%y") + "  page" + std::to_string(number);
    AddText(page, h / 2 - 5 * t, v - 3 * t / 2, ReportFont::Text, QString::fromStdString(footer));
}

// A PDF writer's output device over a standard stream.
class CStreamDevice : public QIODevice {
public:
    explicit CStreamDevice(std::ostream& out) : m_out(out) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        m_out.write(data, static_cast<std::streamsize>(size));
        return m_out ? size : -1;
    }

private:
    std::ostream& m_out;
};

}  // namespace

int ListReportPageCount(std::int64_t rows) {
    if (rows <= FIRST_PAGE_ROWS) {
        return 1;
    }
    return static_cast<int>(1 + (rows - FIRST_PAGE_ROWS + LATER_PAGE_ROWS - 1) / LATER_PAGE_ROWS);
}

int TableReportPageCount(std::int64_t rows) {
    constexpr std::int64_t PER_PAGE = std::int64_t{TABLE_ROWS} * TABLE_GROUPS;
    return static_cast<int>(std::max<std::int64_t>(1, (rows + PER_PAGE - 1) / PER_PAGE));
}

CPageRows ListPageRows(int page, std::int64_t rows) {
    if (page < 1) {
        return {};
    }
    const std::int64_t first =
        page == 1 ? 0 : FIRST_PAGE_ROWS + std::int64_t{page - 2} * LATER_PAGE_ROWS;
    const std::int64_t end = page == 1 ? FIRST_PAGE_ROWS : first + LATER_PAGE_ROWS;
    const std::int64_t shown = std::max<std::int64_t>(rows, 0);
    return {std::min(first, shown), std::min(end, shown)};
}

std::array<std::string, 2> ReportHeaderLines(const CMeasurementRecord& record) {
    const CInfoTexts& info = record.Info;
    return {"Start Time: " + info.StartTime + "   Samprate: " + info.SampleRate +
                "   Data number: " + info.DataNo + "   Unit: " + info.Unit +
                "   Speed: " + info.Speed + "   Mode: " + record.ModeText,
            "Sound MAX: " + info.SoundMax + "  Sound MIN: " + info.SoundMin +
                "  Sound AVG: " + info.SoundAvg};
}

int CReport::PageCount() const {
    switch (Kind) {
        case GraphDisplay::ListReport:
            return ListReportPageCount(Table.rowCount());
        case GraphDisplay::TableReport:
            return TableReportPageCount(Table.rowCount());
        default:
            return 1;
    }
}

CReportPage ComposeReportPage(const CReport& report, int width, int height, int page) {
    CReportPage composed;
    composed.Width = width;
    composed.Height = height;
    if (report.Kind == GraphDisplay::ListReport) {
        ComposeListPage(composed, report, page);
    } else if (report.Kind == GraphDisplay::TableReport) {
        ComposeTablePage(composed, report, page);
    } else {
        ComposeGraphPage(composed, report);
    }
    return composed;
}

void DrawReportPage(QPainter& painter, const CReportPage& page, const CGraphScene& graph) {
    painter.resetTransform();
    if (page.Graph && graph.ClientWidth > 0 && graph.ClientHeight > 0) {
        CGraphPainter().DrawOnPage(painter, graph, QRectF(0, 0, page.Width, page.Height));
    }
    if (!page.WhiteBand.isEmpty()) {
        painter.fillRect(page.WhiteBand, Qt::white);
    }
    painter.setPen(QPen(Qt::black, 0));
    for (const QLine& rule : page.Rules) {
        painter.drawLine(rule);
    }
    const QFont title = ReportFontOf(page.TitleHeight, painter.device());
    const QFont text = ReportFontOf(page.TextHeight, painter.device());
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const CReportText& item : page.Texts) {
        const QFont& font = item.Font == ReportFont::Title ? title : text;
        painter.setFont(font);
        painter.setPen(item.Color);
        const double ascent = QFontMetricsF(font, painter.device()).ascent();
        painter.drawText(QPointF(item.X, item.Y + ascent), item.Text);
    }
}

bool PrintReportPages(QPagedPaintDevice& device, const CReport& report, int first, int last,
                      const PageProgress& progress) {
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    const int total = last - first + 1;
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage()) {
            return false;
        }
        DrawReportPage(painter, ComposeReportPage(report, device.width(), device.height(), page),
                       report.Graph);
        if (progress && !progress(page - first + 1, total)) {
            break;
        }
    }
    return painter.end();
}

bool WriteReportPdf(std::ostream& out, const CReport& report, int first, int last,
                    const PageProgress& progress) {
    CStreamDevice stream(out);
    QPdfWriter pdf(&stream);
    pdf.setTitle(QString::fromLatin1(TITLE));
    pdf.setCreator(QStringLiteral("Datalogger"));
    pdf.setResolution(PDF_RESOLUTION);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  REPORT_PAGE_MARGINS_MM, QPageLayout::Millimeter));
    return PrintReportPages(pdf, report, first, last, progress) && out.good();
}
