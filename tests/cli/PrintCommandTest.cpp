// datalogger-cli print: the Print command's pages in a PDF, read back with poppler's tools.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "document/CDTDoc.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/PdfTools.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"
#include "tests/document/ExampleRecord.h"

namespace {

// A measurement file of 200 readings: a list report of six pages.
class CliPrint : public ::testing::Test {
protected:
    CliPrint() {
        CDTDoc doc;
        doc.ReplaceRecord(ExampleRecord(200), DocumentChange::Downloaded);
        EXPECT_TRUE(doc.StoreFile(m_in));
    }

    CToolRun Print(const std::string& pdf, std::vector<std::string> options = {}) const {
        options.insert(options.begin(), {"print", m_in.string(), (m_dir / pdf).string()});
        return RunTool(options);
    }

    // The share of a rectangle's pixels darker than `gray`: text (grey where it is small),
    // lines, the graph's background.
    static double DarkShare(const QImage& image, const QRect& rect, int gray = 100) {
        int dark = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                dark += qGray(image.pixel(x, y)) < gray ? 1 : 0;
            }
        }
        return static_cast<double>(dark) / (rect.width() * rect.height());
    }

    CTempDir m_dir;
    std::filesystem::path m_in = m_dir / "street.sound";
};

TEST_F(CliPrint, graphAndListReports_onA4_renderedShowTheGraphAndTheTable) {
    const CToolRun graph = Print("graph.pdf");
    ASSERT_EQ(graph.Status, 0) << graph.Err;
    EXPECT_TRUE(graph.Out.empty());
    const std::string graphInfo = PdfInfo(m_dir / "graph.pdf");
    EXPECT_NE(graphInfo.find("Pages:           1\n"), std::string::npos) << graphInfo;
    EXPECT_NE(graphInfo.find("Page size:       595 x 842 pts (A4)"), std::string::npos);
    const std::string graphText = PdfPageText(m_dir / "graph.pdf", 1);
    for (const char* words : {"Test Report", "Start Time: 05/06/14 14:02:07", "Data number: 200",
                              "Sound AVG: 64.95", "14:02:07"}) {
        EXPECT_NE(graphText.find(words), std::string::npos) << words << " in\n" << graphText;
    }
    // 40 dpi: 331 × 468 pixels. The title and header stand on white above the graph, whose
    // plot is black; the page's 10 mm margin puts them between about 16 and 50 pixels down.
    const QImage graphPage = RenderPdfPage(m_dir / "graph.pdf", 1, 40, m_dir / "graph.png");
    ASSERT_EQ(graphPage.size(), QSize(331, 468));
    const double headerInk = DarkShare(graphPage, QRect(0, 0, 331, 60));
    EXPECT_GT(headerInk, 0.002);
    EXPECT_LT(headerInk, 0.2);
    EXPECT_GT(DarkShare(graphPage, QRect(60, 180, 200, 150)), 0.6);

    const CToolRun list = Print("list.pdf", {"--report", "list"});
    ASSERT_EQ(list.Status, 0) << list.Err;
    EXPECT_NE(PdfInfo(m_dir / "list.pdf").find("Pages:           6\n"), std::string::npos);
    const std::string firstPage = PdfPageText(m_dir / "list.pdf", 1);
    for (const char* words :
         {"Test Report", "Samprate: 1 s", "Sound MAX: 74.9 @14:05:26 05/06/14", "No.", "Time",
          "Sound", "Unit", "05/06/14 14:02:07", "55.0", "dBA", "page1"}) {
        EXPECT_NE(firstPage.find(words), std::string::npos) << words << " in\n" << firstPage;
    }
    // Black text on white: no graph on a list page.
    const QImage listPage = RenderPdfPage(m_dir / "list.pdf", 1, 40, m_dir / "list.png");
    ASSERT_EQ(listPage.size(), QSize(331, 468));
    EXPECT_LT(DarkShare(listPage, listPage.rect()), 0.05);
    EXPECT_GT(DarkShare(listPage, QRect(94, 90, 50, 325), 200), 0.05);  // the times' column
    EXPECT_EQ(DarkShare(listPage, QRect(250, 90, 80, 325), 200), 0.0);  // right of the units
}

TEST_F(CliPrint, pageThree_holdsRows67To102_whetherAllPagesOrOnlyThreeAndFourArePrinted) {
    ASSERT_EQ(Print("all.pdf", {"--report", "list"}).Status, 0);
    const CToolRun some = Print("some.pdf", {"--report", "list", "--pages", "3-4"});
    ASSERT_EQ(some.Status, 0) << some.Err;
    EXPECT_NE(PdfInfo(m_dir / "some.pdf").find("Pages:           2\n"), std::string::npos);

    const std::string third = PdfPageText(m_dir / "all.pdf", 3);
    EXPECT_EQ(PdfPageText(m_dir / "some.pdf", 1), third);
    std::istringstream lines(third);
    std::vector<int> numbers;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("dBA") != std::string::npos) {
            numbers.push_back(std::atoi(line.c_str()));
        }
    }
    ASSERT_EQ(numbers.size(), 36u) << third;
    EXPECT_EQ(numbers.front(), 67);
    EXPECT_EQ(numbers.back(), 102);
    EXPECT_NE(third.find("page3"), std::string::npos);
    EXPECT_EQ(RenderPdfPage(m_dir / "some.pdf", 1, 30, m_dir / "some.png"),
              RenderPdfPage(m_dir / "all.pdf", 3, 30, m_dir / "all.png"));
}

TEST_F(CliPrint, failures_exitWithTheirStatus_andWriteNothing) {
    const struct {
        std::vector<std::string> Arguments;
        int Status;
        const char* Says;
    } cases[] = {
        {{"print", (m_dir / "missing.sound").string(), (m_dir / "out.pdf").string()},
         2,
         "missing.sound"},
        {{"print", m_in.string(), (m_dir / "no folder" / "out.pdf").string()},
         1,
         "could not be written"},
        {{"print", m_in.string(), (m_dir / "out.pdf").string(), "--pages", "2-2"},
         64,
         "has 1 page; there is no page 2"},
        {{"print", m_in.string(), (m_dir / "out.pdf").string(), "--report", "list", "--pages",
          "6-7"},
         64,
         "has 6 pages; there is no page 7"},
        {{"print", m_in.string(), (m_dir / "out.pdf").string(), "--pages", "4-3"},
         64,
         "FIRST-LAST"},
        {{"print", m_in.string(), (m_dir / "out.pdf").string(), "--pages", "0-1"},
         64,
         "FIRST-LAST"},
        // A page number beyond an int's range is no page of the report, nor a wrapped one.
        {{"print", m_in.string(), (m_dir / "out.pdf").string(), "--report", "list", "--pages",
          "1-4294967298"},
         64,
         "FIRST-LAST"},
        {{"print", m_in.string(), (m_dir / "out.pdf").string(), "--report", "chart"}, 64, "chart"},
        {{"print", m_in.string()}, 64, "OUT"},
    };
    for (const auto& c : cases) {
        const CToolRun run = RunTool(c.Arguments);
        EXPECT_EQ(run.Status, c.Status) << run.Err;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(m_dir / "out.pdf")) << c.Says;
    }
}

// The program itself, started as a shell without a login session starts it (over ssh, in CI):
// no XDG_RUNTIME_DIR. Standard error carries the tool's own messages and nothing of Qt's, and
// the private runtime folder it makes for Qt is gone when it ends.
TEST_F(CliPrint, withoutALoginSession_standardErrorCarriesOnlyTheToolsOwnMessages) {
    const CTempDir temporaryFolder;
    const std::filesystem::path unwritable = m_dir / "no folder" / "out.pdf";
    const struct {
        std::filesystem::path Out;
        std::string Printed;
    } cases[] = {
        {m_dir / "out.pdf", "exit 0\n"},
        {unwritable, "The PDF file \"" + unwritable.string() +
                         "\" could not be written; nothing was written in its place.\nexit 1\n"},
    };
    for (const auto& c : cases) {
        const std::string printed =
            CommandOutput("env -u XDG_RUNTIME_DIR TMPDIR=" + Quoted(temporaryFolder.Path()) + " " +
                          Quoted(DATALOGGER_CLI_PROGRAM) + " print " + Quoted(m_in) + " " +
                          Quoted(c.Out) + " 2>&1; echo \"exit $?\"");
        EXPECT_EQ(printed, c.Printed);
        EXPECT_TRUE(std::filesystem::is_empty(temporaryFolder.Path())) << c.Out;
    }
    EXPECT_GT(std::filesystem::file_size(m_dir / "out.pdf"), 0u);
}

TEST_F(CliPrint, aDiskFillingUp_leavesThePreviousFileWhole) {
    ASSERT_EQ(Print("whole.pdf", {"--report", "list"}).Status, 0);
    constexpr std::uintmax_t LIMIT = 20000;
    ASSERT_GT(std::filesystem::file_size(m_dir / "whole.pdf"), LIMIT)
        << "the list report must outgrow the disk for the write to fail";
    std::ofstream(m_dir / "report.pdf") << "the previous report";

    CToolRun run{};
    {
        const CFileSizeLimit full(LIMIT);
        run = Print("report.pdf", {"--report", "list"});
    }
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("report.pdf\" could not be written"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileText(m_dir / "report.pdf"), "the previous report");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"report.pdf", "street.sound", "whole.pdf"}));
}

}  // namespace
