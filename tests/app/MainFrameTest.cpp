#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "app/CInstrumentView.h"
#include "app/CMainFrame.h"
#include "app/CommandStrings.h"
#include "dialogs/display/CDinLevelDlg.h"
#include "dialogs/display/CInfoDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "logger/CRunJournal.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

class MainFrame : public CMainFrameTest<> {
protected:
    MainFrame() : CMainFrameTest({.Shown = false}) {}

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

    // Sorted, without duplicates, as one line that a failure prints readably.
    static std::string Sorted(QStringList texts) {
        texts.removeDuplicates();
        texts.sort();
        return texts.join(" | ").toStdString();
    }

    QToolBar* ToolBar() const { return m_frame->findChild<QToolBar*>("MainToolBar"); }

    // The instrument tree's pop-up menu: the one menu of the window outside the menu bar.
    QMenu& InstrumentMenu() const {
        for (QMenu* menu : m_frame->findChildren<QMenu*>()) {
            if (!m_frame->menuBar()->isAncestorOf(menu) && menu->parent() == m_frame.get()) {
                return *menu;
            }
        }
        throw std::logic_error("no instrument menu");
    }

    static QAction* ActionIn(const QString& text, const QWidget* holder) {
        for (QAction* action : holder->actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        return nullptr;
    }
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
    EXPECT_EQ(titles,
              QStringList({"&File(f)", "&Instrument(I)", "&Graph(G)", "&Window(W)", "&Help(H)"}));
    EXPECT_EQ(Items(*Menu("&Graph(G)")),
              QStringList({"Import data to &list", "-", "&Undozoom", "Zoom &In", "Zoom &Out", "-",
                           "&Axis Setup...", "&Color Setup...", "&View..."}));
    EXPECT_EQ(Items(*Menu("&File(f)")),
              QStringList({"&Save...", "-", "&Open...", "Open &Archive...", "-",
                           "&Print Setup...", "-", "&Print Preview>", "-", "&Print...>", "-",
                           "E&xport>", "-", "&Exit"}));
    for (const int printMenu : {7, 9}) {
        EXPECT_EQ(Items(*Menu("&File(f)")->actions()[printMenu]->menu()),
                  QStringList({"&Graph", "&List", "&Table"}));
    }
    EXPECT_EQ(Items(*Menu("&File(f)")->actions()[11]->menu()),
              QStringList({"&CSV...", "&Excel Workbook...", "&Assessment Report..."}));
    EXPECT_EQ(Items(*Menu("&Instrument(I)")),
              QStringList({"Cal Adjust...", "-", "Datalogger Setup...", "-", "&Download Data...",
                           "-", "&Stop Running...", "-", "Previous Measurement"}));
    EXPECT_EQ(Items(*Menu("&Window(W)")),
              QStringList({"&Instrument", "&Info Dialog", "&Statistics", "Live Le&vel",
                           "&Level Assessment"}));
    EXPECT_EQ(Items(*Menu("&Help(H)")), QStringList({"&About...", "-", "&Help topics..."}));
}

// The enabling table from the menus, the toolbar, the pop-up menu and the keys, in its three
// states. Commands whose dialogs do not exist yet stay disabled in all of them.
TEST_F(MainFrame, enablingTable_fromEverySource) {
    const QStringList always = {"&About...",       "&Exit",      "&Instrument",
                                "&Help topics...", "Help",       "&Level Assessment",
                                "New document",    "Next Pane",  "Previous Pane",
                                "Save document",   "&Statistics", "Open &Archive..."};
    const QStringList idle = {"&Open...",
                              "Open",
                              "Open document",
                              "&Download Data...",
                              "Data Download",
                              "&Download Data",
                              "Previous Measurement",
                              "&Previous Measurement",
                              "Datalogger Setup...",
                              "Datalogger Setup",
                              "Cal Adjust...",
                              "Cal Adjust"};
    const QStringList data = {"&Save...", "Save",      "&Info Dialog",   "&Undozoom",
                              "Zoom &In", "Zoom &Out", "&Axis Setup...", "&Color Setup...",
                              "&View..."};
    EXPECT_EQ(Sorted(EnabledCommands()), Sorted(always + idle)) << "no data yet";

    m_doc.ReplaceRecord(ExampleRecord(3), DocumentChange::Downloaded);
    EXPECT_EQ(Sorted(EnabledCommands()),
              Sorted(always + idle + data +
                     QStringList{"Import data to list", "Import data to &list", "&CSV...",
                                 "&Excel Workbook...", "&Assessment Report...", "&Table",
                                 "&Print Setup...", "&Graph", "Print Graph", "Print"}))
        << "a measurement";

    m_doc.RealTimeActive = true;
    m_doc.UpdateAllViews(DocumentChange::RealTimeStarted);
    EXPECT_EQ(Sorted(EnabledCommands()),
              Sorted(always + data +
                     QStringList{"&Stop Running...", "Stop Running", "Live Le&vel"}))
        << "a real-time run";
}

// Before the first measurement the status bar says where to begin. At its least size the
// window shows the info panel's rows and lamps whole and a plot of some height, also once
// the panel was hidden and shown again.
TEST_F(MainFrame, firstStartHint_andLeastSizeClippingNothing) {
    const QLabel* hint = nullptr;
    for (const QLabel* label : m_frame->statusBar()->findChildren<QLabel*>()) {
        hint = label->text().contains("Download Data") ? label : hint;
    }
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisibleTo(m_frame.get()));
    m_doc.ReplaceRecord(ExampleRecord(30), DocumentChange::Downloaded);
    EXPECT_FALSE(hint->isVisibleTo(m_frame.get()));
    for (const bool reshown : {false, true}) {
        if (reshown) {
            Run("&Info Dialog");
            Run("&Info Dialog");
        }
        m_frame->resize(1, 1);
        m_frame->GraphView().grab();
        const CInfoDlg* panel = m_frame->GraphView().InfoPanel();
        ASSERT_NE(panel, nullptr);
        for (const QWidget* child : panel->findChildren<QWidget*>()) {
            EXPECT_TRUE(panel->rect().contains(child->geometry())) << reshown;
        }
        EXPECT_GE(m_frame->GraphView().State().PlotRect.Height(), 200) << reshown;
    }
}

// A question asked at start (the recovery of an unfinished run) waits for the window's first
// paint, so that it stands over the window.
TEST_F(MainFrame, questionAtStart_waitsForTheFirstPaint) {
    CDTDoc doc;
    const auto frame = StartMainFrame(doc, m_prompt, m_files, {.Shown = false});
    int asked = 0;
    frame->RunAfterFirstPaint([&asked] { ++asked; });
    QTest::qWait(20);
    EXPECT_EQ(asked, 0);
    frame->grab();
    frame->grab();
    EXPECT_TRUE(WaitFor([&] { return asked == 1; }));
    QTest::qWait(20);
    EXPECT_EQ(asked, 1);
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

// A pane or panel that goes while it holds the focus hands it to the graph. Handed on along
// the tab order instead, the focus would land in the info panel's first field and select its
// whole text, and the panel would show it so each time it came back.
TEST_F(MainFrame, hidingTheFocusedPane_handsTheFocusToTheGraph) {
    m_doc.ReplaceRecord(ExampleRecord(30), DocumentChange::Downloaded);
    m_frame->resize(1000, 700);
    m_frame->show();
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    m_frame->GraphView().grab();  // the first paint makes the info panel
    const CInfoDlg* panel = m_frame->GraphView().InfoPanel();
    ASSERT_NE(panel, nullptr);
    const auto fieldsFocusedOrSelected = [&] {
        QStringList fields;
        for (const QLineEdit* field : panel->findChildren<QLineEdit*>()) {
            if (field->hasFocus() || field->hasSelectedText()) {
                fields << field->objectName();
            }
        }
        return fields.join(", ").toStdString();
    };
    const struct {
        const char* Command;
        QWidget* Focused;
    } cases[] = {{"&Instrument", &m_frame->InstrumentView()},
                 {"&Info Dialog", panel->Field("DataNo.")}};
    for (const auto& c : cases) {
        c.Focused->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(c.Focused->hasFocus()) << c.Command;
        Run(c.Command);
        EXPECT_TRUE(m_frame->GraphView().hasFocus()) << c.Command;
        EXPECT_EQ(fieldsFocusedOrSelected(), "") << c.Command;
        Run(c.Command);
        Run("&Info Dialog");
        Run("&Info Dialog");
        EXPECT_EQ(fieldsFocusedOrSelected(), "") << c.Command << ", the panel hidden and shown";
    }
}

TEST_F(MainFrame, stopRunning_fromTheMenuTheToolbarAndTheTree_endsTheRunAndKeepsTheSeries) {
    const struct {
        const char* Source;
        std::function<QAction*()> Item;
    } sources[] = {
        {"menu", [this] { return Menu("&Instrument(I)")->actions().at(6); }},
        {"toolbar", [this] { return ActionIn("Stop Running", ToolBar()); }},
        {"tree", [this] { return ActionIn("Stop Running", &InstrumentMenu()); }},
    };
    int count = 5;
    for (const auto& source : sources) {
        ForgetProgramFiles();
        m_doc.ReplaceRecord(ExampleRecord(++count), DocumentChange::RealTimeStarted);
        m_doc.RealTimeActive = true;
        m_frame->UpdateCommandUI();
        QAction* item = source.Item();
        ASSERT_NE(item, nullptr) << source.Source;
        item->trigger();
        EXPECT_FALSE(m_doc.RealTimeActive) << source.Source;
        CDTDoc last;
        ASSERT_EQ(last.LoadLastMeasurement(m_prompt), LoadResult::Loaded) << source.Source;
        EXPECT_EQ(last.Record().SampleCount, count) << source.Source;
        EXPECT_TRUE(EnabledCommands().contains("&Download Data...")) << source.Source;
    }
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
        ASSERT_EQ(m_prompt.Texts().at(0),
                  "An unfinished real-time run was found. Recover its 4 readings?");
        EXPECT_EQ(m_prompt.Texts().size(), yes ? 1u : 2u);  // No: where the readings are kept
        EXPECT_EQ(m_doc.Record().SampleCount, yes ? 4 : 2);
        EXPECT_EQ(std::filesystem::exists(*LastMeasurementPath()), yes);
        EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
    }
    // Yes, but the last measurement cannot be written: said, and the journal stays.
    ASSERT_TRUE(CRunJournal(*RunJournalPath()).Begin(ExampleRecord(4)));
    m_prompt.Log.clear();
    m_prompt.Answers = {true};
    {
        const CFileSizeLimit limit(50);
        m_frame->OfferUnfinishedRun();
    }
    EXPECT_EQ(m_prompt.Texts().back(), MSG_RECOVERY_NOT_WRITTEN);
    ASSERT_TRUE(DiscardUnfinishedRun());
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
    m_files.Answer = dir / "bridge.xls";
    Menu("&File(f)")->actions().first()->trigger();
    ASSERT_EQ(m_files.Offered.size(), 1u);
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

TEST_F(MainFrame, windowInstrument_hidesTheTreePaneAndBringsItBackAt130) {
    m_frame->resize(800, 600);
    m_frame->show();
    QAction* item = Menu("&Window(W)")->actions().at(0);
    item->trigger();
    EXPECT_FALSE(m_frame->InstrumentPaneShown);
    EXPECT_FALSE(m_frame->InstrumentView().isVisible());
    EXPECT_FALSE(item->isChecked());
    EXPECT_TRUE(WaitFor(
        [this] { return m_frame->GraphView().width() == m_frame->centralWidget()->width(); }));

    item->trigger();
    EXPECT_TRUE(m_frame->InstrumentPaneShown);
    EXPECT_TRUE(m_frame->InstrumentView().isVisible());
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(static_cast<QSplitter*>(m_frame->centralWidget())->sizes().at(0), 130);
}

TEST_F(MainFrame, windowInfoDialog_hidesThePanel_andShowsItAgainAt115) {
    m_frame->resize(1000, 700);
    m_frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    m_doc.ReplaceRecord(ExampleRecord(30), DocumentChange::Downloaded);
    CDTView& view = m_frame->GraphView();
    view.repaint();
    ASSERT_NE(view.InfoPanel(), nullptr);
    const int plotTopWithPanel = view.State().PlotRect.Top;
    QAction* item = Menu("&Window(W)")->actions().at(1);

    item->trigger();
    view.repaint();
    EXPECT_FALSE(m_frame->InfoPanelShown);
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(view.State().PanelHeight, 0);
    EXPECT_FALSE(view.InfoPanel()->isVisible());
    EXPECT_EQ(view.State().PlotRect.Top, plotTopWithPanel - 140);

    item->trigger();
    view.repaint();
    // 115 pixels, or the panel's rows whole where its font needs more.
    const int shown = std::max(115, CInfoDlg::ContentSize().height());
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(view.State().PanelHeight, shown);
    EXPECT_TRUE(view.InfoPanel()->isVisible());
    EXPECT_EQ(view.InfoPanel()->geometry(), QRect(0, 0, view.width(), shown));
    EXPECT_EQ(view.State().PlotRect.Top, plotTopWithPanel - 140 + shown);
}

// The keys reach their commands when the window is active; the editing keys are bound to
// commands that never run.
TEST_F(MainFrame, accelerators_reachTheirCommands) {
    m_frame->resize(800, 600);
    m_frame->show();
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    CDTView& graph = m_frame->GraphView();
    CInstrumentView& tree = m_frame->InstrumentView();
    tree.setFocus();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(graph.hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(tree.hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(graph.hasFocus());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(m_files.OfferedMeasurementNames, std::vector<std::string>{"Untitled"});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(m_files.OpenDialogs, 1);

    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace),
          QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
          QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert),
          QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}) {
        QAction* bound = nullptr;
        for (QAction* action : m_frame->actions()) {
            bound = action->shortcuts().contains(keys) ? action : bound;
        }
        ASSERT_NE(bound, nullptr) << keys.toString().toStdString();
        EXPECT_FALSE(bound->isEnabled()) << keys.toString().toStdString();
    }
}

// F1 and Ctrl+Q stand beside their commands, Ctrl+Q through the closing question; the graph
// shows when it has the keyboard focus.
TEST_F(MainFrame, desktopKeys_andTheGraphsFocusFrame) {
    m_frame->show();
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    EXPECT_EQ(ActionIn("&Exit", Menu("&File(f)"))->shortcut(), Qt::CTRL | Qt::Key_Q);
    EXPECT_EQ(ActionIn("&Help topics...", Menu("&Help(H)"))->shortcut(), Qt::Key_F1);
    Unsaved(5);
    CDTView& graph = m_frame->GraphView();
    for (QWidget* focused : std::initializer_list<QWidget*>{&graph, &m_frame->InstrumentView()}) {
        focused->setFocus();
        const QImage shown = graph.grab().toImage();
        EXPECT_EQ(shown.pixel(0, shown.height() - 20) == graph.palette().highlight().color().rgb(),
                  focused == &graph);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([this] { return !m_frame->isVisible(); }));
    EXPECT_EQ(m_prompt.Texts(),
              std::vector<std::string>{"Do you want to save the data before closing?"});
}

}  // namespace
