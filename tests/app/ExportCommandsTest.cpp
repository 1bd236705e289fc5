// File > Export > CSV... and Excel Workbook..., and the Statistics window that follows the
// graph.

#include <QAction>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <sstream>

#include "app/CMainFrame.h"
#include "dialogs/display/CStatisticsDlg.h"
#include "document/CDTDoc.h"
#include "export/CsvExport.h"
#include "export/WorkbookCheck.h"
#include "graph/CDTView.h"
#include "graph/GraphInteraction.h"
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

// The report proposes the day the measurement began, or the name of its file, and the status
// bar says which file was written.
TEST_F(ExportCommands, assessmentReport_writesThreePages) {
    m_doc.ReplaceRecord(ExampleRecord(10), DocumentChange::Downloaded);
    m_files.ExportAnswer = m_dir / "assessment.pdf";
    Run("&Assessment Report...");
    m_doc.PathName = m_dir / "Main street.sound";
    Run("&Assessment Report...");
    EXPECT_EQ(m_files.OfferedReports,
              (std::vector<std::string>{"2014-06-05 assessment", "Main street"}));
    EXPECT_NE(PdfInfo(m_dir / "assessment.pdf").find("Pages:           3\n"), std::string::npos);
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().endsWith(
        QString::fromStdString(m_files.ExportAnswer->string())));
}

// Under a locale whose decimal separator is the comma, every number of the window keeps the
// point of the info panel.
TEST_F(ExportCommands, everyNumberOfTheWindow_keepsThePointUnderACommaLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "run scripts/setup.sh --tests";
    m_doc.ReplaceRecord(ExampleRecord(10, 0.5f), DocumentChange::Downloaded);
    Paint();
    Run("&Statistics");
    m_frame->GraphView().DataList().Model().TakeStaleCount();
    const std::string texts[] = {
        m_frame->GraphView().PrinterScene().LevelLabels.at(1).Text,
        CursorReadout(m_doc.Record(), 1),
        m_frame->GraphView().DataList().Model().index(1, 2).data().toString().toStdString(),
        m_frame->StatisticsWindow()->ValueText("LAeq").toStdString(),
        m_frame->StatisticsWindow()->ValueText("Interval").toStdString()};
    std::setlocale(LC_ALL, "C");
    for (const std::string& text : texts) {
        EXPECT_NE(text.find('.'), std::string::npos) << text;
        EXPECT_EQ(text.find(','), std::string::npos) << text;
    }
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
    EXPECT_EQ(window->HourlyTable().item(0, 0)->text(), "05/06/14 14:00:00");

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

// Durations read as durations beside the clock times of the hourly table.
TEST_F(ExportCommands, statisticsWindow_writesDurationsInWords) {
    const struct {
        float Interval;
        const char* Duration;
    } cases[] = {{1.0f, "10 s"}, {6.0f, "1 min 0 s"}, {4000.5f, "11 h 6 min 45 s"}};
    Run("&Statistics");
    for (const auto& c : cases) {
        m_doc.ReplaceRecord(ExampleRecord(10, c.Interval), DocumentChange::Downloaded);
        Paint();
        EXPECT_EQ(m_frame->StatisticsWindow()->ValueText("Duration"), c.Duration);
        EXPECT_EQ(m_frame->StatisticsWindow()->ValueText("Time at or above alarm high"), "0 s");
    }
}

}  // namespace
