// The main window's dialogs opened as a user opens them (Cal Adjust over the simulated
// logger, the graph toolbar's dialogs over a downloaded record), and the settings file
// written at once and at close holding what they changed.

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/CMainFrame.h"
#include "dialogs/display/CAxisSetupDlg.h"
#include "dialogs/display/CColorCombo.h"
#include "dialogs/display/CColorSetupDlg.h"
#include "dialogs/display/CDataListDlg.h"
#include "dialogs/display/CNumberEdit.h"
#include "dialogs/display/CStatisticsDlg.h"
#include "dialogs/display/CViewSetupDlg.h"
#include "dialogs/logger/CCalAdjustDlg.h"
#include "dialogs/logger/CSetupDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "tests/CRecordingPrompt.h"
#include "tests/ModalDialog.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

class DialogCommands : public CMainFrameTest<> {
protected:
    DialogCommands() : CMainFrameTest({.SimulateLogger = true, .Size = {1200, 900}}) {}

    // The action of `text` whose parent is a `TParent` holding an action "of" that text.
    template <typename TParent>
    QAction* ActionIn(const QString& text) const {
        for (TParent* parent : m_frame->findChildren<TParent*>()) {
            for (QAction* action : parent->actions()) {
                if (action->text() == text) {
                    return action;
                }
            }
        }
        return nullptr;
    }
};

TEST_F(DialogCommands, calAdjust_fromMenuToolbarAndTree_sendsAndIsKeptAtClose) {
    // The tree's pop-up item and the toolbar button carry the same text.
    const std::pair<QAction*, const char*> sources[] = {
        {ActionIn<QMenu>("Cal Adjust..."), "2"},
        {ActionIn<QToolBar>("Cal Adjust"), "3"},
        {ActionIn<QMenu>("Cal Adjust"), "-1"},
    };
    std::vector<std::string> totals;
    for (const auto& [source, value] : sources) {
        ASSERT_NE(source, nullptr);
        ASSERT_TRUE(source->isEnabled());
        const bool shown =
            WhileModal<CCalAdjustDlg>([source = source] { source->trigger(); },
                                      [value = value](CCalAdjustDlg& dialog) {
                                          dialog.Poll();
                                          dialog.ValueEdit().clear();
                                          QTest::keyClicks(&dialog.ValueEdit(), value);
                                          QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
                                      });
        EXPECT_TRUE(shown);
        EXPECT_EQ(m_frame->Settings().Calibration, value);
    }
    // The simulated logger adds each adjustment to its total.
    EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{"Total calibrated value as 0.2 dB.",
                                                          "Total calibrated value as 0.5 dB.",
                                                          "Total calibrated value as 0.4 dB."}));

    // Cancel leaves the setting as it was.
    WhileModal<CCalAdjustDlg>([&] { sources[0].first->trigger(); },
                              [](CCalAdjustDlg& dialog) {
                                  QTest::keyClicks(&dialog.ValueEdit(), "9");
                                  QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
                              });
    EXPECT_EQ(m_frame->Settings().Calibration, "-1");

    CloseFrame();
    EXPECT_EQ(ReadSettingsFile().GetString("CAL Info", "CAL", ""), "-1");
}

TEST_F(DialogCommands, graphToolbarDialogs_changesAreKeptAtClose) {
    m_doc.ReplaceRecord(ExampleRecord(600), DocumentChange::Downloaded);
    CDTView& view = m_frame->GraphView();
    // The first paint of the graph brings its toolbar.
    ASSERT_TRUE(WaitFor([&] { return view.findChild<QToolBar*>() != nullptr; }));
    auto* toolBar = view.findChild<QToolBar*>();
    const auto button = [&](const QString& caption) {
        const QList<QAction*> actions = toolBar->actions();
        return *std::find_if(actions.begin(), actions.end(),
                             [&](QAction* action) { return action->text() == caption; });
    };

    EXPECT_TRUE(WhileModal<CAxisSetupDlg>([&] { button("Axis Setup")->trigger(); },
                                          [](CAxisSetupDlg& dialog) {
                                              dialog.YFromEdit().setText("30");
                                              dialog.YToEdit().setText("120");
                                              QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
                                          }));
    EXPECT_TRUE(
        WhileModal<CColorSetupDlg>([&] { button("Color Setup")->trigger(); },
                                   [](CColorSetupDlg& dialog) {
                                       QTest::keyClick(&dialog.BackgroundPicker(), Qt::Key_Up);
                                       QTest::keyClick(&dialog.SoundPicker(), Qt::Key_Down);
                                       QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
                                   }));
    EXPECT_TRUE(WhileModal<CViewSetupDlg>([&] { button("View")->trigger(); },
                                          [](CViewSetupDlg& dialog) {
                                              dialog.Box("Sound Alarm Hi").setChecked(true);
                                              QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
                                          }));
    EXPECT_EQ(m_frame->Settings().BackgroundColor, 12);
    EXPECT_TRUE(m_prompt.Log.empty());

    CloseFrame();
    const CProfile written = ReadSettingsFile();
    EXPECT_EQ(written.GetString("Y AXISInfo", "Y TEMPLOW", ""), "30");
    EXPECT_EQ(written.GetString("Y AXISInfo", "Y TEMPHI", ""), "120");
    EXPECT_EQ(written.GetString("ColorInfo", "BGColor", ""), "12");
    EXPECT_EQ(written.GetString("ColorInfo", "TColor", ""), "1");
    EXPECT_EQ(written.GetString("ColorInfo", "GRIDColor", ""), "2");
    EXPECT_EQ(written.GetString("VIEWInfo", "VIEW2", ""), "1");
    EXPECT_EQ(written.GetString("VIEWInfo", "VIEW1", ""), "1");
}

// Every window as Tab and a screen reader meet it: no read-only field in the Tab chain and a
// name for every control that takes the focus. What a dialog's OK chose is in the settings
// file at once: a crash does not lose it.
TEST_F(DialogCommands, everyWindow_tabChainNamedControls_andOkStoresTheSettings) {
    m_doc.ReplaceRecord(ExampleRecord(600), DocumentChange::Downloaded);
    ASSERT_TRUE(WaitFor([&] { return ActionIn<QToolBar>("Axis Setup") != nullptr; }));
    QStringList faults;
    int chained = 0;
    const auto inspect = [&](QWidget& window) {
        const QString title = window.windowTitle() + ": ";
        for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
            const auto* edit = qobject_cast<QLineEdit*>(w);
            if (w->window() == &window && w->isVisibleTo(&window) && w->isEnabled() &&
                (w->focusPolicy() & Qt::TabFocus) != 0) {
                ++chained;
                if (edit != nullptr && edit->isReadOnly()) {
                    faults << title + "read-only " + edit->text();
                }
            }
        }
        for (QWidget* w : window.findChildren<QWidget*>()) {
            if (w->window() == &window && w->focusPolicy() != Qt::NoFocus &&
                QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty()) {
                faults << title + "unnamed " + w->metaObject()->className();
            }
        }
    };
    using Ok = std::function<void(QDialog&)>;
    const auto click = [](QPushButton& ok) { QTest::mouseClick(&ok, Qt::LeftButton); };
    const struct {
        const char* Command;
        Ok Choose;  // closes the dialog
        const char* Section;
        const char* Key;
        const char* Stored;
    } dialogs[] = {
        {"Datalogger Setup...",
         [](QDialog& d) {
             auto& setup = static_cast<CSetupDlg&>(d);
             setup.RateList().setCurrentIndex(6);
             setup.Poll();
             setup.OnSetup();
         },
         "SAMPRATEINFO", "SAMPRATE", "6"},
        {"Cal Adjust...",
         [&](QDialog& d) {
             auto& calibration = static_cast<CCalAdjustDlg&>(d);
             calibration.Poll();
             calibration.ValueEdit().setText("4");
             click(calibration.OkButton());
         },
         "CAL Info", "CAL", "4"},
        {"&Axis Setup...",
         [&](QDialog& d) {
             static_cast<CAxisSetupDlg&>(d).YFromEdit().setText("30");
             click(static_cast<CAxisSetupDlg&>(d).OkButton());
         },
         "Y AXISInfo", "Y TEMPLOW", "30"},
        {"&Color Setup...",
         [&](QDialog& d) {
             QTest::keyClick(&static_cast<CColorSetupDlg&>(d).BackgroundPicker(), Qt::Key_Up);
             click(static_cast<CColorSetupDlg&>(d).OkButton());
         },
         "ColorInfo", "BGColor", "12"},
        {"&View...",
         [&](QDialog& d) {
             static_cast<CViewSetupDlg&>(d).Box("Sound Alarm Hi").setChecked(true);
             click(static_cast<CViewSetupDlg&>(d).OkButton());
         },
         "VIEWInfo", "VIEW2", "1"},
        {"&Download Data...", &QDialog::reject, "", "", ""},
        {"&About...", &QDialog::reject, "", "", ""},
    };
    for (const auto& dialog : dialogs) {
        EXPECT_TRUE(WhileModal<QDialog>([&] { Run(dialog.Command); },
                                        [&](QDialog& shown) {
                                            inspect(shown);
                                            dialog.Choose(shown);
                                        }))
            << dialog.Command;
        EXPECT_EQ(ReadSettingsFile().GetString(dialog.Section, dialog.Key, ""), dialog.Stored)
            << dialog.Command;
    }
    for (const char* command : {"Import data to &list", "&Statistics", "&Level Assessment"}) {
        Run(command);
    }
    ASSERT_TRUE(WaitFor([&] { return m_frame->GraphView().DataList().IsOpen(); }));
    QWidget* const windows[] = {m_frame.get(), m_frame->GraphView().DataList().Window(),
                                m_frame->StatisticsWindow(), m_frame->GraphView().LevelWindow()};
    for (QWidget* window : windows) {
        inspect(*window);
    }
    EXPECT_GT(chained, 30);
    EXPECT_EQ(faults.join("\n").toStdString(), "");
}

TEST_F(DialogCommands, calAdjust_isUnavailableDuringARealTimeRun) {
    m_doc.RealTimeActive = true;
    m_frame->UpdateCommandUI();
    for (QAction* source : {ActionIn<QMenu>("Cal Adjust..."), ActionIn<QToolBar>("Cal Adjust")}) {
        ASSERT_NE(source, nullptr);
        EXPECT_FALSE(source->isEnabled());
    }
}

}  // namespace
