// The printed reports' pages: how many, which rows each holds, where every text stands, and
// that a page draws the same whatever was printed before it.

#include <QPainter>

#include <gtest/gtest.h>

#include <ostream>
#include <streambuf>

#include "document/CDTDoc.h"
#include "graph/CDataListModel.h"
#include "graph/ReportPages.h"
#include "tests/QtTestEnvironment.h"
#include "tests/document/ExampleRecord.h"

namespace {

TEST(ReportPages, listPagesHoldThirtyRowsThenThirtySixEach) {
    const struct {
        std::int64_t Rows;
        int Pages;
        int Page;
        std::int64_t First;  // 0-based
        std::int64_t End;
    } cases[] = {
        {0, 1, 1, 0, 0},       {1, 1, 1, 0, 1},
        {30, 1, 1, 0, 30},     {31, 2, 2, 30, 31},
        {66, 2, 2, 30, 66},    {67, 3, 3, 66, 67},
        {200, 6, 3, 66, 102},  {200, 6, 6, 174, 200},
        {200, 6, 7, 200, 200}, {129920, 3610, 3610, 129918, 129920},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListReportPageCount(c.Rows), c.Pages) << c.Rows << " rows";
        const CPageRows rows = ListPageRows(c.Page, c.Rows);
        EXPECT_EQ(rows.First, c.First) << c.Rows << " rows, page " << c.Page;
        EXPECT_EQ(rows.End, c.End) << c.Rows << " rows, page " << c.Page;
    }
}

TEST(ReportPages, headerLines_joinThePanelTextsExactly) {
    CMeasurementRecord record = ExampleRecord(200, 0.5f);
    record.ModeText = "RT";
    const auto lines = ReportHeaderLines(record);
    EXPECT_EQ(lines[0],
              "Start Time: 05/06/14 14:02:07   Samprate: 500 ms   Data number: 200   Unit: dBA"
              "   Speed: FAST   Mode: RT");
    EXPECT_EQ(lines[1],
              "Sound MAX: 74.9 @14:03:46 05/06/14  Sound MIN: 55.0 @14:02:07 05/06/14"
              "  Sound AVG: 64.95 ");
}

// A report over a record of 200 readings on a page 5000 × 4200 pixels: text height W and
// line height M are both 100.
class ReportPage : public ::testing::Test {
protected:
    ReportPage() {
        m_doc.ReplaceRecord(ExampleRecord(200), DocumentChange::Downloaded);
        m_table.TakeStaleCount();
    }

    CReport Report(GraphDisplay kind, bool panelShown = true) const {
        return CReport{.Kind = kind,
                       .Record = m_doc.Record(),
                       .Table = m_table,
                       .InfoPanelShown = panelShown,
                       .Graph = {},
                       .PrintedAt = m_doc.Record().StartTime};
    }

    static const CReportText* TextAt(const CReportPage& page, int x, int y) {
        for (const CReportText& text : page.Texts) {
            if (text.X == x && text.Y == y) {
                return &text;
            }
        }
        return nullptr;
    }

    // The text standing at (x, y), or "(none)".
    static QString Text(const CReportPage& page, int x, int y) {
        const CReportText* text = TextAt(page, x, y);
        return text ? text->Text : QStringLiteral("(none)");
    }

    CDTDoc m_doc;
    CDataListModel m_table{m_doc};
};

TEST_F(ReportPage, listFirstPage_titleHeaderRuleColumnsThirtyRowsAndFooter) {
    const CReportPage page = ComposeReportPage(Report(GraphDisplay::ListReport), 5000, 4200, 1);
    EXPECT_FALSE(page.Graph);
    EXPECT_EQ(page.WhiteBand, QRect(0, 0, 5000, 1050));
    EXPECT_EQ(page.TitleHeight, 200);
    EXPECT_EQ(page.TextHeight, 100);
    EXPECT_EQ(Text(page, 1900, 0), "Test Report");
    EXPECT_EQ(TextAt(page, 1900, 0)->Font, ReportFont::Title);
    const auto header = ReportHeaderLines(m_doc.Record());
    EXPECT_EQ(Text(page, 0, 300), QString::fromStdString(header[0]));
    EXPECT_EQ(Text(page, 0, 500), QString::fromStdString(header[1]));
    ASSERT_EQ(page.Rules.size(), 1u);
    EXPECT_EQ(page.Rules[0], QLine(0, 750, 5000, 750));

    // Columns at 6W, 14W, 24W and 32W; the headers at 6M + 2W, the rows from 7M + 2W down.
    const int columns[] = {600, 1400, 2400, 3200};
    const QStringList headers = {"No.", "Time", "Sound", "Unit"};
    const QStringList firstRow = {"1", "05/06/14 14:02:07", "55.0", "dBA"};
    const QStringList lastRow = {"30", "05/06/14 14:02:36", "57.9", "dBA"};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Text(page, columns[k], 800), headers[k]);
        EXPECT_EQ(Text(page, columns[k], 900), firstRow[k]);
        EXPECT_EQ(Text(page, columns[k], 3800), lastRow[k]);
    }
    EXPECT_EQ(Text(page, 2000, 4100), "05/06/14  page1");
    EXPECT_EQ(page.Texts.size(), 1u + 2u + 4u + 30u * 4u + 1u);
    for (const CReportText& text : page.Texts) {
        EXPECT_EQ(text.Color, QColor(Qt::black)) << text.Text.toStdString();
    }
}

TEST_F(ReportPage, listLaterPages_holdTheirRowsBelowTheColumnHeaders) {
    const struct {
        int Page;
        const char* FirstNumber;
        const char* LastNumber;
        int LastY;
        const char* Footer;
    } cases[] = {
        {3, "67", "102", 3900, "05/06/14  page3"},   // (35 + 2) M + 2W
        {6, "175", "200", 2900, "05/06/14  page6"},  // 26 rows
    };
    for (const auto& c : cases) {
        const CReportPage page =
            ComposeReportPage(Report(GraphDisplay::ListReport), 5000, 4200, c.Page);
        EXPECT_EQ(Text(page, 1900, 0), "Test Report") << c.Page;
        EXPECT_EQ(Text(page, 0, 300), "(none)") << "no header lines on page " << c.Page;
        EXPECT_TRUE(page.Rules.empty()) << c.Page;
        EXPECT_EQ(Text(page, 600, 300), "No.") << c.Page;
        EXPECT_EQ(Text(page, 3200, 300), "Unit") << c.Page;
        EXPECT_EQ(Text(page, 600, 400), c.FirstNumber) << c.Page;
        EXPECT_EQ(Text(page, 600, c.LastY), c.LastNumber) << c.Page;
        EXPECT_EQ(Text(page, 600, c.LastY + 100), "(none)") << c.Page;
        EXPECT_EQ(Text(page, 2000, 4100), c.Footer) << c.Page;
    }
}

TEST_F(ReportPage, graphPage_titleAndHeaderAboveTheGraph_orAWhiteTitleAloneWithoutThePanel) {
    // H = 3500: the title font H / 35 = 100 high, the text font H / 50 = 70.
    const CReportPage shown = ComposeReportPage(Report(GraphDisplay::Graph), 3500, 4900, 1);
    EXPECT_TRUE(shown.Graph);
    EXPECT_TRUE(shown.WhiteBand.isEmpty());
    EXPECT_EQ(shown.TitleHeight, 100);
    EXPECT_EQ(shown.TextHeight, 70);
    const auto header = ReportHeaderLines(m_doc.Record());
    ASSERT_EQ(shown.Texts.size(), 3u);
    EXPECT_EQ(Text(shown, 1450, 0), "Test Report");
    EXPECT_EQ(TextAt(shown, 1450, 0)->Color, QColor(Qt::black));
    EXPECT_EQ(Text(shown, 0, 150), QString::fromStdString(header[0]));
    EXPECT_EQ(Text(shown, 0, 290), QString::fromStdString(header[1]));

    const CReportPage hidden = ComposeReportPage(Report(GraphDisplay::Graph, false), 3500, 4900, 1);
    ASSERT_EQ(hidden.Texts.size(), 1u);
    EXPECT_EQ(Text(hidden, 1450, 120), "Test Report");
    EXPECT_EQ(TextAt(hidden, 1450, 120)->Color, QColor(Qt::white));
    EXPECT_EQ(Report(GraphDisplay::Graph).PageCount(), 1);
    EXPECT_EQ(Report(GraphDisplay::ListReport).PageCount(), 6);
}

// 200 readings: the first 80 down the first group, the next 80 down the second, 40 in the third;
// 400 readings to a page.
TEST_F(ReportPage, tablePage_columnGroupsFilledTopToBottomThenLeftToRight) {
    EXPECT_EQ(std::vector({TableReportPageCount(0), TableReportPageCount(400),
                           TableReportPageCount(401), TableReportPageCount(129920)}),
              std::vector({1, 1, 2, 325}));
    const CReportPage page = ComposeReportPage(Report(GraphDisplay::TableReport), 8500, 12000, 1);
    const int t = 100;
    const int pitch = (12000 - 15 * t / 2 - 3 * t) / TABLE_ROWS;
    const struct {
        int X;
        int Y;
        const char* Text;
    } cases[] = {
        // clang-format off
        {0, 6 * t, "No."}, {4 * t, 6 * t, "Time"}, {13 * t, 6 * t, "Sound"}, {0, 750, "1"},
        {0, 750 + 79 * pitch, "80"}, {1700, 750, "81"}, {3400, 750 + 39 * pitch, "200"},
        {3400 + 4 * t, 750, "05/06/14 14:04:47"}, {3400, 750 + 40 * pitch, "(none)"},
        {5100, 6 * t, "(none)"},  // no fourth group
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(page, c.X, c.Y), c.Text) << c.X << ", " << c.Y;
    }
}

TEST_F(ReportPage, aPageDrawsTheSame_whateverThePainterDrewBefore) {
    const CReport report = Report(GraphDisplay::ListReport);
    const auto draw = [&report](QPainter& painter, int number) {
        painter.fillRect(painter.window(), Qt::white);
        DrawReportPage(painter, ComposeReportPage(report, 1000, 1414, number), report.Graph);
    };
    QImage alone(1000, 1414, QImage::Format_RGB32);
    {
        QPainter painter(&alone);
        draw(painter, 3);
    }
    // Pages 1 to 4 in order, and the preview stepping back from page 4 to page 3.
    for (const std::vector<int>& before : {std::vector{1, 2}, std::vector{4}}) {
        QImage image(1000, 1414, QImage::Format_RGB32);
        QPainter painter(&image);
        for (const int number : before) {
            draw(painter, number);
        }
        draw(painter, 3);
        painter.end();
        EXPECT_EQ(image, alone) << "after page " << before.back();
    }
    // The page has text in each column and no ink right of the last one's texts.
    const auto inkIn = [&alone](int left, int right) {
        int ink = 0;
        for (int y = 0; y < alone.height(); ++y) {
            for (int x = left; x < right; ++x) {
                ink += qGray(alone.pixel(x, y)) < 128 ? 1 : 0;
            }
        }
        return ink;
    };
    EXPECT_GT(inkIn(120, 180), 0);   // "No." at 6W = 120
    EXPECT_GT(inkIn(280, 340), 0);   // "Time" at 14W = 280
    EXPECT_EQ(inkIn(900, 1000), 0);  // past "Unit" at 32W = 640
}

// A stream whose device takes `room` bytes and then fails, as a full disk does.
class CFullDiskBuffer : public std::streambuf {
public:
    explicit CFullDiskBuffer(std::streamsize room) : m_room(room) {}
    std::streamsize Refused = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        const std::streamsize taken = std::min(count, m_room);
        m_room -= taken;
        Refused += count - taken;
        return taken;
    }
    int_type overflow(int_type c) override {
        return xsputn(nullptr, 1) == 1 ? c : traits_type::eof();
    }

private:
    std::streamsize m_room;
};

TEST_F(ReportPage, aPdfThatCannotBeWrittenWhole_isReportedAsFailed) {
    const CReport report = Report(GraphDisplay::ListReport);
    CFullDiskBuffer roomy(1 << 30);
    std::ostream whole(&roomy);
    EXPECT_TRUE(WriteReportPdf(whole, report, 1, 6));
    EXPECT_EQ(roomy.Refused, 0);

    CFullDiskBuffer full(4000);
    std::ostream cut(&full);
    EXPECT_FALSE(WriteReportPdf(cut, report, 1, 6));
    EXPECT_GT(full.Refused, 0) << "the disk filled up while the PDF was written";
}

}  // namespace
