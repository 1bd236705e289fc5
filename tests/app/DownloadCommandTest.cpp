// "Download Data..." from end to end: the main window's download dialog, the simulated
// logger's memory read into the record, and the graph and the info panel showing it.

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/CMainFrame.h"
#include "dialogs/display/CInfoDlg.h"
#include "dialogs/display/CLiveLevelDlg.h"
#include "dialogs/logger/CCalAdjustDlg.h"
#include "dialogs/logger/CDownloadDlg.h"
#include "document/CDTDoc.h"
#include "export/AcousticStatistics.h"
#include "graph/CDTView.h"
#include "logger/MemoryImage.h"
#include "logger/sim/CSimulatedLogger.h"
#include "tests/CRecordingPrompt.h"
#include "tests/ModalDialog.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"

namespace {

constexpr int READINGS = 600;

class DownloadCommand : public CMainFrameTest<> {
protected:
    DownloadCommand() : CMainFrameTest({.SimulateLogger = true, .Size = {1200, 900}}) {}

    void SetUp() override {
        // 600 readings every 2 s from 5 June 2014 14:02:07, 60.0 dB but for one peak.
        CMemoryImage image;
        image.Header.RateCode = 4;
        image.Header.SetStart({2014, 6, 5, 14, 2, 7});
        image.Header.AlarmLow = 40;
        image.Header.AlarmHigh = 85;
        for (int i = 0; i < READINGS; ++i) {
            image.AppendReading(i == 100 ? 955 : 600);
        }
        ASSERT_TRUE(SaveMemoryImage(m_directory / "memory.bin", image));
        setenv("DATALOGGER_SIM_MEMORY", (m_directory / "memory.bin").c_str(), 1);
        CMainFrameTest::SetUp();
    }
    void TearDown() override {
        unsetenv("DATALOGGER_SIM_MEMORY");
        CMainFrameTest::TearDown();
    }

    // Runs the command; while its dialog is up, `inDialog` acts on it. The dialog it found.
    CDownloadDlg* RunCommand(QAction& command, const std::function<void(CDownloadDlg&)>& inDialog) {
        CDownloadDlg* found = nullptr;
        QTimer::singleShot(0, [&] {
            found = qobject_cast<CDownloadDlg*>(QApplication::activeModalWidget());
            if (found) {
                inDialog(*found);
            }
        });
        command.trigger();
        return found;
    }

    CTempDir m_directory;
};

TEST_F(DownloadCommand, download_graphAndInfoPanelShowTheNewRecord) {
    QAction* menuItem = ActionWithText(*m_frame, "&Download Data...");
    ASSERT_NE(menuItem, nullptr);
    ASSERT_TRUE(menuItem->isEnabled());
    CDownloadDlg* dialog = RunCommand(*menuItem, [](CDownloadDlg& d) {
        d.Poll();
        QTest::mouseClick(&d.DownloadButton(), Qt::LeftButton);
    });
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(m_prompt.Log.empty());
    EXPECT_EQ(m_doc.Record().SampleCount, READINGS);
    EXPECT_TRUE(m_doc.DownloadSinceSave);

    CDTView& view = m_frame->GraphView();
    view.repaint();
    EXPECT_EQ(view.State().DisplayState, GraphDisplay::Graph);
    EXPECT_EQ(view.State().RangeFirst, 1);
    EXPECT_EQ(view.State().RangeLast, READINGS);
    ASSERT_NE(view.InfoPanel(), nullptr);
    EXPECT_EQ(view.InfoPanel()->Field("DataNo.")->text(), "600");
    EXPECT_EQ(view.InfoPanel()->Field("Mode")->text(), "STOR");
    EXPECT_EQ(view.InfoPanel()->Field("Sample Rate")->text(), "2 s");
    EXPECT_EQ(view.InfoPanel()->Field("Start Time")->text(), "05/06/14 14:02:07");
    EXPECT_EQ(view.InfoPanel()->Field("Sound MAX")->text(), "95.5 @14:05:27 05/06/14");
    EXPECT_EQ(view.InfoPanel()->Field("Sound Alarm Hi")->text(), "85 ");

    // The curve (red by default) crosses the plot from its left edge to its right edge.
    const QImage& picture = view.Picture();
    const CPixelRect& plot = view.State().PlotRect;
    auto redInColumn = [&](int x) {
        for (int y = plot.Top; y <= plot.Bottom; ++y) {
            if (picture.pixelColor(x, y) == QColor(255, 0, 0)) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(redInColumn(plot.Left + 1));
    EXPECT_TRUE(redInColumn(plot.Right - 1));

    // The toolbar button opens the same dialog; Cancel changes nothing.
    QAction* button = ActionWithText(*m_frame, "Data Download");
    ASSERT_NE(button, nullptr);
    CDownloadDlg* again = RunCommand(
        *button, [](CDownloadDlg& d) { QTest::mouseClick(&d.CancelButton(), Qt::LeftButton); });
    EXPECT_EQ(again, dialog);
    EXPECT_EQ(m_doc.Record().SampleCount, READINGS);
}

// The simulated logger set up for real time once a minute, before the window first talks to it.
class StopRunning : public CMainFrameTest<> {
protected:
    StopRunning() : CMainFrameTest({.SimulateLogger = true}) {}

    void SetUp() override {
        CMainFrameTest::SetUp();
        CSimulatedLogger logger(SimulatorOptionsFromEnvironment());
        CLoggerLink link(logger, m_prompt);
        SetupFields fields;
        fields.RealTime = true;
        fields.RateCode = 7;
        fields.ManualStart = false;
        ASSERT_TRUE(link.SendSetup(ComposeSetupBlock(fields, {2024, 6, 3, 10, 0, 0})));
    }
};

TEST_F(StopRunning, takesTheLastReadingAtOnceAndLeavesTheLoggerFree) {
    for (const int readingsBefore : {0, 2}) {
        ASSERT_TRUE(WhileModal<CDownloadDlg>([&] { Run("&Download Data..."); },
                                             [](CDownloadDlg& d) {
                                                 d.Poll();
                                                 QTest::mouseClick(&d.DownloadButton(),
                                                                   Qt::LeftButton);
                                             }));
        auto* dialog = m_frame->findChild<CDownloadDlg*>();
        ASSERT_TRUE(dialog != nullptr && dialog->RunPolling());
        for (int i = 0; i < readingsBefore; ++i) {
            dialog->PollRealTime();
        }
        Run("&Stop Running...");
        EXPECT_FALSE(dialog->RunPolling()) << readingsBefore;
        EXPECT_EQ(dialog->Link().Handle(), INVALID_BRIDGE_HANDLE) << readingsBefore;
        EXPECT_EQ(m_doc.Record().SampleCount, readingsBefore + 1);
        CDTDoc last;
        ASSERT_EQ(last.LoadLastMeasurement(m_prompt), LoadResult::Loaded);
        EXPECT_EQ(last.Record().SampleCount, readingsBefore + 1);
        // The next logger command finds the logger free.
        m_prompt.Log.clear();
        WhileModal<CCalAdjustDlg>([&] { Run("Cal Adjust..."); },
                                  [](CCalAdjustDlg& d) {
                                      d.Poll();
                                      QTest::mouseClick(&d.OkButton(), Qt::LeftButton);
                                  });
        ASSERT_EQ(m_prompt.Texts().size(), 1u);
        EXPECT_EQ(m_prompt.Texts()[0].rfind("Total calibrated value as ", 0), 0u);
    }
}

// Window > Live Level during a simulated run shows the record's own figures; left open, it
// opens again with the next run, in this window or the next.
TEST_F(StopRunning, liveLevel_showsTheFiguresOfTheRecordSoFar) {
    const auto startRun = [this] {
        ASSERT_TRUE(WhileModal<CDownloadDlg>([&] { Run("&Download Data..."); },
                                             [](CDownloadDlg& d) {
                                                 d.Poll();
                                                 QTest::mouseClick(&d.DownloadButton(),
                                                                   Qt::LeftButton);
                                             }));
    };
    startRun();
    Run("Live Le&vel");
    auto* dialog = m_frame->findChild<CDownloadDlg*>();
    for (int i = 0; i < 20; ++i) {
        dialog->PollRealTime();
    }
    const CMeasurementRecord& r = m_doc.Record();
    const CAcousticStatistics s = ComputeAcousticStatistics(r);
    const char* const ALARM[] = {"normal", "HIGH", "LOW"};
    const std::pair<const char*, std::string> FIGURES[] = {
        {"Level", LevelText(r.Levels[19], 1)},
        {"Unit", UnitText(r.IsDBA)},
        {"Leq", LevelText(*s.LeqDb, 1)},
        {"Lmax", LevelText(*s.MaxDb, 1)},
        {"Lmin", LevelText(*s.MinDb, 1)},
        {"Elapsed", "0:20:00"},
        {"Readings", "20"},
        {"Alarm", ALARM[static_cast<int>(m_doc.RealTimeAlarm)]}};
    ASSERT_EQ(r.SampleCount, 20);
    for (const auto& [name, shown] : FIGURES) {
        EXPECT_EQ(m_frame->LiveLevelWindow()->FigureText(QString::fromLatin1(name)).toStdString(),
                  shown)
            << name;
    }
    // Readings that differ, one of them missing, in a record that replaced the run's.
    CMeasurementRecord varied = r;
    varied.Levels = {70.0f, 50.0f, NAN, 60.0f};
    varied.SampleCount = 4;
    m_frame->LiveLevelWindow()->ShowNewReadings(varied, AlarmIndicatorState::Normal);
    for (const auto& [name, shown] :
         {std::pair{"Lmax", "70.0"}, {"Lmin", "50.0"}, {"Leq", "65.7"}, {"Readings", "4"}}) {
        EXPECT_EQ(m_frame->LiveLevelWindow()->FigureText(QString::fromLatin1(name)).toStdString(),
                  shown)
            << name;
    }
    // Stopped, the window says so and when, and keeps the figures of the whole run.
    Run("&Stop Running...");
    const CMeasurementRecord& run = m_doc.Record();
    const std::time_t ended =
        run.StartTime + static_cast<std::time_t>(run.SampleCount * double{run.SampleInterval});
    for (const auto& [name, shown] : {std::pair{"Level", std::string("Stopped")},
                                      {"Alarm", "run ended"},
                                      {"Unit", "Run ended " + StartTimeText(ended)},
                                      {"Readings", std::to_string(run.SampleCount)}}) {
        EXPECT_EQ(m_frame->LiveLevelWindow()->FigureText(QString::fromLatin1(name)).toStdString(),
                  shown)
            << name;
    }
    startRun();
    EXPECT_EQ(m_frame->LiveLevelWindow()->FigureText(QStringLiteral("Readings")), "----");
    // Left open, it comes back when the program starts again; closed from the menu, it does not.
    for (const bool open : {true, false}) {
        if (!open) {
            Run("Live Le&vel");
        }
        CDTDoc laterDoc;  // the program started again
        CLiveLevelWindowCommand later(laterDoc, *m_frame);
        laterDoc.UpdateAllViews(DocumentChange::RealTimeStarted);
        EXPECT_EQ(later.Window() != nullptr, open);
    }
}

}  // namespace
