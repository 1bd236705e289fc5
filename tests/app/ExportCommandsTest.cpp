// File > Export > CSV... and Excel Workbook..., and the Statistics window that follows the
// graph.

#include <QAction>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <sstream>

#include "app/CMainFrame.h"
#include "dialogs/display/CStatisticsDlg.h"
#include "document/CDTDoc.h"
#include "export/CsvExport.h"
#include "export/WorkbookCheck.h"
#include "graph/CDTView.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileText.h"
#include "tests/PdfTools.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

class ExportCommands : public CMainFrameTest<> {
protected:
    bool Enabled(const QString& command) {
        m_frame->UpdateCommandUI();
        return ActionWithText(*m_frame, command)->isEnabled();
    }

    // The graph composes its picture as a paint of the screen does.
    void Paint() {
        m_frame->GraphView().Redraw();
        m_frame->GraphView().grab();
    }

    CTempDir m_dir;
};

TEST_F(ExportCommands, exportsNeedReadingsAndNoRunningSeries) {
    EXPECT_FALSE(Enabled("&CSV..."));
    EXPECT_FALSE(Enabled("&Excel Workbook..."));
    EXPECT_TRUE(Enabled("&Statistics"));
    m_doc.ReplaceRecord(ExampleRecord(10), DocumentChange::Downloaded);
    EXPECT_TRUE(Enabled("&CSV..."));
    EXPECT_TRUE(Enabled("&Excel Workbook..."));
    m_doc.RealTimeActive = true;
    EXPECT_FALSE(Enabled("&CSV..."));
    EXPECT_FALSE(Enabled("&Excel Workbook..."));
}

TEST_F(ExportCommands, writeTheChosenFileOrSayWhyNot) {
    m_doc.ReplaceRecord(ExampleRecord(10), DocumentChange::Downloaded);
    std::ostringstream csv;
    ASSERT_TRUE(WriteCsv(m_doc.Record(), csv));
    const struct {
        const char* Command;
        ExportFormat Format;
    } commands[] = {{"&CSV...", ExportFormat::Csv}, {"&Excel Workbook...", ExportFormat::Workbook}};
    for (const auto& c : commands) {
        m_files.OfferedExports.clear();
        m_files.ExportAnswer.reset();  // Cancel
        Run(c.Command);
        ASSERT_EQ(m_files.OfferedExports.size(), 1u);
        EXPECT_EQ(m_files.OfferedExports[0].first, c.Format);
        EXPECT_EQ(m_files.OfferedExports[0].second.size(),
                  std::string("14-06-05  14.02.07").size());

        const auto file = m_dir / "export";
        m_files.ExportAnswer = file;
        Run(c.Command);
        if (c.Format == ExportFormat::Csv) {
            EXPECT_EQ(ReadFileText(file), csv.str());
        } else {
            EXPECT_TRUE(WorkbookIsWhole(file));
        }
        std::filesystem::remove(file);

        m_files.ExportAnswer = m_dir / "no folder" / "export";
        Run(c.Command);
        ASSERT_EQ(m_prompt.Log.size(), 1u);
        EXPECT_NE(m_prompt.Log[0].Text.find(m_files.ExportAnswer->string()), std::string::npos);
        m_prompt.Log.clear();
    }
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(ExportCommands, assessmentReport_writesThreePages) {
    m_doc.ReplaceRecord(ExampleRecord(10), DocumentChange::Downloaded);
    m_files.ExportAnswer = m_dir / "assessment.pdf";
    Run("&Assessment Report...");
    ASSERT_EQ(m_files.OfferedReports.size(), 1u);
    EXPECT_NE(PdfInfo(m_dir / "assessment.pdf").find("Pages:           3\n"), std::string::npos);
}

TEST_F(ExportCommands, statisticsWindowFollowsTheReadingsShown) {
    m_doc.ReplaceRecord(ExampleRecord(10), DocumentChange::Downloaded);
    Paint();
    Run("&Statistics");
    CStatisticsDlg* window = m_frame->StatisticsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ActionWithText(*m_frame, "&Statistics")->isChecked());
    EXPECT_EQ(window->RangeText(), "Readings 1 to 10 of 10");
    EXPECT_EQ(window->ValueText("LAeq"), "55.5 dB");
    EXPECT_EQ(window->HourlyTable().rowCount(), 1);

    // The level assessment narrows the displayed range.
    CGraphState& graph = m_frame->GraphView().State();
    graph.RangeFirst = 3;
    graph.RangeLast = 5;
    m_frame->GraphView().UndoZoom();
    Paint();
    EXPECT_EQ(window->RangeText(), "Readings 3 to 5 of 10");
    EXPECT_EQ(window->ValueText("Readings"), "3");

    // A real-time run: every live reading is taken in.
    CMeasurementRecord live = ExampleRecord(0);
    live.ReplaceSeries(REAL_TIME_CAPACITY);
    m_doc.StoredData = false;
    m_doc.RealTimeActive = true;
    m_doc.ReplaceRecord(std::move(live), DocumentChange::RealTimeStarted);
    Paint();
    EXPECT_EQ(window->RangeText(), "No readings shown");
    for (int reading = 1; reading <= 2; ++reading) {
        m_doc.Record().Levels[static_cast<std::size_t>(reading - 1)] = 70.0f;
        m_doc.Record().SampleCount = reading;
        m_doc.UpdateAllViews(DocumentChange::ReadingAppended);
        EXPECT_EQ(window->ValueText("Readings"), QString::number(reading));
    }
    EXPECT_EQ(window->ValueText("LAeq"), "70.0 dB");

    Run("&Statistics");
    EXPECT_TRUE(WaitFor([&] { return m_frame->StatisticsWindow() == nullptr; }));
}

}  // namespace
