#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/CInstrumentView.h"
#include "app/CMainFrame.h"
#include "app/CommandStrings.h"
#include "dialogs/display/CDinLevelDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "logger/CRunJournal.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

class MainFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetProgramFiles();
        m_frame = std::make_unique<CMainFrame>(m_doc);
        m_frame->UseDialogs(m_prompt, m_saveDialog);
    }

    QMenu* Menu(const QString& title) const {
        for (QAction* action : m_frame->menuBar()->actions()) {
            if (action->text() == title) {
                return action->menu();
            }
        }
        return nullptr;
    }

    // Item texts of a menu, "-" for a separator, "name>" for a submenu.
    static QStringList Items(const QMenu& menu) {
        QStringList items;
        for (QAction* action : menu.actions()) {
            items << (action->isSeparator() ? QStringLiteral("-")
                      : action->menu()      ? action->text() + u'>'
                                            : action->text());
        }
        return items;
    }

    // Every action of the window's menus, toolbar and pop-up menu that can be used now.
    QStringList EnabledCommands() const {
        QStringList enabled;
        for (QAction* action : m_frame->findChildren<QAction*>()) {
            const bool dockToggle =
                qobject_cast<QToolBar*>(action->parent()) != nullptr &&
                action == static_cast<QToolBar*>(action->parent())->toggleViewAction();
            if (!action->menu() && !action->isSeparator() && action->isEnabled() && !dockToggle) {
                enabled << action->text();
            }
        }
        enabled.removeDuplicates();
        enabled.sort();
        return enabled;
    }

    CDTDoc m_doc;
    CRecordingPrompt m_prompt;
    CScriptedSaveChooser m_saveDialog;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrame, firstStart_withoutSettingsFile_usesEveryDefault) {
    const CFrameSettings& s = m_frame->Settings();
    EXPECT_EQ(s.SampleRateIndex, 2);
    EXPECT_EQ(s.SamplePoints, "129920");
    EXPECT_EQ(s.AlarmHigh, "130");
    EXPECT_EQ(s.AlarmLow, "30");
    EXPECT_EQ(s.LedCycle, 24);
    EXPECT_EQ(UnitText(s.Dba), "dBA");
    EXPECT_EQ(SpeedText(s.Fast), "FAST");
    EXPECT_EQ(s.AutoStart, 0);
    EXPECT_EQ(s.RealTimeMode, 0);
    EXPECT_TRUE(m_frame->InstrumentPaneShown);
    EXPECT_TRUE(m_frame->InfoPanelShown);
}

TEST_F(MainFrame, layout_titleToolbarStatusBarAndTwoPanes) {
    EXPECT_EQ(m_frame->windowTitle(), "Tesmer Brantel");
    ASSERT_NE(m_frame->statusBar(), nullptr);
    auto* splitter = qobject_cast<QSplitter*>(m_frame->centralWidget());
    ASSERT_NE(splitter, nullptr);
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_EQ(splitter->widget(0), &m_frame->InstrumentView());
    EXPECT_EQ(splitter->widget(1), static_cast<QWidget*>(&m_frame->GraphView()));
}

TEST_F(MainFrame, toolbar_hasTenButtonsInOrderWithTooltipsAndPrompts) {
    auto* toolBar = m_frame->findChild<QToolBar*>("MainToolBar");
    ASSERT_NE(toolBar, nullptr);
    EXPECT_EQ(m_frame->toolBarArea(toolBar), Qt::TopToolBarArea);
    EXPECT_EQ(toolBar->allowedAreas(), Qt::AllToolBarAreas);
    QStringList tips;
    QStringList prompts;
    int separators = 0;
    for (QAction* action : toolBar->actions()) {
        if (action->isSeparator()) {
            ++separators;
            continue;
        }
        EXPECT_FALSE(action->icon().isNull()) << action->toolTip().toStdString();
        tips << action->toolTip();
        prompts << action->statusTip();
    }
    EXPECT_EQ(tips, QStringList({"Save", "Open", "Cal Adjust", "Datalogger Setup", "Data Download",
                                 "Stop Running", "Import data to list", "Print Graph", "Print List",
                                 "Help"}));
    EXPECT_EQ(separators, 9);
    EXPECT_EQ(toolBar->actions().first()->toolTip(), "Save");  // no separator before the first
    EXPECT_EQ(prompts[1], "Open an existing document");
    EXPECT_EQ(prompts[5], "");
    EXPECT_EQ(prompts[9], "Help");
}

TEST_F(MainFrame, mainMenu_listsEveryCommand) {
    QStringList titles;
    for (QAction* action : m_frame->menuBar()->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles, QStringList({"&File(f)", "&Instrument(I)", "&Window(W)", "&Help(H)"}));
    EXPECT_EQ(Items(*Menu("&File(f)")),
              QStringList({"&Save...", "-", "&Open...", "-", "&Print Setup...", "-",
                           "&Print Preview>", "-", "&Print...>", "-", "&Exit"}));
    EXPECT_EQ(Items(*Menu("&File(f)")->actions()[6]->menu()), QStringList({"&Graph", "&List"}));
    EXPECT_EQ(Items(*Menu("&File(f)")->actions()[8]->menu()), QStringList({"&Graph", "&List"}));
    EXPECT_EQ(Items(*Menu("&Instrument(I)")),
              QStringList({"Cal Adjust...", "-", "Datalogger Setup...", "-", "&Download Data...",
                           "-", "&Stop Running...", "-", "Previous Measurement"}));
    EXPECT_EQ(Items(*Menu("&Window(W)")),
              QStringList({"&Instrument", "&Info Dialog", "&Level Assessment"}));
    EXPECT_EQ(Items(*Menu("&Help(H)")), QStringList({"&About...", "-", "&Help topics..."}));
}

TEST_F(MainFrame, onlyTheCommandsThatExistAreEnabled) {
    EXPECT_EQ(EnabledCommands(),
              QStringList({"&About...", "&Download Data", "&Download Data...", "&Exit",
                           "&Level Assessment", "Data Download", "Datalogger Setup",
                           "Datalogger Setup..."}));

    // Data makes Save usable, from the menu and from the toolbar.
    m_doc.ReplaceRecord(ExampleRecord(3), DocumentChange::Downloaded);
    EXPECT_EQ(EnabledCommands(),
              QStringList({"&About...", "&Download Data", "&Download Data...", "&Exit",
                           "&Level Assessment", "&Save...", "Data Download", "Datalogger Setup",
                           "Datalogger Setup...", "Save"}));

    // A real-time run keeps Save and Stop Running, and no download.
    m_doc.RealTimeActive = true;
    m_doc.UpdateAllViews(DocumentChange::RealTimeStarted);
    EXPECT_EQ(EnabledCommands(), QStringList({"&About...", "&Exit", "&Level Assessment", "&Save...",
                                              "&Stop Running...", "Save", "Stop Running"}));
}

TEST_F(MainFrame, levelAssessment_opensTheLevelWindowUntilChosenAgain) {
    QAction* item = Menu("&Window(W)")->actions().back();
    ASSERT_EQ(item->text(), "&Level Assessment");
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    ASSERT_NE(m_frame->GraphView().LevelWindow(), nullptr);
    EXPECT_EQ(m_frame->GraphView().LevelWindow()->windowTitle(), "DIN 15 905-5");
    m_frame->UpdateCommandUI();
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m_frame->GraphView().LevelWindow(), nullptr);
}

TEST_F(MainFrame, graphFullWindow_takesTheInstrumentPaneAwayAndBack) {
    m_frame->resize(1000, 700);
    m_frame->show();
    for (const bool paneWanted : {true, false}) {
        m_frame->InstrumentPaneShown = paneWanted;
        m_frame->ExpandGraph(true);
        EXPECT_FALSE(m_frame->InstrumentView().isVisible());
        m_frame->ExpandGraph(false);
        EXPECT_EQ(m_frame->InstrumentView().isVisible(), paneWanted);
        if (paneWanted) {
            EXPECT_EQ(m_frame->InstrumentView().width(), 130);
        }
    }
}

TEST_F(MainFrame, stopRunning_endsTheRunAndKeepsTheSeriesAsLastMeasurement) {
    m_doc.ReplaceRecord(ExampleRecord(7), DocumentChange::RealTimeStarted);
    m_doc.RealTimeActive = true;
    m_frame->UpdateCommandUI();
    Menu("&Instrument(I)")->actions().at(6)->trigger();  // "&Stop Running..."
    EXPECT_FALSE(m_doc.RealTimeActive);
    CDTDoc last;
    ASSERT_EQ(last.LoadLastMeasurement(m_prompt), LoadResult::Loaded);
    EXPECT_EQ(last.Record().SampleCount, 7);
    EXPECT_TRUE(EnabledCommands().contains("&Download Data..."));
}

TEST_F(MainFrame, stopRunningBeforeTheFirstReading_leavesTheLastMeasurementAlone) {
    std::filesystem::remove(*LastMeasurementPath());
    CMeasurementRecord empty;
    empty.ReplaceSeries(REAL_TIME_CAPACITY);
    m_doc.ReplaceRecord(std::move(empty), DocumentChange::RealTimeStarted);
    m_doc.RealTimeActive = true;
    m_frame->UpdateCommandUI();
    Menu("&Instrument(I)")->actions().at(6)->trigger();  // "&Stop Running..."
    EXPECT_FALSE(m_doc.RealTimeActive);
    EXPECT_FALSE(std::filesystem::exists(*LastMeasurementPath()));
}

// A run the program did not end left its journal: the question, then Yes or No.
TEST_F(MainFrame, unfinishedRunAtStart_yesRecoversItAndNoLetsItGo) {
    for (const bool yes : {true, false}) {
        std::filesystem::remove(*LastMeasurementPath());
        {
            CRunJournal journal(*RunJournalPath());
            CMeasurementRecord run = ExampleRecord(4);
            run.ModeText = "RT";
            ASSERT_TRUE(journal.Begin(run));
        }
        m_prompt.Log.clear();
        m_prompt.Answers = {yes};
        m_doc.ReplaceRecord(ExampleRecord(2), DocumentChange::Downloaded);
        m_frame->OfferUnfinishedRun();
        ASSERT_EQ(m_prompt.Texts(),
                  std::vector<std::string>{"An unfinished real-time run was found. Recover its 4 "
                                           "readings?"});
        EXPECT_EQ(m_doc.Record().SampleCount, yes ? 4 : 2);
        EXPECT_EQ(std::filesystem::exists(*LastMeasurementPath()), yes);
        EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
    }
    m_prompt.Log.clear();
    m_frame->OfferUnfinishedRun();  // nothing left: nothing asked
    EXPECT_TRUE(m_prompt.Log.empty());
}

TEST_F(MainFrame, aMenuReadsTheStateWhenItOpens) {
    QMenu* file = Menu("&File(f)");
    QAction* save = file->actions().first();
    m_doc.Record() = ExampleRecord(2);  // changed behind the window's back
    EXPECT_FALSE(save->isEnabled());
    emit file->aboutToShow();
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(MainFrame, saveCommand_offersTheTimeAsNameAndWritesBothFiles) {
    CTempDir dir;
    m_doc.ReplaceRecord(ExampleRecord(4), DocumentChange::Downloaded);
    m_doc.DownloadSinceSave = true;
    m_saveDialog.Answer = dir / "bridge.xls";
    Menu("&File(f)")->actions().first()->trigger();
    ASSERT_EQ(m_saveDialog.Offered.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir / "bridge.sound"));
    EXPECT_TRUE(std::filesystem::exists(dir / "bridge.xls"));
    EXPECT_FALSE(m_doc.DownloadSinceSave);
    EXPECT_FALSE(m_doc.SetupSinceSave);
}

TEST_F(MainFrame, graphView_isGreyWithoutData) {
    m_frame->resize(800, 600);
    const QImage pane = m_frame->GraphView().grab().toImage();
    ASSERT_FALSE(pane.isNull());
    EXPECT_EQ(pane.pixelColor(pane.width() / 2, pane.height() / 2), QColor(155, 155, 155));
}

TEST_F(MainFrame, instrumentTree_holdsTheOneRootWithTheProgramIcon) {
    CInstrumentView& tree = m_frame->InstrumentView();
    new QTreeWidgetItem(&tree, QStringList("stray"));
    m_frame->InitialUpdate();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), "-INSTRUMENT");
    EXPECT_FALSE(tree.topLevelItem(0)->icon(0).isNull());
    EXPECT_EQ(tree.iconSize(), QSize(32, 32));
}

TEST_F(MainFrame, instrumentTree_rightClickOnTheRootOpensThePopupMenu) {
    m_frame->resize(800, 600);
    m_frame->show();
    CInstrumentView& tree = m_frame->InstrumentView();
    const QPoint onRoot = tree.visualItemRect(tree.topLevelItem(0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, onRoot, tree.viewport()->mapToGlobal(onRoot));
    QCoreApplication::sendEvent(tree.viewport(), &click);

    QMenu* popup = nullptr;
    for (QMenu* menu : m_frame->findChildren<QMenu*>()) {
        popup = menu->isVisible() ? menu : popup;
    }
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(tree.currentItem(), tree.topLevelItem(0));
    EXPECT_EQ(Items(*popup),
              QStringList({"Cal Adjust", "-", "Datalogger Setup", "-", "&Download Data", "-",
                           "Stop Running", "-", "&Previous Measurement"}));
    popup->hide();

    // Below the item there is nothing to offer.
    const QPoint below(5, tree.viewport()->height() - 5);
    QContextMenuEvent miss(QContextMenuEvent::Mouse, below, tree.viewport()->mapToGlobal(below));
    QCoreApplication::sendEvent(tree.viewport(), &miss);
    EXPECT_FALSE(popup->isVisible());
}

}  // namespace
